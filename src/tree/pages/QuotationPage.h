#pragma once

#include <QString>
#include <QWidget>

class QTabWidget;
class QToolButton;

namespace kiro {

class TDBLookupComboBox;
class TDBListCombo;
class TDBNavigator;
class TFormData;
class ThmDBGrid;

// The quotation of a project: its header (quotation and customer data,
// status, comments), the quotation lines of products, additional costs and
// packing and transport with their sums, and the project figures below.
// Every control edits the current Projects record or the current line; the
// data module's handlers recompute what depends on it. Main thread only.
class TQuotationPage : public QWidget {
    Q_OBJECT
public:
    TQuotationPage(TFormData& data, QWidget* parent = nullptr);

    // The products grid and its sum line are shown only when the project
    // has products.
    void UpdateProductsPanel();
    bool productsPanelShown() const;
    // The status list shows the texts of this language column.
    void setLanguage(const QString& language);

    ThmDBGrid* productsGrid() const { return m_products; }
    ThmDBGrid* addCostsGrid() const { return m_addCosts; }
    ThmDBGrid* packTransGrid() const { return m_packTrans; }
    QTabWidget* linePages() const { return m_linePages; }

    // The move buttons of the products grid (MoveItemUp/MoveItemDown).
    void TabProdListBtnUpClick();
    void TabProdListBtnDownClick();
    // A currency picked in the quotation currency selector.
    void TabQuotDataCurrencyClick(const QString& currency);

signals:
    // A double click on a product line: the window selects its node.
    void productActivated(const QString& productID);
    // "Find ..." beside the customer: the window runs the address search.
    void findCustomerRequested();

private:
    QWidget* buildHeader();
    QWidget* buildLines();
    QWidget* buildFigures();

    TFormData& m_data;
    ThmDBGrid* m_products = nullptr;
    ThmDBGrid* m_addCosts = nullptr;
    ThmDBGrid* m_packTrans = nullptr;
    QWidget* m_productsPanel = nullptr;
    QTabWidget* m_linePages = nullptr;
    TDBLookupComboBox* m_status = nullptr;
};

} // namespace kiro
