#include "tree/pages/ProjectInfoPage.h"

#include "controls/DBControls.h"
#include "controls/ThmDBGrid.h"
#include "data/FormData.h"
#include "db/DataSource.h"
#include "tree/pages/GridBehaviour.h"
#include "tree/pages/PageWidgets.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// The status lines and the order lists share their column widths, so
// that the headings stand above both.
constexpr int kStatusWidth = 180;
constexpr int kDateWidth = 110;

// A read-only list of the project's orders: status, date, number.
ThmDBGrid* ordersGrid(const QString& name, db::DataSource& orders, QWidget* parent)
{
    const ThmDBGrid::Options options =
        (ThmDBGrid::defaultOptions() | ThmDBGrid::Option::RowSelect) &
        ~(ThmDBGrid::Option::Titles | ThmDBGrid::Option::Editing | ThmDBGrid::Option::Indicator);
    ThmDBGrid* grid = PageGrid(name, orders,
                               {PageColumn(s("_STATUS"), QString(), true, kStatusWidth),
                                PageColumn(s("StatusDate"), QString(), true, kDateWidth),
                                PageColumn(s("OrderNumber"), QString(), true, 140)},
                               parent, options.toInt());
    grid->setReadOnly(true);
    grid->horizontalHeader()->setStretchLastSection(true);
    const int row = grid->verticalHeader()->defaultSectionSize();
    grid->setMinimumHeight(row * 2 + 4);
    grid->setMaximumHeight(row * 4 + 4);
    return grid;
}

} // namespace

TProjectInfoPage::TProjectInfoPage(TFormData& data, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(s("TabProjInfoPage"));
    db::DataSource& projects = data.source(s("SourceProjects"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);

    // Status: the radio group on the left, one status line beside each of
    // its items.
    auto* statusPanel = new QWidget(this);
    auto* grid = new QGridLayout(statusPanel);
    grid->setContentsMargins(0, 0, 0, 0);
    m_status = new TDBRadioGroup(statusPanel);
    m_status->setObjectName(s("TabProjInfoRadioStatus"));
    m_status->setTitle(s("Project status"));
    m_status->setItems({s("Quotation"), s("Customer order"), s("Purchase order")});
    m_status->setStoredValues({s("1"), s("2"), s("3")});
    m_status->setDataField(s("ProjectStatus"));
    m_status->setReadOnly(true);
    m_status->setDataSource(&projects);
    grid->addWidget(m_status, 1, 0, 3, 1, Qt::AlignTop);

    grid->addWidget(Caption(s("TabProjInfoLblStatus"), s("Status"), statusPanel), 0, 1);
    grid->addWidget(Caption(s("TabProjInfoLblDate"), s("Date"), statusPanel), 0, 2);
    grid->addWidget(Caption(s("TabProjInfoLblOrder"), s("Order"), statusPanel), 0, 3);
    ThmDBStatic* quotStatus = FieldText(s("TabProjInfoDataQuotStat"), projects, s("_QUOTSTATUS"), statusPanel);
    quotStatus->setFixedWidth(kStatusWidth);
    ThmDBStatic* quotDate = FieldText(s("TabProjInfoDataQuotDate"), projects, s("ProjectStatusDateQuot"), statusPanel);
    quotDate->setFixedWidth(kDateWidth);
    grid->addWidget(quotStatus, 1, 1);
    grid->addWidget(quotDate, 1, 2);
    m_custOrders = ordersGrid(s("HMDBGrid1"), data.source(s("SourceCustOrders")), statusPanel);
    m_purchOrders = ordersGrid(s("HMDBGrid2"), data.source(s("SourcePurchOrders")), statusPanel);
    grid->addWidget(m_custOrders, 2, 1, 1, 3);
    grid->addWidget(m_purchOrders, 3, 1, 1, 3);
    grid->setHorizontalSpacing(0);
    grid->setColumnMinimumWidth(0, m_status->sizeHint().width() + 12);
    grid->setColumnMinimumWidth(1, kStatusWidth);
    grid->setColumnMinimumWidth(2, kDateWidth);
    grid->setColumnStretch(3, 1);
    layout->addWidget(statusPanel);

    // Creation and last change.
    auto* creation = new QGroupBox(s("Project creation"), this);
    creation->setObjectName(s("TabProjInfoGrpCreation"));
    auto* form = new QFormLayout(creation);
    for (const auto& [name, label, caption, field] :
         {std::tuple{"TabProjInfoDataRevision", "TabProjInfoLblRevision", "Revision", "Revision"},
          std::tuple{"TabProjInfoDataCreated", "TabProjInfoLblCreated", "Creation date", "ProjectCreated"},
          std::tuple{"TabProjInfoDataCreatedBy", "TabProjInfoLblCreatedBy", "Created by", "ProjectCreatedBy"},
          std::tuple{"TabProjInfoDataModified", "TabProjInfoLblModified", "Last modified", "ProjectModified"},
          std::tuple{"TabProjInfoDataModifiedBy", "TabProjInfoLblModifiedBy", "Modified by", "ProjectModifiedBy"}}) {
        ThmDBStatic* text = FieldText(s(name), projects, s(field), creation);
        text->setMinimumWidth(220);
        form->addRow(Caption(s(label), s(caption), creation), text);
    }
    layout->addWidget(creation, 0, Qt::AlignLeft);
    layout->addStretch(1);
}

} // namespace kiro
