#include "app/core/IniFile.h"

#include "app/core/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <sys/stat.h>

#include <cmath>

namespace kiro {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Accepts what a profile reader accepts as a number: optional sign, decimal
// digits, nothing else.
bool parseInt(const QString& text, int* value)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (ok)
        *value = v;
    return ok;
}

} // namespace

IniFile::IniFile(QString path, Encoding encoding)
    : m_path(std::move(path))
    , m_encoding(encoding)
{
}

bool IniFile::exists() const
{
    return stamp().exists;
}

// ---------------------------------------------------------------- reading --

IniFile::Stamp IniFile::stamp() const
{
    Stamp s;
    struct stat st {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return s;
    s.exists = true;
    s.size = st.st_size;
    s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    s.inode = st.st_ino;
    return s;
}

void IniFile::refresh() const
{
    // Inside a batch the lines hold writes not yet on disk.
    if (m_batchDepth > 0 && m_loaded)
        return;
    if (!m_loaded || stamp() != m_stamp)
        load();
}

void IniFile::load() const
{
    m_lines.clear();
    m_loaded = true;
    m_unreadable = false;
    m_readError.clear();
    m_bom = false;
    m_eol = "\n";
    // Taken before reading, so that a change made while reading is seen by
    // the next read rather than missed.
    m_stamp = stamp();
    if (!m_stamp.exists) {
        if (QFileInfo(m_path).exists()) {
            m_unreadable = true;
            m_readError = QStringLiteral("it is not a file");
        }
        return;
    }

    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_unreadable = true;
        m_readError = file.errorString();
        return;
    }
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_unreadable = true;
        m_readError = file.errorString();
        return;
    }

    if (m_encoding == Encoding::Utf8 && data.startsWith(kBom)) {
        m_bom = true;
        data.remove(0, 3);
    }
    qsizetype start = 0;
    bool firstLine = true;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        const bool hasEnd = end >= 0;
        if (!hasEnd)
            end = data.size();
        QByteArray raw = data.mid(start, end - start);
        if (firstLine && hasEnd && raw.endsWith('\r'))
            m_eol = "\r\n";
        firstLine = false;
        QByteArray content = raw.endsWith('\r') ? raw.left(raw.size() - 1) : raw;
        m_lines.push_back(parseLine(std::move(raw), decode(content)));
        start = end + 1;
    }
}

QString IniFile::decode(const QByteArray& raw) const
{
    if (m_encoding == Encoding::Cp1252)
        return fromCp1252(raw);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(raw);
    if (utf8.hasError())
        return fromCp1252(raw);
    return text;
}

QByteArray IniFile::encode(const QString& text) const
{
    return m_encoding == Encoding::Cp1252 ? toCp1252(text) : text.toUtf8();
}

IniFile::Line IniFile::parseLine(QByteArray raw, QString text)
{
    Line line;
    line.raw = std::move(raw);
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1Char('['))) {
        qsizetype close = trimmed.indexOf(QLatin1Char(']'));
        if (close < 0)
            close = trimmed.size();
        line.kind = Kind::Section;
        line.name = trimmed.mid(1, close - 1).trimmed();
    } else if (!trimmed.startsWith(QLatin1Char(';')) && !trimmed.startsWith(QLatin1Char('#'))) {
        const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
        if (eq > 0) {
            const QString key = trimmed.left(eq).trimmed();
            if (!key.isEmpty()) {
                line.kind = Kind::Key;
                line.name = key;
                line.value = trimmed.mid(eq + 1).trimmed();
            }
        }
    }
    line.text = std::move(text);
    return line;
}

qsizetype IniFile::findKey(const QString& section, const QString& key) const
{
    bool inSection = false;
    for (qsizetype i = 0; i < qsizetype(m_lines.size()); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Kind::Section)
            inSection = sameName(line.name, section);
        else if (inSection && line.kind == Kind::Key && sameName(line.name, key))
            return i;
    }
    return -1;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    refresh();
    const qsizetype i = findKey(section, key);
    return i < 0 ? def : m_lines[i].value;
}

bool IniFile::hasKey(const QString& section, const QString& key) const
{
    refresh();
    return findKey(section, key) >= 0;
}

QStringList IniFile::sections() const
{
    refresh();
    QStringList names;
    for (const Line& line : m_lines) {
        if (line.kind == Kind::Section && !names.contains(line.name, Qt::CaseInsensitive))
            names.append(line.name);
    }
    return names;
}

