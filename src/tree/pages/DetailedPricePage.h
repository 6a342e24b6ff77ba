#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QTabWidget;

namespace kiro {

class TDBListCombo;
class TFormData;
class ThmDBGrid;

// The detailed price of a product: its price rows (its own and its
// accessories') and its additional costs, once from the cost side (list
// price to landed cost) and once from the sales side (landed cost to
// quotation price), with the product's currency. Main thread only.
class TDetailedPricePage : public QWidget {
    Q_OBJECT
public:
    TDetailedPricePage(TFormData& data, QWidget* parent = nullptr);

    // The price-row panels are shown only when the product has price rows.
    void UpdatePriceRowPanels();
    bool priceRowPanelsShown() const;

    // A currency picked in either selector: the product's currency, then
    // the product's prices again.
    bool TabDetPriceUpdatePrice(const QString& currency);

    QTabWidget* pages() const { return m_pages; }
    ThmDBGrid* costPriceGrid() const { return m_costPrices; }
    ThmDBGrid* costAddGrid() const { return m_costAdds; }
    ThmDBGrid* salesPriceGrid() const { return m_salesPrices; }
    ThmDBGrid* salesAddGrid() const { return m_salesAdds; }

    // The discount options opened from the Discount and Contribution titles;
    // empty: the options dialog for the selected product.
    void setOpenDiscountsHook(std::function<void()> hook) { m_openDiscounts = std::move(hook); }

private:
    QWidget* buildSide(bool costs);

    TFormData& m_data;
    QTabWidget* m_pages = nullptr;
    QWidget* m_costPanel = nullptr;
    QWidget* m_salesPanel = nullptr;
    ThmDBGrid* m_costPrices = nullptr;
    ThmDBGrid* m_costAdds = nullptr;
    ThmDBGrid* m_salesPrices = nullptr;
    ThmDBGrid* m_salesAdds = nullptr;
    std::function<void()> m_openDiscounts;
};

} // namespace kiro
