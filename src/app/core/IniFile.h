#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

namespace kiro {

// The one error channel of settings I/O: a settings file that cannot be
// written (missing folder, no permission, disk full) or a value that the
// file format cannot hold. The operation that wrote shows message().
class SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

// A profile file of sections ("[Name]") and "key=value" lines, shared with
// other programs that may edit it while KIRO runs.
//
// - Section and key names match case-insensitively; the first occurrence of a
//   key wins. Values are trimmed of surrounding whitespace, quotes are kept.
// - Every line the writer does not own (comments, blank lines, other keys,
//   text before the first section) is kept byte for byte, in its place. A new
//   key goes after the last key of its section, a new section at the end.
// - A read sees outside changes: the file is re-read when its size, inode or
//   modification/change time differ from what was last seen. Each write
//   re-reads first, so an outside change is kept, and replaces the file
//   atomically (QSaveFile). A Batch gathers several writes into one.
// - A missing file reads as empty and is created by the first write; a
//   missing folder is an error. An existing file that cannot be read reads as
//   empty too, but is never written over.
// - UTF-8 files fall back to Windows-1252 line by line where a line is not
//   valid UTF-8, so a settings file brought over from an older installation
//   keeps its accented characters. A UTF-8 byte order mark and CRLF line ends
//   are kept.
//
// Main thread only.
class IniFile {
public:
    enum class Encoding { Utf8, Cp1252 };

    explicit IniFile(QString path, Encoding encoding = Encoding::Utf8);

    const QString& path() const { return m_path; }
    bool exists() const;

    // The trimmed raw value; def only when the key is missing.
    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    bool hasKey(const QString& section, const QString& key) const;
    QStringList sections() const;
    QStringList keys(const QString& section) const;

    // Each throws SettingsError when the file cannot be written or the name or
    // value would break the line format (line breaks, '=' in a key, ...).
    void writeString(const QString& section, const QString& key, const QString& value);
    void deleteKey(const QString& section, const QString& key);
    void eraseSection(const QString& section);

    // Stored as "1"/"0"; any integer other than 0 reads as true, anything
    // that is not an integer (also an empty value) as def.
    bool readBool(const QString& section, const QString& key, bool def) const;
    void writeBool(const QString& section, const QString& key, bool value);
    // Decimal; an unreadable value gives def.
    int readInteger(const QString& section, const QString& key, int def) const;
    void writeInteger(const QString& section, const QString& key, int value);
    // Whole day numbers since 1899-12-30. A fractional value written by
    // another program reads as its day; an invalid date is written as day 0.
    QDate readDate(const QString& section, const QString& key, const QDate& def) const;
    void writeDate(const QString& section, const QString& key, const QDate& value);

    // Writes are on disk when they return; this only makes the next read go
    // to the disk whatever the file's time stamps say.
    void flush();

    static QDate dayZero() { return QDate(1899, 12, 30); }

    // Gathers the writes made while it lives into one atomic replacement of
    // the file, made by commit(). Reads inside the batch see its writes;
    // outside changes are picked up once, when the batch starts. Destroyed
    // without commit (an exception on the way), it drops its writes and the
    // file stays as it was.
    class Batch {
    public:
        explicit Batch(IniFile& file);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void commit();

    private:
        IniFile& m_file;
        bool m_done = false;
    };

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        QByteArray raw; // as read, without the line end; empty for changed lines
        QString text;
        Kind kind = Kind::Other;
        QString name; // section or key name
        QString value;
        bool changed = false;
    };
    struct Stamp {
        bool exists = false;
        qint64 size = 0;
        qint64 mtimeNs = 0;
        qint64 ctimeNs = 0;
        quint64 inode = 0;
        bool operator==(const Stamp&) const = default;
    };

    Stamp stamp() const;
    void refresh() const;
    void load() const;
    void modified();
    void save();
    void discardChanges();
    Line makeLine(const QString& text) const;
    static Line parseLine(QByteArray raw, QString text);
    QString decode(const QByteArray& raw) const;
    QByteArray encode(const QString& text) const;
    qsizetype findKey(const QString& section, const QString& key) const;
    static void checkName(const QString& what, const QString& name, bool isKey);

    QString m_path;
    Encoding m_encoding;

    mutable std::vector<Line> m_lines;
    mutable bool m_loaded = false;
    mutable bool m_unreadable = false;
    mutable QString m_readError;
    mutable Stamp m_stamp;
    mutable bool m_bom = false;
    mutable QByteArray m_eol = "\n";

    int m_batchDepth = 0;
    bool m_batchPending = false;
    bool m_batchAborted = false;
};

} // namespace kiro
