#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace kiro {

class TFormData;

// Writes the transfer file of a project (kind 1), product (2) or accessory
// (4) of the project database and returns its path: `caption` (the item's
// name when empty) made into a file name, with the extension of the kind, in
// `directory` (the temporary directory when empty). An existing file of that
// name is replaced; the file appears only when it is complete. Edits not yet
// posted in the data module's tables are posted first, so that the file
// holds what the user sees.
//
// Throws TDumpFileError, after removing anything half-written.
QString CreateKIROFile(TFormData& data, int kind, const QString& id, const QString& caption = QString(),
                       const QString& directory = QString());

// Where a file is put: the node it was pasted or dropped on. `nodeKind` is the
// tree's node kind (1 project, 2 product, 102 Products group, 104
// Accessories group, ...); `projectID` is the project of that node and
// `productID` its product, where it has one.
struct TInsertTarget {
    int nodeKind = 0;
    QString projectID;
    QString productID;
};

struct TInsertOptions {
    // Ask before a project of the same name and revision is replaced.
    bool ask = true;
    // The one-line input dialog (prompt, value): true with the text on OK.
    // Without one, asking for a new name counts as cancelled.
    std::function<bool(const QString& prompt, QString& value)> inputText;
};

struct TInsertResult {
    enum class Outcome {
        Nothing,         // the file does not exist
        NotTransferFile, // no valid marker and header: the caller adds it as a document
        Ignored,         // a product or accessory offered to a node that cannot take it
        Cancelled,       // the user cancelled the question about an existing project
        Failed,          // the file could not be inserted; the user has been told, nothing changed
        Inserted,
    };
    Outcome outcome = Outcome::Nothing;
    int kind = 0;
    QString id;                   // the new project, product or accessory
    QString parentID;             // the project of a new product, the product of a new accessory
    QStringList replacedProjects; // projects deleted because the user chose to overwrite them
    QString error;
};

// Reads a transfer file into the project database below the target, as one
// transaction: either the whole item arrives or nothing changes. A project
// lands as a project of its own (after the overwrite question when one of
// the same name and revision exists and `ask` is set), then its prices and
// sums are recalculated; a product goes at the end of the target project's
// products, an accessory at the end of the target product's accessories,
// their prices as they were written, the sums above them updated. The data
// module's tables are read again and stand on the new item, so that the tree
// can add its node (AddProjectToTree, DBGetProduct, DBGetAccessory). A file
// that cannot be inserted is reported to the user with its name and what is
// wrong with it.
TInsertResult InsertDocument(TFormData& data, const TInsertTarget& target, const QString& file,
                             const TInsertOptions& options = {});

} // namespace kiro
