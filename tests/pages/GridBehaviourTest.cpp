#include "pages/DemoProject.h"

#include "app/core/Messages.h"
#include "controls/ThmDBGrid.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "tree/pages/DetailedPricePage.h"
#include "tree/pages/DocumentPages.h"
#include "tree/pages/GridBehaviour.h"
#include "tree/pages/ItemListPages.h"
#include "tree/pages/QuotationPage.h"

#include <QAction>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>

using namespace kiro;
using namespace kiro::test;

namespace {

class GridBehaviourTest : public DemoProject {};

QModelIndex cell(ThmDBGrid& grid, int row, const char* field)
{
    for (int c = 0; c < grid.columns().size(); ++c)
        if (grid.gridColumn(c).field == s(field))
            return grid.model()->index(row, c);
    ADD_FAILURE() << "no column " << field;
    return {};
}

void click(ThmDBGrid& grid, const QModelIndex& index)
{
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(index).center());
}

// Answers the value box of a title click with `text`.
ScriptedInteraction::Handler answer(const QString& text)
{
    return [text](QDialog& dialog) {
        auto* input = dialog.findChild<QLineEdit*>(s("Input"));
        ASSERT_NE(input, nullptr);
        input->setText(text);
        clickButton(dialog, s("BtnOK"));
    };
}

struct KeyCase {
    const char* name;
    int row;
    const char* field;
    Qt::Key key;
    int expectedRow;
    const char* expectedField;
};

class PreventAdding : public GridBehaviourTest, public ::testing::WithParamInterface<KeyCase> {};

// The product list never creates a product from the keyboard.
TEST_P(PreventAdding, KeysCreateNoRow)
{
    TProductListPage page(m_data);
    show(page);
    ThmDBGrid& grid = *page.grid();
    const QModelIndex start = cell(grid, GetParam().row, GetParam().field);
    grid.setFocus();
    ASSERT_TRUE(grid.moveToRow(GetParam().row));
    grid.setCurrentColumn(start.column());

    QTest::keyClick(&grid, GetParam().key);
    db::Dataset& products = t("TableProducts");
    EXPECT_EQ(products.recordCount(), 3);
    EXPECT_EQ(products.state(), db::DatasetState::Browse);
    EXPECT_EQ(products.recNo() - 1, GetParam().expectedRow);
    EXPECT_EQ(grid.gridColumn(grid.currentColumn()).field, s(GetParam().expectedField));
}

INSTANTIATE_TEST_SUITE_P(Pages, PreventAdding,
                         ::testing::Values(KeyCase{"InsertIgnored", 1, "Description", Qt::Key_Insert, 1, "Description"},
                                           KeyCase{"DownStopsAtTheLastRow", 2, "Qty", Qt::Key_Down, 2, "Qty"},
                                           KeyCase{"TabAtTheEndGoesBackToTheFirstEditableColumn", 2, "AddOption",
                                                   Qt::Key_Tab, 2, "Tag"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridBehaviourTest, ItemRowsAreColouredByTheirRole)
{
    // The item rules never let a row be both; a row from elsewhere (an old
    // file, another program) still draws as an option.
    db::Query both(m_data.database(s("DatabaseProjects")),
                   s("UPDATE Products SET Alternate = 1, AddOption = 1 WHERE ID = :id"));
    both.bindValue(s("id"), m_option);
    both.execSql();
    t("TableProducts").refresh();

    TProductListPage page(m_data);
    auto foreground = [&](int row) {
        return page.grid()->model()->data(cell(*page.grid(), row, "Name"), Qt::ForegroundRole);
    };
    EXPECT_FALSE(foreground(0).isValid()) << "an ordinary row keeps the usual colour";
    EXPECT_EQ(foreground(1).value<QBrush>().color(), kAlternateTextColor);
    EXPECT_EQ(foreground(2).value<QBrush>().color(), kAddOptionTextColor);
}

TEST_F(GridBehaviourTest, PopupGridCopiesTheGridPlainAndTransposed)
{
    TProjDocsPage page(m_data);
    auto* menu = page.grid()->findChild<QMenu*>(s("PopupGrid"));
    ASSERT_NE(menu, nullptr);
    auto action = [&](const char* name) { return menu->findChild<QAction*>(s(name)); };
    ASSERT_NE(action("PopupGridCopyNormal"), nullptr);

    addRow("TableDocuments", {{s("Name"), s("/home/anna/layout.pdf")}});
    action("PopupGridCopyNormal")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), s("Name\n/home/anna/offer-request.pdf\n/home/anna/layout.pdf"));
    action("PopupGridCopyTransformed")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), s("Name\t/home/anna/offer-request.pdf\t/home/anna/layout.pdf"));

    // A grid without titles and rows gives no text: the clipboard keeps what it had.
    page.grid()->setOptions(page.grid()->options().setFlag(ThmDBGrid::Option::Titles, false));
    while (!t("TableDocuments").isEmpty())
        t("TableDocuments").deleteRecord();
    action("PopupGridCopyNormal")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), s("Name\t/home/anna/offer-request.pdf\t/home/anna/layout.pdf"));
}

