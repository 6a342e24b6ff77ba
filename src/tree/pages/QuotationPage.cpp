#include "tree/pages/QuotationPage.h"

#include "controls/DBControls.h"
#include "controls/TDBNavigator.h"
#include "controls/ThmDBGrid.h"
#include "data/FormData.h"
#include "data/Formula.h"
#include "db/DataSource.h"
#include "db/Dataset.h"
#include "tree/pages/GridBehaviour.h"
#include "tree/pages/PageWidgets.h"

#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// The twelve columns of a quotation line grid. Product lines take their
// name, cost and currency from the product; the project's own lines are
// typed in.
QList<GridColumn> lineColumns(const char* nameTitle, bool products)
{
    const bool own = !products;
    return {
        CheckColumn(s("Show"), s("S")),
        PageColumn(s("Tag"), QString(), false, 60),
        PageColumn(s("Name"), s(nameTitle), products, 160),
        NumberColumn(s("TotalProdPrice"), s("Price/unit"), products, kAmountFormat, 80),
        PageColumn(products ? s("ProdCurrency") : s("_CURR_LOOKUP"), s("Curr."), !own, 44),
        NumberColumn(s("TotalPriceComm"), s("Com."), false, kPercentFormat, 48),
        NumberColumn(s("TotalPriceFactorA"), s("M.A"), false, kPercentFormat, 48),
        NumberColumn(s("TotalPriceFactorB"), s("M.B"), false, kPercentFormat, 48),
        NumberColumn(s("TotalPriceQuotPrice"), s("Calc.pr/unit"), true, kAmountFormat, 84),
        NumberColumn(s("TotalPriceQuotRounded"), s("Cust.pr/unit"), false, kAmountFormat, 84),
        PageColumn(s("Qty"), QString(), false, 40),
        NumberColumn(s("TotalPriceQuotPriceSum"), s("Quot price"), true, kAmountFormat, 90),
    };
}

// "Sum" and a project total, right-aligned at the end of a line.
void addSum(QHBoxLayout& line, const QString& prefix, db::DataSource& projects, const char* field, QWidget* parent)
{
    line.addStretch(1);
    line.addWidget(Caption(prefix + s("LblSum"), s("Sum"), parent));
    ThmDBStatic* sum = FieldText(prefix + s("DataSum"), projects, s(field), parent, kProjectTotalFormat);
    sum->setMinimumWidth(110);
    line.addWidget(sum);
}

} // namespace

