#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class QFile;

// The transfer file: a project, product or accessory with all its rows as
// one self-contained binary file, the vehicle of copy and paste, drag and
// drop, new revisions and e-mail.
//
// Layout (integers 32-bit little-endian, text 8-bit Windows-1252,
// zero-terminated in fixed-size fields, every unused byte zero):
//
//   "%%KIRO\r\n"
//   header (68): 1, 3, kind, name[52], revision
//   record blocks until the end of the file:
//     record header (48): table component[44], field count N
//     N field descriptors (52): name[41], 0[3], data size, type code, key flag, 0[2]
//     N values, each exactly its descriptor's data size
//
// Only fields that are not null are written. A record's own ID and its link
// fields to the parent record are left out; the reader gives the copy new
// ones, taken from the record it follows in the record order. The product ID
// is written with the key flag so that the order rows of a project can be
// pointed at the copies.
//
// Everything here runs on the main thread.
namespace kiro {

namespace db {
class Connection;
}

// The one error channel of the transfer file: what is wrong, in words the
// user can act on (the caller adds the file name).
class TDumpFileError : public std::runtime_error {
public:
    explicit TDumpFileError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {}
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

namespace dumpfile {

// Item kinds of the file, the tree's node kinds of the same items.
enum Kind : int { KindProject = 1, KindProduct = 2, KindAccessory = 4 };

constexpr int kMarkerSize = 8;
constexpr int kHeaderSize = 68;
constexpr int kHeaderNameSize = 52;
constexpr int kRecordHeaderSize = 48;
constexpr int kTableNameSize = 44;
constexpr int kDescriptorSize = 52;
constexpr int kFieldNameSize = 41;

// Field type codes.
enum TypeCode : quint8 {
    TypeString = 1,
    TypeSmallint = 2,
    TypeInteger = 3,
    TypeWord = 4,
    TypeBoolean = 5,
    TypeFloat = 6,
    TypeCurrency = 7,
    TypeDate = 9,
    TypeTime = 10,
    TypeDateTime = 11,
    TypeBytes = 12,
    TypeBlob = 15,
    TypeMemo = 16,
    TypeGraphic = 17,
    TypeFmtMemo = 18,
};

// ".KIRO_PRJ", ".KIRO_PRD", ".KIRO_ACC"; empty for any other kind.
QString extensionOf(int kind);
// The caption with each of  " * / : < > ? \ |  replaced by an underscore,
// then the extension of the kind, in `directory` (the temporary directory
// when empty).
QString transferFileName(const QString& caption, int kind, const QString& directory = QString());
// Whether the extension (from the last dot on) begins with ".KIRO", in any
// letter case: mail programs and file systems do not all keep it.
bool hasTransferExtension(const QString& path);

// The day number of a date, 1 January of year 1 being day 1.
qint64 dayNumber(int year, int month, int day);

// The table components a file may hold, in record order: each with its
// table, the component of the record it follows (empty for the project)
// and its link fields with the parent's fields they take.
struct RecordTable {
    QString component;
    QString table;
    QString parent;
    QStringList linkFields;
    QStringList parentFields;
};
QList<RecordTable> recordOrder();

} // namespace dumpfile

// The document header: what the file holds.
struct TDumpHeader {
    int kind = 0;
    QString name;
    int revision = 0;
};

// One field descriptor.
struct TDumpFieldItem {
    QString name;
    qint32 dataSize = 0;
    quint8 type = 0;
    bool key = false;
};

// One record block as it stands in the file.
struct TDumpRecordInfo {
    QString component;
    qint64 offset = 0; // of the record header
    std::vector<TDumpFieldItem> fields;
};

// A key value of the file and the value its copy got (the product IDs).
struct TRematchDataItem {
    QString component;
    QString field;
    QString oldValue;
    QString newValue;
};

// Reads the marker and header of a file; nothing when the file cannot be
// read, is too short, has no marker or names an unknown item kind.
std::optional<TDumpHeader> ReadDumpHeader(const QString& path);
// Recognition as the tree and the clipboard need it: the extension and a
// valid marker and header.
bool IsTransferFile(const QString& path, TDumpHeader* header = nullptr);

// Builds a transfer file in memory and writes it out on finish(). The bytes
// depend on nothing but the values written: every padding byte is zero.
class TDumpFilePut {
public:
    // The file is created or truncated on finish(); nothing is touched before.
    explicit TDumpFilePut(const QString& path);

