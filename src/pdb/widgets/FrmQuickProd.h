#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTreeWidget;

namespace kiro {

class TFormData;
class TFormDataPDB;

// The quick-product dialog: spare, external and PDB products picked from
// three flat lists into one selected list (sorted by name), to be added to
// the project at once. The searches look for the typed text in any case in
// the name, description and a few more columns of each list; the text is a
// bound value of the statement, so that quotes in it are searched for like
// any other character. Created for each use.
class TfrmQuickProd : public QDialog {
    Q_OBJECT
public:
    enum Page { PageSpares = 0, PageExternal = 1, PagePDB = 2 };

    TfrmQuickProd(TFormData& data, TFormDataPDB& dataPDB, QWidget* parent = nullptr);

    // The selected list in its order: kind, name, description, supplier,
    // price, currency and code, separated by TAB.
    QStringList selectedLines() const;
    bool includeDocuments() const;
    bool includeTechData() const;

    // Runs the search of a page with the text of its search field; false
    // (after telling the user) when the query failed.
    bool search(int page);
    void AddItem();
    void RemoveItem();
    void RemoveAll();

    QTableWidget* grid(int page) const { return m_grids[page]; }
    QLineEdit* searchEdit(int page) const { return m_edits[page]; }
    QTabWidget* pages() const { return m_pages; }
    QTreeWidget* selectedList() const { return m_selected; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void focusChanged(QWidget* now);
    void setDefaultButton(QPushButton* button);

    TFormData& m_data;
    TFormDataPDB& m_dataPDB;
    QTabWidget* m_pages = nullptr;
    QLineEdit* m_edits[3] = {};
    QPushButton* m_searchButtons[3] = {};
    QTableWidget* m_grids[3] = {};
    QTreeWidget* m_selected = nullptr;
    QCheckBox* m_documents = nullptr;
    QCheckBox* m_techData = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_ok = nullptr;
    bool m_shown = false;
};

} // namespace kiro