TEST_F(GridBehaviourTest, TechnicalDataCopyDropsRowsWithoutAValue)
{
    addRow("TableProdTechData", {{s("Property"), s("Flow")}, {s("Value"), s("120")}, {s("Show"), true}});
    addRow("TableProdTechData", {{s("Property"), s("Head")}, {s("Value"), s("  ")}, {s("Show"), true}});
    ThmDBGrid grid;
    grid.setColumns({GridColumn::of(s("Show")), GridColumn::of(s("Property")), GridColumn::of(s("Value"))});
    grid.setDataSource(&m_data.source(s("SourceProdTechData")));
    EXPECT_EQ(ControlToText(grid), s("Property\tValue\nFlow\t120\nHead\t  "));
    EXPECT_EQ(ControlToText(grid, true), s("Property\tValue\nFlow\t120"));
}

// An accessory's Alt box clears the flag of an alternative but never sets
// it: its column is read-only on the rows of ordinary accessories.
TEST_F(GridBehaviourTest, AccessoryAlternateCanOnlyBeCleared)
{
    TAccessoryListPage page(m_data);
    show(page);
    ThmDBGrid& grid = *page.grid();
    db::Dataset& accessories = t("TableAccessories");
    const int altColumn = cell(grid, 0, "Alternate").column();

    click(grid, cell(grid, 1, "Alternate"));
    EXPECT_EQ(accessories.recNo(), 2);
    EXPECT_TRUE(grid.gridModel()->isColumnReadOnly(altColumn));
    EXPECT_FALSE(accessories.fieldByName(s("Alternate")).asBoolean());

    accessories.edit();
    accessories.fieldByName(s("AlternateFor")).setValue(m_accessory);
    accessories.post();
    ASSERT_TRUE(accessories.fieldByName(s("Alternate")).asBoolean());
    click(grid, cell(grid, 1, "Alternate"));
    EXPECT_FALSE(grid.gridModel()->isColumnReadOnly(altColumn));
    EXPECT_FALSE(accessories.fieldByName(s("Alternate")).asBoolean()) << "the click cleared it";
    EXPECT_TRUE(accessories.fieldByName(s("AlternateFor")).asString().isEmpty());
}

TEST_F(GridBehaviourTest, AlternateForCellChoosesTheItemStoodIn)
{
    TProductListPage page(m_data);
    show(page);
    ThmDBGrid& grid = *page.grid();
    QStringList offered;
    m_script.expect(s("DlgAltProdAcc"), [&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), s("Select alternative product"));
        db::Dataset& candidates = t("TableAltProducts");
        for (candidates.first(); !candidates.eof(); candidates.next())
            offered << candidates.fieldByName(s("Name")).asString();
        ASSERT_TRUE(candidates.locate(s("Name"), s("ES 80-200")));
        clickButton(dialog, s("BtnOK"));
    });

    click(grid, cell(grid, 2, "_ALTER_PROD"));
    EXPECT_TRUE(m_script.done());
    // Neither the option itself nor the pump's alternative can be stood in for.
    EXPECT_EQ(offered, QStringList{s("ES 80-200")});
    db::Dataset& products = t("TableProducts");
    EXPECT_EQ(products.fieldByName(s("Name")).asString(), s("VL 65-160"));
    EXPECT_EQ(products.fieldByName(s("AlternateFor")).asString(), m_pump);
    EXPECT_EQ(products.state(), db::DatasetState::Browse);
}