TQuotationPage::TQuotationPage(TFormData& data, QWidget* parent)
    : QWidget(parent)
    , m_data(data)
{
    setObjectName(s("TabQuotPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(buildHeader());
    layout->addWidget(buildLines(), 1);
    layout->addWidget(buildFigures());
    UpdateProductsPanel();
}

QWidget* TQuotationPage::buildHeader()
{
    db::DataSource& projects = m_data.source(s("SourceProjects"));
    auto* panel = new QWidget(this);
    panel->setObjectName(s("TabQuotPanelMain"));
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);

    // Quotation information.
    auto* quotation = new QGroupBox(s("Quotation information"), panel);
    quotation->setObjectName(s("TabQuotGrpQuotation"));
    auto* qForm = new QFormLayout(quotation);
    TDBEdit* number = FieldEdit(s("TabQuotDataNumber"), projects, s("QuotNumber"), quotation);
    qForm->addRow(Caption(s("TabQuotLblNumber"), s("Quotation number"), quotation, number), number);
    auto* handledBy = new TDBListCombo(true, quotation);
    handledBy->setObjectName(s("TabQuotDataHandledBy"));
    handledBy->setDataField(s("QuotHandledBy"));
    SetFieldColor(*handledBy, false);
    handledBy->setListProvider([this] {
        // GetUserList: every user's Name, read at each drop-down.
        QStringList names;
        db::Dataset& users = m_data.table(s("TableUsers"));
        if (!users.isActive())
            return names;
        const int name = users.fieldByName(s("Name")).index();
        for (int r = 0; r < users.recordCount(); ++r)
            names << users.rowValue(r, name).toString();
        return names;
    });
    handledBy->setDataSource(&projects);
    qForm->addRow(Caption(s("TabQuotLblHandledBy"), s("Handled by"), quotation, handledBy), handledBy);
    for (const auto& [name, label, caption, field] :
         {std::tuple{"TabQuotDataDate", "TabQuotLblDate", "Quotation date", "QuotDate"},
          std::tuple{"TabQuotDataValidDate", "TabQuotLblValidDate", "Quotation validity date", "QuotValidDate"}}) {
        auto* date = new ThmDBDateTime(quotation);
        date->setObjectName(s(name));
        date->setDataField(s(field));
        date->setCalendarPopup(true);
        date->setDataSource(&projects);
        date->setMinimumWidth(170);
        qForm->addRow(Caption(s(label), s(caption), quotation, date), date);
    }
    for (QWidget* field : std::initializer_list<QWidget*>{number, handledBy})
        field->setMinimumWidth(170);
    row->addWidget(quotation, 3);

    // Customer information.
    auto* customer = new QGroupBox(s("Customer information"), panel);
    customer->setObjectName(s("TabQuotGrpCustomer"));
    auto* cGrid = new QGridLayout(customer);
    TDBEdit* name = FieldEdit(s("TabQuotDataCustomer"), projects, s("QuotCustName"), customer);
    TDBEdit* id = FieldEdit(s("TabQuotDataCustomerID"), projects, s("QuotCustID"), customer, true);
    id->setMaximumWidth(100);
    auto* find = new QPushButton(s("Find ..."), customer);
    find->setObjectName(s("TabQuotBtnAddress"));
    connect(find, &QPushButton::clicked, this, &TQuotationPage::findCustomerRequested);
    auto* address = new TDBMemo(customer);
    address->setObjectName(s("TabQuotDataAddress"));
    address->setDataField(s("QuotCustAddress"));
    SetFieldColor(*address, false);
    address->setDataSource(&projects);
    address->setFixedHeight(address->fontMetrics().lineSpacing() * 4 + 10);
    TDBEdit* attention = FieldEdit(s("TabQuotDataAttention"), projects, s("QuotCustAttention"), customer);
    TDBEdit* reference = FieldEdit(s("TabQuotDataReference"), projects, s("QuotCustReference"), customer);
    TDBEdit* commission = FieldEdit(s("TabQuotDataCommission"), projects, s("Commission"), customer);
    commission->setMaximumWidth(80);
    commission->setAlignment(Qt::AlignRight);
    cGrid->addWidget(name, 0, 0, 1, 2);
    cGrid->addWidget(Caption(s("TabQuotLblCustomerID"), s("ID"), customer, id), 0, 2, Qt::AlignRight);
    cGrid->addWidget(id, 0, 3);
    cGrid->addWidget(Caption(s("TabQuotLblAddress"), s("Address"), customer, address), 1, 0, Qt::AlignTop);
    cGrid->addWidget(address, 1, 1, 1, 3);
    cGrid->addWidget(Caption(s("TabQuotLblAttention"), s("Attention"), customer, attention), 2, 0);
    cGrid->addWidget(attention, 2, 1, 1, 3);
    cGrid->addWidget(Caption(s("TabQuotLblReference"), s("Reference"), customer, reference), 3, 0);
    cGrid->addWidget(reference, 3, 1, 1, 3);
    cGrid->addWidget(Caption(s("TabQuotLblCommission"), s("Commission %"), customer, commission), 4, 0);
    cGrid->addWidget(commission, 4, 1, Qt::AlignLeft);
    cGrid->addWidget(find, 4, 2, 1, 2, Qt::AlignRight);
    cGrid->setColumnStretch(1, 1);
    row->addWidget(customer, 4);

    // Status and comments.
    auto* right = new QWidget(panel);
    auto* rightColumn = new QVBoxLayout(right);
    rightColumn->setContentsMargins(0, 0, 0, 0);
    auto* statusGroup = new QGroupBox(s("Quotation status"), right);
    statusGroup->setObjectName(s("TabQuotGrpStatus"));
    auto* statusLayout = new QVBoxLayout(statusGroup);
    m_status = new TDBLookupComboBox(statusGroup);
    m_status->setObjectName(s("TabDataGrpStatus"));
    m_status->setDataField(s("QuotStatus"));
    m_status->setListSource(&m_data.source(s("SourceLangStatQuotation")));
    m_status->setKeyField(s("Keyword"));
    m_status->setListField(s("UK"));
    m_status->setDataSource(&projects);
    statusLayout->addWidget(m_status);
    rightColumn->addWidget(statusGroup);

    auto* comments = new QTabWidget(right);
    comments->setObjectName(s("TabQuotPagesComments"));
    for (const auto& [sheet, memoName, caption, field] :
         {std::tuple{"TabQuotTabComments", "TabQuotDataComments", "Comments", "QuotComments"},
          std::tuple{"TabQuotTabInternalComments", "TabQuotDataInternalComments", "Internal comments",
                     "QuotCommentsInternal"}}) {
        auto* page = new QWidget;
        page->setObjectName(s(sheet));
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(2, 2, 2, 2);
        auto* memo = new TDBMemo(page);
        memo->setObjectName(s(memoName));
        memo->setDataField(s(field));
        SetFieldColor(*memo, false);
        memo->setDataSource(&projects);
        pageLayout->addWidget(memo);
        comments->addTab(page, s(caption));
    }
    rightColumn->addWidget(comments, 1);
    row->addWidget(right, 4);
    return panel;
}

QWidget* TQuotationPage::buildLines()
{
    db::DataSource& projects = m_data.source(s("SourceProjects"));
    m_linePages = new QTabWidget(this);
    m_linePages->setObjectName(s("PageAddCostPackTrans"));

    // Products: the grid and its sum line sit on one panel that only a
    // project with products shows.
    auto* productsTab = new QWidget;
    productsTab->setObjectName(s("TabQuotTabProducts"));
    auto* productsTabLayout = new QVBoxLayout(productsTab);
    productsTabLayout->setContentsMargins(2, 2, 2, 2);
    m_productsPanel = new QWidget(productsTab);
    m_productsPanel->setObjectName(s("Panel30"));
    auto* panelLayout = new QVBoxLayout(m_productsPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    m_products = PageGrid(s("TabQuotGridProducts"), m_data.source(s("SourceProducts")),
                          lineColumns("Product", true), m_productsPanel);
    KeepSelectionVisible(*m_products);
    DrawAltAddGrid(*m_products);
    ConnectTitleClicks(m_data, *m_products, TFormData::PriceGrid::QuotationProducts);
    connect(m_products, &ThmDBGrid::doubleClicked, this, [this](const QModelIndex& index) {
        db::Dataset* products = m_products->dataset();
        if (!index.isValid() || !products || !products->isActive() || products->isEmpty())
            return;
        emit productActivated(products->fieldByName(s("ID")).asString());
    });
    panelLayout->addWidget(m_products, 1);
    auto* productsSum = new QHBoxLayout;
    QToolButton* up = MoveButton(s("TabQuotBtnUp"), true, m_productsPanel);
    QToolButton* down = MoveButton(s("TabQuotBtnDown"), false, m_productsPanel);
    connect(up, &QToolButton::clicked, this, &TQuotationPage::TabProdListBtnUpClick);
    connect(down, &QToolButton::clicked, this, &TQuotationPage::TabProdListBtnDownClick);
    productsSum->addWidget(up);
    productsSum->addWidget(down);
    productsSum->addSpacing(12);
    productsSum->addWidget(Caption(s("TabQuotLblShowHint"), s("S = Price shown in printouts"), m_productsPanel));
    addSum(*productsSum, s("TabQuotProducts"), projects, "ProjPriceProducts", m_productsPanel);
    panelLayout->addLayout(productsSum);
    productsTabLayout->addWidget(m_productsPanel, 1);
    productsTabLayout->addStretch(0); // takes the room while the panel is hidden
    m_linePages->addTab(productsTab, s("Products"));

    // The project's own lines: typed in, with their navigators.
    auto ownLines = [&](const char* sheet, const char* gridName, const char* nameTitle, const char* source,
                        const char* navigator, const char* prefix, const char* sumField, const char* caption) {
        auto* tab = new QWidget;
        tab->setObjectName(s(sheet));
        auto* tabLayout = new QVBoxLayout(tab);
        tabLayout->setContentsMargins(2, 2, 2, 2);
        db::DataSource& lines = m_data.source(s(source));
        ThmDBGrid* grid = PageGrid(s(gridName), lines, lineColumns(nameTitle, false), tab);
        LookupPickColumn(*grid, s("_CURR_LOOKUP"), s("ProdCurrency"), [this] { return m_data.GetProjCurrencies(); });
        tabLayout->addWidget(grid, 1);
        auto* sum = new QHBoxLayout;
        sum->addWidget(EditNavigator(s(navigator), lines, tab));
        addSum(*sum, s(prefix), projects, sumField, tab);
        tabLayout->addLayout(sum);
        m_linePages->addTab(tab, s(caption));
        return grid;
    };
    m_addCosts = ownLines("TabQuotTabAddCosts", "TabQuotGridAddCosts", "Add.costs", "SourceProjAddCosts",
                          "TabQuotNavAddCosts", "TabQuotAddCosts", "ProjPriceAddCost", "Additional costs");
    m_packTrans = ownLines("TabQuotTabPackTrans", "TabQuotGridPackTrans", "Pack./trans.", "SourceProjPackTrans",
                           "TabQuotNavPackTrans", "TabQuotPackTrans", "ProjPricePackTrans", "Packing and transport");
    return m_linePages;
}

QWidget* TQuotationPage::buildFigures()
{
    db::DataSource& projects = m_data.source(s("SourceProjects"));
    auto* panel = new QWidget(this);
    panel->setObjectName(s("TabQuotPanelFigures"));
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(3);
    // Columns: currency caption, selector, stretch, caption, " -- "/" = ",
    // value, "%".
    grid->setColumnStretch(2, 1);
    const int valueWidth = 130;
    auto caption = [&](const char* name, const char* text) {
        QLabel* label = Caption(s(name), s(text), panel);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return label;
    };

    QLabel* totalCaption = caption("TabQuotLblTotalPrice", "Calculated project price");
    ThmDBStatic* total = FieldText(s("TabQuotDataTotalPrice"), projects, s("_TOTAL_PROJ_PRICE"), panel,
                                   kProjectTotalFormat);
    QFont larger = totalCaption->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.35);
    larger.setBold(true);
    totalCaption->setFont(larger);
    total->setFont(larger);
    total->setMinimumWidth(valueWidth);
    grid->addWidget(totalCaption, 0, 3, 1, 2);
    grid->addWidget(total, 0, 5);

    TDBEdit* manual = FieldEdit(s("TabQuotDataPriceManual"), projects, s("PriceManual"), panel);
    manual->setAlignment(Qt::AlignRight);
    manual->setMinimumWidth(valueWidth);
    connect(manual, &QLineEdit::returnPressed, this, [this, manual] {
        // Return posts the project; the typed price must be in the record first.
        manual->link().writePending(true);
        if (m_data.TabQuotDataPriceManualKeyDown(Qt::Key_Return))
            manual->selectAll();
    });
    grid->addWidget(caption("TabQuotLblPriceManual", "Rounded price"), 1, 3, 1, 2);
    grid->addWidget(manual, 1, 5);

    grid->addWidget(caption("TabQuotLblNLLC", "Sum NLLC"), 2, 3);
    grid->addWidget(caption("TabQuotLblNLLCDash", " -- "), 2, 4);
    ThmDBStatic* nllc = FieldText(s("TabQuotDataNLLC"), projects, s("_TOTAL_PROJ_NLLC"), panel, kProjectTotalFormat);
    grid->addWidget(nllc, 2, 5);

    auto* separator = new QFrame(panel);
    separator->setObjectName(s("TabQuotBevelContrib"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    grid->addWidget(separator, 3, 3, 1, 4);

    grid->addWidget(caption("TabQuotLblContribPercent", "Contrib. %"), 4, 3);
    grid->addWidget(caption("TabQuotLblContribPercentEq", " = "), 4, 4);
    grid->addWidget(FieldText(s("TabQuotDataContribPercent"), projects, s("_TOTAL_CONTRIB_PERCENT"), panel,
                              kContributionPercentFormat),
                    4, 5);
    grid->addWidget(Caption(s("TabQuotLblPercent"), s("%"), panel), 4, 6);

    auto* currency = new TDBListCombo(false, panel);
    currency->setObjectName(s("TabQuotDataCurrency"));
    currency->setDataField(s("ProjCurrency"));
    currency->setSorted(true);
    currency->setListProvider([this] { return m_data.GetProjCurrencies(); });
    currency->setMinimumWidth(80);
    currency->setDataSource(&projects);
    connect(currency, &TDBListCombo::chosen, this, &TQuotationPage::TabQuotDataCurrencyClick);
    grid->addWidget(Caption(s("TabQuotLblCurrency"), s("Quotation currency"), panel, currency), 5, 0);
    grid->addWidget(currency, 5, 1, Qt::AlignLeft);
    grid->addWidget(caption("TabQuotLblContrib", "Contribution "), 5, 3);
    grid->addWidget(caption("TabQuotLblContribEq", " = "), 5, 4);
    grid->addWidget(FieldText(s("TabQuotDataContrib"), projects, s("_TOTAL_CONTRIB"), panel, kProjectTotalFormat),
                    5, 5);
    return panel;
}

void TQuotationPage::UpdateProductsPanel()
{
    const db::Dataset* products = m_data.findTable(s("TableProducts"));
    const bool any = products && products->isActive() && !products->isEmpty();
    m_productsPanel->setVisible(any);
}

bool TQuotationPage::productsPanelShown() const
{
    return !m_productsPanel->isHidden();
}

void TQuotationPage::setLanguage(const QString& language)
{
    db::Dataset& statuses = m_data.table(s("TableLangStatQuotation"));
    if (statuses.isActive() && statuses.findField(language).isValid())
        m_status->setListField(language);
}

void TQuotationPage::TabProdListBtnUpClick()
{
    m_data.MoveItemUp(m_data.table(s("TableProducts")));
}

void TQuotationPage::TabProdListBtnDownClick()
{
    m_data.MoveItemDown(m_data.table(s("TableProducts")));
}

void TQuotationPage::TabQuotDataCurrencyClick(const QString& currency)
{
    m_data.TabQuotDataCurrencyClick(currency);
}

} // namespace kiro
