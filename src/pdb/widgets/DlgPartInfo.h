#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class QPushButton;
class QTableWidget;

namespace kiro {

class TFormData;

namespace db {
class Dataset;
}

// The stored part numbers of a product, an accessory, or a product with
// all its accessories, listed in the scratch table ItemList of the private
// database (for the item-number printout) and shown read-only. The table
// lives as long as the dialog. Printing and designing the printout go
// through the report seams (setReportRunner); without one the user is told
// that printing is not available.
class TDlgPartInfo : public QDialog {
    Q_OBJECT
public:
    enum Kind { ProductParts = 0, AccessoryParts = 1, ProductWithAccessories = 2 };

    explicit TDlgPartInfo(TFormData& data, QWidget* parent = nullptr);
    ~TDlgPartInfo() override;

    // Fills ItemList from the current product's or accessory's parts.
    void SelectData(int kind);

    QTableWidget* grid() const { return m_grid; }
    int rowCount() const;
    // The texts put on the clipboard by "Copy row" and "Copy all".
    QString rowText(int row) const;
    QString allText() const;

    // The report engine: the template path and whether to design it.
    using ReportRunner = std::function<void(const QString& templatePath, bool design)>;
    void setReportRunner(ReportRunner runner) { m_report = std::move(runner); }
    // The item-number template: the setting, completed with the printout
    // folder when it names no directory.
    static QString templatePath();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void BtnPrintClick();
    void BtnDesignClick();
    void copyParts(const QString& table, const QString& marker, const QString& parentID);
    void fillGrid();

    TFormData& m_data;
    std::unique_ptr<db::Dataset> m_itemList;
    QTableWidget* m_grid = nullptr;
    QPushButton* m_design = nullptr;
    QPushButton* m_copyRow = nullptr;
    QPushButton* m_copyAll = nullptr;
    ReportRunner m_report;
};

} // namespace kiro