TEST_F(GridBehaviourTest, TitleClickSetsAFactorOnEveryProductLine)
{
    TQuotationPage page(m_data);
    show(page);
    ThmDBGrid& grid = *page.productsGrid();
    m_script.expect(s("DlgInput"), answer(s("ten")));
    m_script.expectMessage(s("19"), MsgCodeOK);
    m_script.expect(s("DlgInput"), answer(s("10")));

    QHeaderView* header = grid.horizontalHeader();
    const int column = cell(grid, 0, "TotalPriceFactorA").column();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    EXPECT_TRUE(m_script.done());
    db::Dataset& products = t("TableProducts");
    for (products.first(); !products.eof(); products.next())
        EXPECT_DOUBLE_EQ(products.fieldByName(s("TotalPriceFactorA")).asFloat(), 10.0);
    // Price/unit 1364 through factor A of 10 %, two units.
    ASSERT_TRUE(products.locate(s("ID"), m_pump));
    EXPECT_NEAR(products.fieldByName(s("TotalPriceQuotPriceSum")).asFloat(),
                2 * products.fieldByName(s("TotalProdPrice")).asFloat() / 0.9, 1e-6);
}

// A title dropped left of the cost price grid takes its column away.
TEST_F(GridBehaviourTest, ColumnDraggedOutOfTheCostGridIsRemoved)
{
    TDetailedPricePage page(m_data);
    show(page);
    ThmDBGrid& grid = *page.costPriceGrid();
    QWidget* header = grid.horizontalHeader()->viewport();
    const int count = int(grid.columns().size());
    const QPoint start(grid.horizontalHeader()->sectionViewportPosition(1) + 10, 5);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, header->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(header, &e);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    const QPoint outside = header->mapFrom(&grid, QPoint(-30, 5));
    send(QEvent::MouseMove, outside, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, outside, Qt::NoButton);
    QApplication::processEvents();
    ASSERT_EQ(grid.columns().size(), count - 1);
    for (const GridColumn& c : grid.columns())
        EXPECT_NE(c.field, s("ListPrice"));

    // A drag that ends inside the grid only moves the column.
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    send(QEvent::MouseMove, start + QPoint(60, 0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, start + QPoint(60, 0), Qt::NoButton);
    QApplication::processEvents();
    EXPECT_EQ(grid.columns().size(), count - 1);
}

// The currency of a project line is picked from the project's currencies
// and prices the line in that currency.
TEST_F(GridBehaviourTest, PickedLineCurrencyRepricesTheLine)
{
    TQuotationPage page(m_data);
    ThmDBGrid& grid = *page.addCostsGrid();
    ASSERT_TRUE(PickLookupValue(grid, s("ProdCurrency"), s("SEK")));
    db::Dataset& lines = t("TableProjAddCosts");
    EXPECT_EQ(lines.state(), db::DatasetState::Browse);
    EXPECT_EQ(lines.fieldByName(s("ProdCurrency")).asString(), s("SEK"));
    EXPECT_NEAR(lines.fieldByName(s("TotalPriceQuotPriceSum")).asFloat(), 500 * 0.087, 1e-9);
    EXPECT_NEAR(t("TableProjects").fieldByName(s("ProjPriceAddCost")).asFloat(), 500 * 0.087, 1e-9);
    EXPECT_EQ(grid.model()->data(cell(grid, 0, "_CURR_LOOKUP")).toString(), s("SEK"));
}

} // namespace

namespace {

// Boolean columns are never copied and columns empty in every row are
// dropped; with nothing left, the copy is the title line of what is shown.
TEST_F(GridBehaviourTest, CopyOfAGridWithOnlyACheckBoxFilledIsItsTitleLine)
{
    ThmDBGrid grid;
    grid.setColumns({CheckColumn(s("Show"), s("S")), PageColumn(s("Comment"), QString(), false),
                     PageColumn(s("Description"), s("Other"), false)});
    grid.setDataSource(&m_data.source(s("SourceAddCosts")));
    EXPECT_EQ(ControlToText(grid), s("Other\nCrating"));
    t("TableAddCosts").edit();
    t("TableAddCosts").fieldByName(s("Description")).clear();
    t("TableAddCosts").post();
    EXPECT_EQ(ControlToText(grid), s("Comment\tOther"));
    EXPECT_EQ(TransposeText(ControlToText(grid)), s("Comment\nOther"));
}

} // namespace