QStringList IniFile::keys(const QString& section) const
{
    refresh();
    QStringList names;
    bool inSection = false;
    for (const Line& line : m_lines) {
        if (line.kind == Kind::Section)
            inSection = sameName(line.name, section);
        else if (inSection && line.kind == Kind::Key && !names.contains(line.name, Qt::CaseInsensitive))
            names.append(line.name);
    }
    return names;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const
{
    int value = 0;
    return parseInt(readString(section, key), &value) ? value != 0 : def;
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const
{
    int value = 0;
    return parseInt(readString(section, key), &value) ? value : def;
}

QDate IniFile::readDate(const QString& section, const QString& key, const QDate& def) const
{
    const QString text = readString(section, key);
    int day = 0;
    if (parseInt(text, &day))
        return dayZero().addDays(day);
    // Date-time values of other programs carry the time as a fraction; the
    // whole part is the day, also for negative values.
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (ok && std::isfinite(value) && std::fabs(value) < 3.0e6)
        return dayZero().addDays(qint64(std::trunc(value)));
    return def;
}

// ---------------------------------------------------------------- writing --

void IniFile::checkName(const QString& what, const QString& name, bool isKey)
{
    bool bad = name.trimmed().isEmpty() || name.trimmed() != name || name.contains(QLatin1Char('\n'))
               || name.contains(QLatin1Char('\r'));
    if (isKey)
        bad = bad || name.contains(QLatin1Char('=')) || name.startsWith(QLatin1Char('['))
              || name.startsWith(QLatin1Char(';')) || name.startsWith(QLatin1Char('#'));
    else
        bad = bad || name.contains(QLatin1Char(']'));
    if (bad)
        throw SettingsError(QStringLiteral("\"%1\" cannot be used as a %2 name in a settings file.").arg(name, what));
}

IniFile::Line IniFile::makeLine(const QString& text) const
{
    Line line = parseLine({}, text);
    line.changed = true;
    return line;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    checkName(QStringLiteral("section"), section, false);
    checkName(QStringLiteral("key"), key, true);
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
        throw SettingsError(
            QStringLiteral("The value of %1 / %2 contains a line break, which a settings file cannot hold.")
                .arg(section, key));
    refresh();

    const qsizetype existing = findKey(section, key);
    if (existing >= 0) {
        Line& line = m_lines[existing];
        if (line.value == value)
            return; // nothing to write; keeps the file and its time stamps
        // The key keeps the spelling the file gave it.
        line = makeLine(line.name + QLatin1Char('=') + value);
        modified();
        return;
    }

    const QString keyLine = key + QLatin1Char('=') + value;
    qsizetype header = -1;
    qsizetype insertAt = -1;
    for (qsizetype i = 0; i < qsizetype(m_lines.size()); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Kind::Section) {
            if (header >= 0)
                break;
            if (sameName(line.name, section))
                header = insertAt = i;
        } else if (header >= 0 && line.kind == Kind::Key) {
            insertAt = i;
        }
    }
    if (header >= 0) {
        m_lines.insert(m_lines.begin() + insertAt + 1, makeLine(keyLine));
    } else {
        if (!m_lines.empty() && !m_lines.back().text.trimmed().isEmpty())
            m_lines.push_back(makeLine(QString()));
        m_lines.push_back(makeLine(QLatin1Char('[') + section + QLatin1Char(']')));
        m_lines.push_back(makeLine(keyLine));
    }
    modified();
}

void IniFile::deleteKey(const QString& section, const QString& key)
{
    refresh();
    bool inSection = false;
    bool removed = false;
    for (auto it = m_lines.begin(); it != m_lines.end();) {
        if (it->kind == Kind::Section)
            inSection = sameName(it->name, section);
        if (inSection && it->kind == Kind::Key && sameName(it->name, key)) {
            it = m_lines.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    if (removed)
        modified();
}

void IniFile::eraseSection(const QString& section)
{
    refresh();
    bool inSection = false;
    bool removed = false;
    for (auto it = m_lines.begin(); it != m_lines.end();) {
        if (it->kind == Kind::Section)
            inSection = sameName(it->name, section);
        if (inSection) {
            it = m_lines.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    if (removed)
        modified();
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeDate(const QString& section, const QString& key, const QDate& value)
{
    writeString(section, key, QString::number(value.isValid() ? dayZero().daysTo(value) : 0));
}

void IniFile::flush()
{
    if (m_batchDepth == 0)
        m_loaded = false;
}

void IniFile::modified()
{
    if (m_batchDepth > 0) {
        m_batchPending = true;
        return;
    }
    save();
}

void IniFile::discardChanges()
{
    m_loaded = false;
}

void IniFile::save()
{
    const auto fail = [this](const QString& reason) {
        discardChanges();
        return SettingsError(QStringLiteral("Could not write the settings file \"%1\": %2").arg(m_path, reason));
    };
    if (m_unreadable)
        throw fail(QStringLiteral("the file exists but could not be read (%1).").arg(m_readError));
    const QFileInfo info(m_path);
    if (!info.absoluteDir().exists())
        throw fail(QStringLiteral("the folder \"%1\" does not exist.").arg(QDir::toNativeSeparators(info.absolutePath())));

    QByteArray data;
    if (m_bom)
        data.append(kBom);
    for (const Line& line : m_lines) {
        if (line.changed) {
            data.append(encode(line.text));
            data.append(m_eol);
        } else {
            data.append(line.raw); // keeps its own '\r' where it had one
            data.append('\n');
        }
    }

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        throw fail(file.errorString());
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw fail(reason);
    }
    if (!file.commit())
        throw fail(file.errorString());

    for (Line& line : m_lines) {
        if (line.changed) {
            line.raw = encode(line.text);
            if (m_eol.size() == 2)
                line.raw.append('\r');
            line.changed = false;
        }
    }
    m_stamp = stamp();
}

// ------------------------------------------------------------------ Batch --

IniFile::Batch::Batch(IniFile& file)
    : m_file(file)
{
    if (m_file.m_batchDepth == 0) {
        m_file.refresh();
        m_file.m_batchPending = false;
        m_file.m_batchAborted = false;
    }
    ++m_file.m_batchDepth;
}

IniFile::Batch::~Batch()
{
    if (m_done)
        return;
    m_file.m_batchAborted = true;
    if (--m_file.m_batchDepth == 0 && m_file.m_batchPending) {
        m_file.m_batchPending = false;
        m_file.discardChanges();
    }
}

void IniFile::Batch::commit()
{
    if (m_done)
        return;
    m_done = true;
    if (--m_file.m_batchDepth > 0)
        return;
    const bool pending = m_file.m_batchPending;
    m_file.m_batchPending = false;
    if (m_file.m_batchAborted) {
        m_file.discardChanges();
        throw SettingsError(
            QStringLiteral("Settings for \"%1\" were not written: an earlier step failed.").arg(m_file.m_path));
    }
    if (pending)
        m_file.save();
}

} // namespace kiro
