#pragma once

#include <QString>
#include <QWidget>

namespace kiro {

class TFormData;
class ThmDBGrid;

// The documents of a project: one line per document, its path. Main thread
// only.
class TProjDocsPage : public QWidget {
    Q_OBJECT
public:
    explicit TProjDocsPage(TFormData& data, QWidget* parent = nullptr);

    ThmDBGrid* grid() const { return m_grid; }

private:
    ThmDBGrid* m_grid;
};

// The documents of a product: path, description (the one thing edited here),
// author, date and version. Delete (Del or Ctrl+Del) removes a document the
// user added, after asking; documents that came with the product database
// stay. New documents come through the add-document command, which chooses
// the file: a row typed into the grid could never get a path, since the
// path is not edited here. Main thread only.
class TProdDocsPage : public QWidget {
    Q_OBJECT
public:
    explicit TProdDocsPage(TFormData& data, QWidget* parent = nullptr);

    ThmDBGrid* grid() const { return m_grid; }

    // Deletes the current document after the question; false when it is
    // not the user's own, the answer is no, or the deletion failed (shown).
    bool deleteCurrent();

signals:
    // A document was deleted here: the window drops its tree node.
    void documentDeleted(const QString& productID, const QString& documentID);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TFormData& m_data;
    ThmDBGrid* m_grid;
};

} // namespace kiro
