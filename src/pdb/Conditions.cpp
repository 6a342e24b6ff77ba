#include "pdb/Conditions.h"

#include <QStringList>

namespace kiro::pdb {

int codeIndex(QChar c)
{
    static const std::array<int, 128> table = [] {
        std::array<int, 128> t{};
        t.fill(-1);
        for (int i = 0; i < kAlphabetSize; ++i)
            t[static_cast<unsigned char>(kCodeAlphabet[i])] = i;
        return t;
    }();
    const char16_t u = c.unicode();
    return u < 128 ? table[u] : -1;
}

QString maskToString(CodeMask m)
{
    QString out;
    for (int i = 0; i < kAlphabetSize; ++i)
        if ((m >> i) & 1)
            out += codeChar(i);
    return out;
}

CodeMask maskFromString(const QString& chars)
{
    CodeMask m = 0;
    for (QChar c : chars)
        m |= codeBit(c);
    return m;
}

std::array<std::uint8_t, 32> maskToCharBytes(CodeMask m)
{
    std::array<std::uint8_t, 32> bytes{};
    for (int i = 0; i < kAlphabetSize; ++i) {
        if ((m >> i) & 1) {
            const int c = static_cast<unsigned char>(kCodeAlphabet[i]);
            bytes[c / 8] |= std::uint8_t(1u << (c % 8));
        }
    }
    return bytes;
}

CodeMask maskFromCharBytes(const std::uint8_t* bytes, int size)
{
    CodeMask m = 0;
    for (int i = 0; i < kAlphabetSize; ++i) {
        const int c = static_cast<unsigned char>(kCodeAlphabet[i]);
        if (c / 8 < size && (bytes[c / 8] >> (c % 8)) & 1)
            m |= CodeMask(1) << i;
    }
    return m;
}

int GroupSet::smallest(int from, int to) const
{
    for (int g = std::max(from, 0); g <= std::min(to, kGroupSetLimit - 1); ++g)
        if (has(g))
            return g;
    return -1;
}

std::vector<int> GroupSet::members() const
{
    std::vector<int> out;
    for (int g = 0; g < kGroupSetLimit; ++g)
        if (has(g))
            out.push_back(g);
    return out;
}

std::array<std::uint8_t, 13> GroupSet::toBytes() const
{
    std::array<std::uint8_t, 13> bytes{};
    for (int g = 0; g < kGroupSetLimit; ++g)
        if (has(g))
            bytes[g / 8] |= std::uint8_t(1u << (g % 8));
    return bytes;
}

GroupSet GroupSet::fromBytes(const std::uint8_t* bytes, int size)
{
    GroupSet set;
    for (int g = 0; g < kGroupSetLimit && g / 8 < size; ++g)
        if ((bytes[g / 8] >> (g % 8)) & 1)
            set.add(g);
    return set;
}

int classRank(const QString& letter)
{
    if (letter.size() != 1)
        return 0;
    const char16_t u = letter.at(0).unicode();
    return (u >= u'A' && u <= u'F') ? int(u - u'A') + 1 : 0;
}

QChar classLetter(int rank)
{
    return (rank >= 1 && rank <= 6) ? QChar(char16_t(u'A' + rank - 1)) : QChar(u'X');
}

RawField parseRawField(const QString& field)
{
    RawField raw;
    const int colon = field.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        raw.allowedText = field;
        return raw;
    }
    raw.allowedText = field.mid(colon + 1);
    const QString groups = field.left(colon);
    if (groups.isEmpty() || groups == QLatin1String("*"))
        return raw;
    if (groups.contains(QLatin1String(".."))) {
        // The lower bound is the single character before "..", the upper one
        // whatever follows from the fourth character on: "12..15" is no range.
        bool okLow = false;
        bool okHigh = false;
        const int low = groups.left(1).toInt(&okLow);
        const int high = groups.mid(3).toInt(&okHigh);
        if (okLow && okHigh && low >= 0 && high >= low)
            for (int g = low; g <= std::min(high, kGroupSetLimit - 1); ++g)
                raw.groups.add(g);
        return raw;
    }
    for (const QString& item : groups.split(QLatin1Char(','))) {
        bool ok = false;
        const int g = item.trimmed().toInt(&ok);
        if (!ok) {
            raw.badGroupItem = true;
            raw.badItem = item;
            continue;
        }
        raw.groups.add(g); // numbers outside 0..103 are not kept
    }
    return raw;
}

CodeField readCodeField(const RawField& raw, const PositionGroups& position, bool zeroMultiple)
{
    CodeField f;
    QString allowed = raw.allowedText;
    if (allowed == QLatin1String("*"))
        allowed = QString::fromLatin1(kCodeAlphabet);
    if (zeroMultiple && allowed.size() > 1) {
        const int zero = allowed.indexOf(QLatin1Char('0'));
        if (zero >= 0)
            allowed.remove(zero, 1);
    }
    f.allowed = maskFromString(allowed);
    f.hasCondition = !allowed.isEmpty();
    f.groups = raw.groups;
    const bool singleValid = position.singleGroup >= 0 && position.singleGroup < kGroupCount;
    if (f.groups.has(0) && !position.multiGroup && singleValid) {
        f.groups.remove(0);
        f.groups.add(position.singleGroup);
    }
    if (f.groups.empty()) {
        if (position.multiGroup)
            f.groups.add(0);
        else
            f.groups.add(singleValid ? position.singleGroup : 1);
    }
    return f;
}

QString conditionFieldText(const QString& condition, int position)
{
    if (position < 1)
        return QString();
    int start = 0;
    for (int n = 1; n < position; ++n) {
        const int sep = condition.indexOf(QLatin1Char(';'), start);
        if (sep < 0)
            return QString();
        start = sep + 1;
    }
    const int end = condition.indexOf(QLatin1Char(';'), start);
    return end < 0 ? condition.mid(start) : condition.mid(start, end - start);
}

std::uint16_t GroupPool::intern(const GroupSet& set)
{
    for (std::size_t i = 0; i < m_sets.size(); ++i)
        if (m_sets[i] == set)
            return std::uint16_t(i);
    m_sets.push_back(set);
    return std::uint16_t(m_sets.size() - 1);
}

Condition ConditionCompiler::compile(const QString& text) const
{
    Condition c;
    if (text.isEmpty())
        return c;
    c.empty = false;
    const QStringList fields = text.split(QLatin1Char(';'));
    for (int p = 1; p <= kMaxPositions; ++p) {
        const RawField raw = parseRawField(p <= fields.size() ? fields[p - 1] : QString());
        if (raw.badGroupItem && c.error.isEmpty())
            c.error = QStringLiteral("'%1' is not a valid integer value (field %2 of %3)")
                          .arg(raw.badItem)
                          .arg(p)
                          .arg(text);
        const CodeField f = readCodeField(raw, positions[p], zeroMultiple);
        CompiledField& out = c.fields[p];
        out.allowed = f.allowed;
        out.hasCondition = f.hasCondition;
        out.groups = pool ? pool->intern(f.groups) : 0;
        if (f.hasCondition && p >= 3)
            c.ownPosition = p;
    }
    return c;
}

} // namespace kiro::pdb
