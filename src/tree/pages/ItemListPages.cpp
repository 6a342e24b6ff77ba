#include "tree/pages/ItemListPages.h"

#include "controls/ThmDBGrid.h"
#include "data/FormData.h"
#include "db/Dataset.h"
#include "tree/pages/GridBehaviour.h"
#include "tree/pages/PageWidgets.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

QList<GridColumn> itemColumns(bool products)
{
    GridColumn itemClass = PageColumn(s("Class"), QString(), true, 44);
    itemClass.alignment = Qt::AlignCenter;
    QList<GridColumn> columns{
        PageColumn(s("Tag"), QString(), false, 60),
        PageColumn(s("Name"), QString(), true, 160),
        PageColumn(s("Description"), QString(), false, 240),
        itemClass,
        PageColumn(s("Qty"), QString(), false, 40),
    };
    if (products)
        columns << CheckColumn(s("TORVA"), s("A"), true);
    columns << CheckColumn(s("PDB"), s("P"), true) << CheckColumn(s("External"), s("E"), true)
            << CheckColumn(s("Alternate"), s("Alt"), false, 30)
            << PageColumn(products ? s("_ALTER_PROD") : s("_ALTER_ACC"), s("Alternate for"), true, 160)
            << CheckColumn(s("AddOption"), s("O"));
    return columns;
}

} // namespace

TItemListPage::TItemListPage(TFormData& data, Kind kind, QWidget* parent)
    : QWidget(parent)
    , m_data(data)
    , m_kind(kind)
{
    const bool products = kind == Kind::Products;
    const QString prefix = products ? s("TabProdList") : s("TabAccList");
    setObjectName(prefix + s("Page"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    m_grid = PageGrid(prefix + s("Grid"), data.source(products ? s("SourceProducts") : s("SourceAccessories")),
                      itemColumns(products), this);
    KeepSelectionVisible(*m_grid);
    DrawAltAddGrid(*m_grid);
    ConnectGridAlternate(data, *m_grid);
    if (!products)
        m_grid->setHmOnBeforeEditing(GridBeforeEditingAlternate);
    layout->addWidget(m_grid, 1);

    auto* buttons = new QHBoxLayout;
    m_up = MoveButton(prefix + s("BtnUp"), true, this);
    m_down = MoveButton(prefix + s("BtnDown"), false, this);
    connect(m_up, &QToolButton::clicked, this, &TItemListPage::moveUp);
    connect(m_down, &QToolButton::clicked, this, &TItemListPage::moveDown);
    buttons->addWidget(m_up);
    buttons->addWidget(m_down);
    buttons->addStretch(1);
    layout->addLayout(buttons);
}

db::Dataset& TItemListPage::items() const
{
    return m_data.table(m_kind == Kind::Products ? s("TableProducts") : s("TableAccessories"));
}

void TItemListPage::moveUp()
{
    m_data.MoveItemUp(items());
}

void TItemListPage::moveDown()
{
    m_data.MoveItemDown(items());
}

TProductListPage::TProductListPage(TFormData& data, QWidget* parent)
    : TItemListPage(data, Kind::Products, parent)
{}

TAccessoryListPage::TAccessoryListPage(TFormData& data, QWidget* parent)
    : TItemListPage(data, Kind::Accessories, parent)
{}

} // namespace kiro