    void WriteHeader(const TDumpHeader& header);
    // One value of the record being built.
    struct Value {
        QString name;
        quint8 type = 0;
        QByteArray bytes;
        bool key = false;
    };
    void WriteRecord(const QString& component, const std::vector<Value>& values);

    // The rows of an item, read from the project database, in the record
    // order of its kind. For a product or an accessory the item itself is
    // written as a plain item: Alternate false, no AlternateFor (and an
    // accessory's own price rows likewise), so that the copy is never an
    // alternative for something the target does not have. The database is
    // not changed. Throws TDumpFileError when there is no such item.
    void WriteItem(db::Connection& projects, int kind, const QString& id);

    // Writes the bytes to the file; throws TDumpFileError.
    void finish();
    const QByteArray& bytes() const { return m_bytes; }

private:
    QString m_path;
    QByteArray m_bytes;
};

// What reading a document inserted.
struct TDumpInserted {
    int kind = 0;
    QString id;       // the new project, product or accessory
    QString parentID; // the project of a product, the product of an accessory; empty for a project
    int rows = 0;     // records inserted, the item's own included
};

// Reads a transfer file into the project database, all of it or nothing:
// the records are inserted inside one transaction (a savepoint when the
// caller has one open), and any fault of the file (truncated, a size or a
// count that does not fit, an unknown table, a record out of its place in
// the record order, a value that does not convert) throws TDumpFileError
// after rolling back. The rows the data module's tables keep in memory are
// not touched: refresh them after a successful read.
//
// Fields the target table does not have are skipped, and so are the record's
// own ID and link fields when a file carries them: the copy always gets new
// ones. Order rows' ProductID is pointed at the copied product, or "?" when
// the product is not in the file; the AlternateFor of copied products is
// pointed at the copied product it named.
class TDumpFileGet {
public:
    explicit TDumpFileGet(const QString& path);
    // From bytes in memory (the path is used in messages only).
    TDumpFileGet(const QByteArray& bytes, const QString& path);
    ~TDumpFileGet();
    TDumpFileGet(const TDumpFileGet&) = delete;
    TDumpFileGet& operator=(const TDumpFileGet&) = delete;

    // Throws TDumpFileError when the marker or header is not valid.
    TDumpHeader ReadHeader();

    struct Target {
        QString projectID;              // the project a product is inserted into
        QString productID;              // the product an accessory is inserted into
        int order = 0;                  // Order of the new product or accessory; 0 keeps the file's
        std::optional<QString> newName; // the project's Name instead of the file's
    };
    TDumpInserted ReadDocument(db::Connection& projects, const Target& target);
    // The record blocks with their field descriptors, without a database (to
    // look into a file); throws TDumpFileError where the layout is damaged.
    std::vector<TDumpRecordInfo> ListRecords();

    const QList<TRematchDataItem>& rematches() const { return m_rematches; }

private:
    struct Context;
    void insertRecord(Context& context);
    [[noreturn]] void fail(const QString& what) const;
    const uchar* take(qint64 count, const char* what);
    qint32 takeInt(const char* what);

    QString m_path;
    std::unique_ptr<QFile> m_file; // the file the data are mapped from
    QByteArray m_data;             // or the data themselves
    const uchar* m_begin = nullptr;
    qint64 m_size = 0;
    qint64 m_pos = 0;
    int m_record = 0; // 1-based number of the record being read, for messages
    std::optional<TDumpHeader> m_header;
    QList<TRematchDataItem> m_rematches;
};

} // namespace kiro
