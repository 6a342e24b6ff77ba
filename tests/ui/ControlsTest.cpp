#include "app/FormTranslation.h"
#include "app/core/Messages.h"
#include "controls/DBControls.h"
#include "controls/TDBNavigator.h"
#include "controls/ThmDBGrid.h"
#include "controls/ThmScrollBox.h"
#include "db/Connection.h"
#include "db/DataSource.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "support/QtPrinters.h"
#include "support/RecordingInteraction.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <memory>

using namespace kiro;

namespace {

db::TableDef itemsTable()
{
    db::TableDef t;
    t.name = QStringLiteral("Items");
    t.fields = {
        db::FieldDef::text("ID", 10).asRequired(),
        db::FieldDef::text("Name", 20),
        db::FieldDef::integer("Qty"),
        db::FieldDef::boolean("Done").withDefault("False"),
        db::FieldDef::boolean("Extra").withDefault("False"),
        db::FieldDef::memo("Notes"),
        db::FieldDef::dateTime("Created"),
        db::FieldDef::text("Kind", 10),
    };
    t.primaryKey = {QStringLiteral("ID")};
    return t;
}

db::TableDef kindsTable()
{
    db::TableDef t;
    t.name = QStringLiteral("Kinds");
    t.fields = {db::FieldDef::text("Code", 10).asRequired(), db::FieldDef::text("Title", 30)};
    t.primaryKey = {QStringLiteral("Code")};
    return t;
}

// A fresh database per test with a table of items (ID A1, A2, ... in key
// order) and a data source on it; messages are recorded, not shown.
class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_db.open(m_dir.path(), db::Connection::OpenMode::CreateIfMissing);
        m_db.createTable(itemsTable());
        m_db.createTable(kindsTable());
    }

    void addItem(const QString& id, const QString& name, bool done = false, const QString& notes = QString())
    {
        auto st = m_db.statement(
            QStringLiteral("INSERT INTO Items (ID, Name, Qty, Done, Extra, Notes) VALUES (?, ?, 1, ?, 0, ?)"));
        st->bind(0, id);
        st->bind(1, name);
        st->bind(2, done);
        st->bind(3, notes.isEmpty() ? QVariant() : QVariant(notes));
        st->step();
    }
    void addItems(int count)
    {
        Transaction t(m_db);
        for (int i = 1; i <= count; ++i) {
            addItem(QStringLiteral("A%1").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("Item %1").arg(i));
        }
        t.commit();
    }
    // A1 .. A5 with names One .. Five; A2 and A4 done.
    void addFive()
    {
        const char* names[] = {"One", "Two", "Three", "Four", "Five"};
        for (int i = 0; i < 5; ++i) {
            addItem(QStringLiteral("A%1").arg(i + 1), QString::fromLatin1(names[i]), i % 2 == 1);
        }
    }

    db::Dataset& openItems(bool readOnly = false)
    {
        m_items = std::make_unique<db::Dataset>(m_db, QStringLiteral("Items"));
        m_items->setReadOnly(readOnly);
        m_items->open();
        m_source.setDataset(m_items.get());
        return *m_items;
    }

    // The value as the file holds it.
    QVariant stored(const QString& id, const QString& field)
    {
        auto st = m_db.statement(QStringLiteral("SELECT \"%1\" FROM Items WHERE ID = ?").arg(field));
        st->bind(0, id);
        return st->step() ? st->naturalValue(0) : QVariant();
    }
    int storedCount()
    {
        auto st = m_db.statement(QStringLiteral("SELECT COUNT(*) FROM Items"));
        st->step();
        return st->naturalValue(0).toInt();
    }

    using Transaction = db::Transaction;

    QTemporaryDir m_dir;
    db::Connection m_db;
    std::unique_ptr<db::Dataset> m_items;
    db::DataSource m_source;
    test::RecordingInteraction m_messages;
};

void showActive(QWidget& w)
{
    w.resize(640, 400);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

QList<GridColumn> itemColumns()
{
    GridColumn id = GridColumn::of(QStringLiteral("ID"));
    id.readOnly = true;
    return {id, GridColumn::of(QStringLiteral("Name")), GridColumn::of(QStringLiteral("Qty")),
            GridColumn::of(QStringLiteral("Done")), GridColumn::of(QStringLiteral("Notes"))};
}
constexpr int kColId = 0, kColName = 1, kColQty = 2, kColDone = 3, kColNotes = 4;

void clickCell(ThmDBGrid& grid, int row, int column, Qt::KeyboardModifiers modifiers = {})
{
    const QRect r = grid.visualRect(grid.model()->index(row, column));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, modifiers, r.center());
}

void selectCell(ThmDBGrid& grid, int row, int column)
{
    grid.moveToRow(row);
    grid.setCurrentColumn(column);
}

// The open cell editor (closed ones wait for deletion until the event loop runs).
QLineEdit* cellEditor(ThmDBGrid& grid)
{
    for (QLineEdit* editor : grid.viewport()->findChildren<QLineEdit*>()) {
        if (editor->isVisible()) {
            return editor;
        }
    }
    return nullptr;
}

// Types into the current cell: the first key opens the cell editor.
QLineEdit* typeInCell(ThmDBGrid& grid, const QString& text)
{
    QTest::keyClick(&grid, text.at(0).toLatin1());
    QLineEdit* editor = cellEditor(grid);
    if (editor) {
        QTest::keyClicks(editor, text.mid(1));
    }
    return editor;
}

} // namespace

// --- the grid ------------------------------------------------------------------------------

TEST_F(ControlsTest, GridFollowsTheCursorBothWaysWithoutResets)
{
    addFive();
    db::Dataset& items = openItems();
    ThmDBGrid grid;
    grid.setColumns(itemColumns());
    grid.setDataSource(&m_source);
    showActive(grid);
    QSignalSpy resets(grid.model(), &QAbstractItemModel::modelReset);

    ASSERT_EQ(grid.model()->rowCount(), 5);
    items.setRecNo(4);
    EXPECT_EQ(grid.currentIndex().row(), 3);

    clickCell(grid, 1, kColName);
    EXPECT_EQ(items.recNo(), 2);
    EXPECT_EQ(grid.model()->data(grid.model()->index(4, kColName)).toString(), QStringLiteral("Five"));

    items.edit();
    items.fieldByName(QStringLiteral("Name")).setValue(QStringLiteral("Deux"));
    EXPECT_EQ(grid.model()->data(grid.model()->index(1, kColName)).toString(), QStringLiteral("Deux"))
        << "the record being edited shows its buffer";
    items.post();
    EXPECT_EQ(resets.count(), 0) << "moves, field changes and a post that keeps the rows do not reset";

    items.append();
    EXPECT_EQ(grid.model()->rowCount(), 6);
    EXPECT_EQ(grid.currentIndex().row(), 5);
    items.cancel();
    EXPECT_EQ(grid.model()->rowCount(), 5);
}

TEST_F(ControlsTest, GridInsertShowsTheNewRowAtItsPlace)
{
    addFive();
    db::Dataset& items = openItems();
    ThmDBGrid grid;
    grid.setColumns(itemColumns());
    grid.setDataSource(&m_source);

    items.setRecNo(3);
    items.insert();
    items.fieldByName(QStringLiteral("Name")).setValue(QStringLiteral("New"));
    QAbstractItemModel& model = *grid.model();
    ASSERT_EQ(model.rowCount(), 6);
    EXPECT_EQ(grid.currentIndex().row(), 2);
    EXPECT_EQ(model.data(model.index(2, kColName)).toString(), QStringLiteral("New"));
    EXPECT_EQ(model.data(model.index(3, kColName)).toString(), QStringLiteral("Three"));
    EXPECT_EQ(model.headerData(2, Qt::Vertical).toString(), QStringLiteral("*"));
}

// A post that moves or drops the record being left must not make the grid
// land on another row than the one clicked.
TEST_F(ControlsTest, GridLandsOnTheClickedRowWhenThePostReordersRows)
{
    addFive();
    db::Dataset& items = openItems();
    ThmDBGrid grid;
    grid.setColumns(itemColumns());
    grid.setDataSource(&m_source);
    showActive(grid);

    items.first();
    items.edit();
    items.fieldByName(QStringLiteral("ID")).setValue(QStringLiteral("A9")); // sorts last once posted
    clickCell(grid, 2, kColName);                                           // "Three" as shown now
    EXPECT_EQ(items.fieldByName(QStringLiteral("Name")).asString(), QStringLiteral("Three"));
    EXPECT_EQ(stored(QStringLiteral("A9"), QStringLiteral("Name")).toString(), QStringLiteral("One"));

    items.last();
    items.insert(); // before "One" (now the last row), shown at row 4
    items.fieldByName(QStringLiteral("ID")).setValue(QStringLiteral("A0"));
    clickCell(grid, 3, kColName); // "Five"
    EXPECT_EQ(items.fieldByName(QStringLiteral("Name")).asString(), QStringLiteral("Five"));
    EXPECT_EQ(storedCount(), 6);
}

// Parameters print as their names.
template <typename Case>
requires requires(const Case& c)
{
    c.name;
}
void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

struct LeaveRowCase {
    const char* name;
    std::function<void(ThmDBGrid&, QLineEdit*, db::Dataset&)> leave;
    bool staysOnRow;
};

class GridLeaveRow : public ControlsTest, public ::testing::WithParamInterface<LeaveRowCase> {};

TEST_P(GridLeaveRow, PostsTheTypedValue)
{
    addFive();
    db::Dataset& items = openItems();
    ThmDBGrid grid;
    grid.setColumns(itemColumns());
    grid.setDataSource(&m_source);
    showActive(grid);
    selectCell(grid, 0, kColName);

    QLineEdit* editor = typeInCell(grid, QStringLiteral("Zed"));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(items.state(), db::DatasetState::Edit) << "the first key typed starts the edit";
    GetParam().leave(grid, editor, items);

    EXPECT_EQ(items.state(), db::DatasetState::Browse);
    EXPECT_EQ(stored(QStringLiteral("A1"), QStringLiteral("Name")).toString(), QStringLiteral("Zed"));
    EXPECT_EQ(items.recNo() == 1, GetParam().staysOnRow);
    EXPECT_TRUE(m_messages.messages().isEmpty()) << m_messages.messages().join(u'|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Controls, GridLeaveRow,
    ::testing::Values(
        LeaveRowCase{"ReturnInTheEditor",
                     [](ThmDBGrid&, QLineEdit* e, db::Dataset&) { QTest::keyClick(e, Qt::Key_Return); }, true},
        LeaveRowCase{"DownInTheEditor",
                     [](ThmDBGrid&, QLineEdit* e, db::Dataset&) { QTest::keyClick(e, Qt::Key_Down); }, false},
        LeaveRowCase{"ClickOnAnotherRow", [](ThmDBGrid& g, QLineEdit*, db::Dataset&) { clickCell(g, 3, kColQty); },
                     false},
        LeaveRowCase{"DatasetMovedElsewhere", [](ThmDBGrid&, QLineEdit*, db::Dataset& ds) { ds.next(); }, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlsTest, GridRefusedValueKeepsTheRecordAndTellsWhy)
{
    addFive();
    db::Dataset& items = openItems();
    ThmDBGrid grid;
    grid.setColumns(itemColumns());
    grid.setDataSource(&m_source);
    showActive(grid);

    selectCell(grid, 0, kColQty);
    QLineEdit* editor = typeInCell(grid, QStringLiteral("lots"));
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Down);
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_TRUE(m_messages.messages().first().contains(QStringLiteral("Qty")))
        << m_messages.messages().first().toStdString();
    EXPECT_EQ(items.recNo(), 1) << "the grid stays on the record that could not be posted";
    EXPECT_EQ(items.state(), db::DatasetState::Edit);
    EXPECT_EQ(stored(QStringLiteral("A1"), QStringLiteral("Qty")).toInt(), 1);

    // A new record without its required key: the post fails, the typed name stays.
    m_messages.clear();
    items.cancel();
    items.insert();
    selectCell(grid, 0, kColName);
    editor = typeInCell(grid, QStringLiteral("Nameless"));
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_TRUE(m_messages.messages().first().contains(QStringLiteral("ID")));
    EXPECT_EQ(items.state(), db::DatasetState::Insert);
    EXPECT_EQ(items.fieldByName(QStringLiteral("Name")).asString(), QStringLiteral("Nameless"));
    EXPECT_EQ(storedCount(), 5);
}

struct ToggleCase {
    const char* name;
    std::function<void(ThmDBGrid&)> act;
    bool toggles;
};

class GridToggle : public ControlsTest, public ::testing::WithParamInterface<ToggleCase> {};

TEST_P(GridToggle, FlipsAndPostsTheBoolean)
{
    addFive();
    db::Dataset& items = openItems();
    ThmDBGrid grid;
    grid.setColumns(itemColumns());
    grid.setDataSource(&m_source);
    showActive(grid);
    selectCell(grid, 1, kColName); // "Two", done
    items.setRecNo(3);             // "Three", not done
    grid.setCurrentColumn(kColDone);

    GetParam().act(grid);
    EXPECT_EQ(items.recNo(), 3);
    EXPECT_EQ(items.state(), db::DatasetState::Browse);
    EXPECT_EQ(stored(QStringLiteral("A3"), QStringLiteral("Done")).toBool(), GetParam().toggles);
    EXPECT_EQ(cellEditor(grid), nullptr) << "no cell editor opens";
}

INSTANTIATE_TEST_SUITE_P(
    Controls, GridToggle,
    ::testing::Values(ToggleCase{"Click", [](ThmDBGrid& g) { clickCell(g, 2, kColDone); }, true},
                      ToggleCase{"F2", [](ThmDBGrid& g) { QTest::keyClick(&g, Qt::Key_F2); }, true},
                      ToggleCase{"Return", [](ThmDBGrid& g) { QTest::keyClick(&g, Qt::Key_Return); }, true},
                      ToggleCase{"Space", [](ThmDBGrid& g) { QTest::keyClick(&g, Qt::Key_Space); }, true},
                      ToggleCase{"ShiftSpace",
                                 [](ThmDBGrid& g) { QTest::keyClick(&g, Qt::Key_Space, Qt::ShiftModifier); }, false},
                      ToggleCase{"DoubleClickIsTwoClicks",
                                 [](ThmDBGrid& g) {
                                     // What a window system delivers: press, release, double click, release.
                                     const QPoint at = g.visualRect(g.model()->index(2, kColDone)).center();
                                     QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, at);
                                     QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, at);
                                     QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, at);
                                 },
                                 false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlsTest, GridBooleanClickMovesToTheRowOnlyWhenEditingIsAllowed)
{
    addFive();
    db::Dataset& items = openItems();
    ThmDBGrid grid;
    grid.setColumns(itemColumns());
    grid.setDataSource(&m_source);
    showActive(grid);

    clickCell(grid, 4, kColDone);
    EXPECT_EQ(items.recNo(), 5);
    EXPECT_TRUE(stored(QStringLiteral("A5"), QStringLiteral("Done")).toBool());

    grid.setOptions(ThmDBGrid::defaultOptions() & ~ThmDBGrid::Options(ThmDBGrid::Option::Editing));
    clickCell(grid, 2, kColDone);
    EXPECT_EQ(items.recNo(), 5) << "a read-only grid does not even select the row";
    EXPECT_FALSE(stored(QStringLiteral("A3"), QStringLiteral("Done")).toBool());
}

// The accessory list's rule: a check box may clear its flag but never set it.
TEST_F(ControlsTest, GridBeforeEditingDecidesOnTheClickedRecord)
{
    addFive();
    db::Dataset& items = openItems();
    ThmDBGrid grid;
    grid.setColumns(itemColumns());
    grid.setDataSource(&m_source);
    QStringList heard;
    grid.setHmOnBeforeEditing([&](ThmDBGrid& g, const db::Field& field, int column) {
        heard << QStringLiteral("%1@%2:%3").arg(field.name()).arg(column).arg(field.dataset()->recNo());
        if (field.name() == QLatin1String("Done")) {
            g.setColumnReadOnly(column, !field.asBoolean());
        }
        return field.name() != QLatin1String("Qty"); // Qty cells refuse every editor
    });
    showActive(grid);

    clickCell(grid, 2, kColDone); // "Three", not done: stays
    clickCell(grid, 3, kColDone); // "Four", done: cleared
    EXPECT_FALSE(stored(QStringLiteral("A3"), QStringLiteral("Done")).toBool());
    EXPECT_FALSE(stored(QStringLiteral("A4"), QStringLiteral("Done")).toBool());
    EXPECT_EQ(heard.mid(0, 2), (QStringList{QStringLiteral("Done@3:3"), QStringLiteral("Done@3:4")}));

    grid.setCurrentColumn(kColQty);
    QTest::keyClick(&grid, '7');
    EXPECT_EQ(cellEditor(grid), nullptr) << "a refusing handler keeps the editor closed";
    EXPECT_EQ(items.state(), db::DatasetState::Browse);
    EXPECT_EQ(heard.last(), QStringLiteral("Qty@2:4"));
}

struct KeyRuleCase {
    const char* name;
    int row;
    int column;
    Qt::Key key;
    int expectedRow;
    int expectedColumn;
};

class GridKeyRules : public ControlsTest, public ::testing::WithParamInterface<KeyRuleCase> {};

// The keyboard never creates a record; Tab wraps between the editable
// columns (ID and Notes are read-only here, so they run from Name to Done).
TEST_P(GridKeyRules, MoveWithoutAddingRows)
{
    addFive();
    db::Dataset& items = openItems();
    QList<GridColumn> columns = itemColumns();
    columns[kColNotes].readOnly = true;
    ThmDBGrid grid;
    grid.setColumns(columns);
    grid.setDataSource(&m_source);
    showActive(grid);
    selectCell(grid, GetParam().row, GetParam().column);

    QTest::keyClick(&grid, GetParam().key);
    EXPECT_EQ(grid.model()->rowCount(), 5);
    EXPECT_EQ(items.state(), db::DatasetState::Browse);
    EXPECT_EQ(items.recNo() - 1, GetParam().expectedRow);
    EXPECT_EQ(grid.currentIndex().row(), GetParam().expectedRow);
    EXPECT_EQ(grid.currentColumn(), GetParam().expectedColumn);
    EXPECT_EQ(storedCount(), 5);
}

INSTANTIATE_TEST_SUITE_P(Controls, GridKeyRules,
                         ::testing::Values(KeyRuleCase{"InsertIgnored", 2, kColName, Qt::Key_Insert, 2, kColName},
                                           KeyRuleCase{"DownMoves", 2, kColName, Qt::Key_Down, 3, kColName},
                                           KeyRuleCase{"DownStopsAtTheLastRow", 4, kColName, Qt::Key_Down, 4, kColName},
                                           KeyRuleCase{"TabToTheNextColumn", 1, kColName, Qt::Key_Tab, 1, kColQty},
                                           KeyRuleCase{"TabWrapsToTheNextRow", 1, kColDone, Qt::Key_Tab, 2, kColName},
                                           KeyRuleCase{"TabFromReadOnlyTail", 1, kColNotes, Qt::Key_Tab, 2, kColName},
                                           KeyRuleCase{"TabAtTheEndStaysOnTheLastRow", 4, kColDone, Qt::Key_Tab, 4,
                                                       kColName}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlsTest, GridTabInTheEditorFollowsTheSameRule)
{
    addFive();
    db::Dataset& items = openItems();
    ThmDBGrid grid;
    grid.setColumns(itemColumns());
    grid.setDataSource(&m_source);
    showActive(grid);
    selectCell(grid, 4, kColQty);

    // Qty is not the last editable column (Done and Notes are): Tab goes on to Done.
    QLineEdit* editor = typeInCell(grid, QStringLiteral("5"));
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(grid.currentColumn(), kColDone);
    grid.setCurrentColumn(kColNotes);
    QTest::keyClick(&grid, Qt::Key_Tab);
    EXPECT_EQ(grid.currentColumn(), kColName);
    EXPECT_EQ(items.recNo(), 5);
    EXPECT_EQ(storedCount(), 5);
    EXPECT_EQ(items.state(), db::DatasetState::Edit) << "there is no next record to post for";
    EXPECT_EQ(items.fieldByName(QStringLiteral("Qty")).asInteger(), 5);
}

TEST_F(ControlsTest, GridMemoCellsShowTheirLinesAndNeverOpenAnEditor)
{
    addItem(QStringLiteral("A1"), QStringLiteral("One"), false, QStringLiteral("first line\nsecond line"));
    db::Dataset& items = openItems();
    ThmDBGrid grid;
    grid.setColumns(itemColumns());
    grid.setDataSource(&m_source);
    showActive(grid);

    const QModelIndex memo = grid.model()->index(0, kColNotes);
    EXPECT_EQ(memo.data().toString(), QStringLiteral("first line\nsecond line"));
    EXPECT_FALSE(memo.flags() & Qt::ItemIsEditable);
    grid.setCurrentColumn(kColNotes);
    QTest::keyClick(&grid, Qt::Key_F2);
    QTest::keyClick(&grid, 'x');
    EXPECT_EQ(cellEditor(grid), nullptr);
    EXPECT_EQ(items.state(), db::DatasetState::Browse);
    grid.grab(); // draws the memo and check-box cells
}

TEST_F(ControlsTest, GridColumnsRowColoursAndTitles)
{
    addFive();
    openItems();
    QList<GridColumn> columns = itemColumns();
    columns[kColName].color = QColor(Qt::yellow);
    columns[kColName].titleBold = true;
    columns[kColQty].title = QStringLiteral("Quantity");
    columns[kColNotes].visible = false;
    columns[kColNotes].width = 33;
    QWidget form; // declared first: it outlives the grid it holds for the translation
    form.setObjectName(QStringLiteral("DlgItems"));
    ThmDBGrid grid;
    grid.setColumns(columns);
    grid.setDataSource(&m_source);
    // Additional options green before alternatives blue.
    grid.setRowColorHandler([&](int row) {
        if (grid.rowValue(row, QStringLiteral("Extra")).toBool()) {
            return QColor(0x00, 0x80, 0x00);
        }
        return grid.rowValue(row, QStringLiteral("Done")).toBool() ? QColor(0x00, 0x00, 0xFF) : QColor();
    });
    m_items->setRecNo(2);
    m_items->edit();
    m_items->fieldByName(QStringLiteral("Extra")).setValue(true);
    m_items->post();

    QAbstractItemModel& model = *grid.model();
    EXPECT_EQ(model.data(model.index(1, kColId), Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 0x80, 0));
    EXPECT_EQ(model.data(model.index(3, kColId), Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 0, 0xFF));
    EXPECT_FALSE(model.data(model.index(0, kColId), Qt::ForegroundRole).isValid());
    EXPECT_EQ(model.data(model.index(0, kColName), Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::yellow));
    EXPECT_EQ(model.data(model.index(0, kColQty), Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_TRUE(model.headerData(kColName, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(model.headerData(kColQty, Qt::Horizontal).toString(), QStringLiteral("Quantity"));
    EXPECT_EQ(model.headerData(kColId, Qt::Horizontal).toString(), QStringLiteral("ID")) << "no title: the field";
    EXPECT_TRUE(grid.isColumnHidden(kColNotes));

    // The window translation sets the titles by component name.
    struct Source : TranslationSource {
        bool isOpen() const override { return true; }
        std::optional<QString> lookup(const QString& name) const override
        {
            return name == QLatin1String("GridItems") ? std::optional<QString>(QStringLiteral("Nr;Namn;Antal"))
                                                      : std::nullopt;
        }
        std::optional<QString> menuText(const QString&) const override { return std::nullopt; }
        std::optional<QString> toolButtonText(const QString&) const override { return std::nullopt; }
    };
    grid.setParent(&form);
    grid.setObjectName(QStringLiteral("GridItems"));
    translateForm(form, Source());
    EXPECT_EQ(model.headerData(kColName, Qt::Horizontal).toString(), QStringLiteral("Namn"));
    EXPECT_EQ(model.headerData(kColQty, Qt::Horizontal).toString(), QStringLiteral("Antal"));
}

// A toggle whose post fails is not silently dropped: the user is told and
// the record keeps the new value in edit state.
TEST_F(ControlsTest, GridToggleThatCannotBeStoredIsReported)
{
    addFive();
    db::Dataset& items = openItems();
    ThmDBGrid grid;
    grid.setColumns(itemColumns());
    grid.setDataSource(&m_source);
    showActive(grid);
    m_db.exec(QStringLiteral("DELETE FROM Items WHERE ID = 'A3'")); // another workstation

    clickCell(grid, 2, kColDone);
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_TRUE(m_messages.messages().first().contains(QStringLiteral("deleted")))
        << m_messages.messages().first().toStdString();
    EXPECT_EQ(items.state(), db::DatasetState::Edit);
    EXPECT_TRUE(items.fieldByName(QStringLiteral("Done")).asBoolean());
}

TEST_F(ControlsTest, GridDeleteWithConfirmationAndCancelOnExit)
{
    addFive();
    db::Dataset& items = openItems();
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto& grid = *new ThmDBGrid(&form);
    auto& other = *new QLineEdit(&form);
    layout->addWidget(&grid);
    layout->addWidget(&other);
    grid.setColumns(itemColumns());
    grid.setDataSource(&m_source);
    showActive(form);
    grid.setFocus();

    selectCell(grid, 1, kColName);
    m_messages.answer(MsgCodeCancel);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(storedCount(), 5);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier); // the default answer is OK
    EXPECT_EQ(storedCount(), 4);
    EXPECT_TRUE(stored(QStringLiteral("A2"), QStringLiteral("Name")).isNull());

    items.insert();
    other.setFocus();
    EXPECT_EQ(items.state(), db::DatasetState::Browse) << "an untouched new record is cancelled on leaving";
    EXPECT_EQ(grid.model()->rowCount(), 4);
}

struct CopyCase {
    const char* name;
    QList<GridColumn> columns;
    bool titles;
    QString expected;
};

class GridCopy : public ControlsTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(GridCopy, GivesTheVisibleTextColumns)
{
    addItem(QStringLiteral("A1"), QStringLiteral("One"), true);
    addItem(QStringLiteral("A2"), QStringLiteral("Two"), false, QStringLiteral("two\nlines"));
    db::Dataset& items = openItems();
    items.last();
    ThmDBGrid grid;
    grid.setColumns(GetParam().columns);
    grid.setDataSource(&m_source);
    ThmDBGrid::Options options = ThmDBGrid::defaultOptions();
    options.setFlag(ThmDBGrid::Option::Titles, GetParam().titles);
    grid.setOptions(options);

    EXPECT_EQ(grid.toText(), GetParam().expected);
    EXPECT_EQ(items.recNo(), 2) << "copying does not move the cursor";
}

GridColumn hidden(const char* field)
{
    GridColumn c = GridColumn::of(QString::fromLatin1(field));
    c.visible = false;
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Controls, GridCopy,
    ::testing::Values(
        CopyCase{"BooleanAndEmptyColumnsLeftOut",
                 {GridColumn::of("ID"), GridColumn::of("Done"), GridColumn::of("Kind"), GridColumn::of("Name", "Title"),
                  hidden("Qty"), GridColumn::of("Notes")},
                 true,
                 QStringLiteral("ID\tTitle\tNotes\nA1\tOne\t\nA2\tTwo\ttwo lines")},
        CopyCase{"WithoutTitles", {GridColumn::of("Name"), GridColumn::of("Done")}, false, QStringLiteral("One\nTwo")},
        CopyCase{
            "OnlyABooleanHasValues", {GridColumn::of("Done"), GridColumn::of("Kind")}, true, QStringLiteral("Kind")},
        CopyCase{"OnlyABooleanWithoutTitles", {GridColumn::of("Done"), GridColumn::of("Kind")}, false, QString()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ControlsText, TransposeText)
{
    struct Case {
        QString input;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("a\tb\tc\n1\t2\t3"), QStringLiteral("a\t1\nb\t2\nc\t3")},
        {QStringLiteral("a\tb\n1"), QStringLiteral("a\t1\nb\t")},
        {QStringLiteral("a\r\nb\n"), QStringLiteral("a\tb")},
        {QString(), QString()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TransposeText(c.input), c.expected) << c.input.toStdString();
    }
}

// Five thousand rows: the model reads the rows it draws, not all of them.
TEST_F(ControlsTest, GridScrollsThroughManyRows)
{
    addItems(5000);
    db::Dataset& items = openItems();
    ThmDBGrid grid;
    grid.setColumns(itemColumns());
    grid.setDataSource(&m_source);
    showActive(grid);
    QSignalSpy resets(grid.model(), &QAbstractItemModel::modelReset);

    QElapsedTimer timer;
    timer.start();
    QScrollBar* bar = grid.verticalScrollBar();
    int pages = 0;
    for (int v = 0; v <= bar->maximum(); v += bar->pageStep(), ++pages) {
        bar->setValue(v);
        grid.viewport()->grab();
    }
    const qint64 scrolling = timer.elapsed();
    timer.restart();
    for (int i = 0; i < 200; ++i) {
        items.setRecNo(1 + (i * 37) % 5000);
    }
    const qint64 moving = timer.elapsed();
    RecordProperty("pages", pages);
    RecordProperty("ms_per_page", QString::number(double(scrolling) / pages, 'f', 2).toStdString());
    RecordProperty("ms_per_move", QString::number(double(moving) / 200, 'f', 2).toStdString());
    std::cout << "[ figures  ] " << pages << " pages drawn in " << scrolling << " ms, 200 moves in " << moving
              << " ms\n";
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(grid.currentIndex().row(), items.recNo() - 1);
    EXPECT_LT(double(scrolling) / pages, 50.0) << "a page must draw within a frame or three";
}

// --- field-bound controls ------------------------------------------------------------------

struct EditorCase {
    const char* name;
    const char* field;
    // Builds the control on the fixture's source and acts as the user.
    std::function<std::unique_ptr<QWidget>(db::DataSource&, db::DataSource& kinds)> act;
    QVariant expected;
};

class BoundEditors : public ControlsTest, public ::testing::WithParamInterface<EditorCase> {};

TEST_P(BoundEditors, UserChangeEditsTheRecordAndReachesThePost)
{
    addFive();
    db::Dataset& items = openItems();
    db::Dataset kinds(m_db, QStringLiteral("Kinds"));
    kinds.open();
    for (const char* k : {"P", "Q", "R"}) {
        kinds.append();
        kinds.fieldByName(QStringLiteral("Code")).setValue(QString::fromLatin1(k));
        kinds.fieldByName(QStringLiteral("Title")).setValue(QStringLiteral("Kind %1").arg(QLatin1String(k)));
        kinds.post();
    }
    kinds.first();
    db::DataSource kindSource(&kinds);
    items.setRecNo(2);

    const std::unique_ptr<QWidget> control = GetParam().act(m_source, kindSource);
    EXPECT_EQ(items.state(), db::DatasetState::Edit);
    EXPECT_EQ(kinds.recNo(), 1) << "the list's cursor stays";
    items.post();
    EXPECT_EQ(stored(QStringLiteral("A2"), QString::fromLatin1(GetParam().field)), GetParam().expected);
    EXPECT_TRUE(m_messages.messages().isEmpty()) << m_messages.messages().join(u'|').toStdString();
}

template <typename T>
std::unique_ptr<T> bound(db::DataSource& source, const char* field)
{
    auto control = std::make_unique<T>();
    control->setDataSource(&source);
    control->setDataField(QString::fromLatin1(field));
    return control;
}

INSTANTIATE_TEST_SUITE_P(
    Controls, BoundEditors,
    ::testing::Values(EditorCase{"Edit", "Name",
                                 [](db::DataSource& s, db::DataSource&) -> std::unique_ptr<QWidget> {
                                     auto e = bound<TDBEdit>(s, "Name");
                                     EXPECT_EQ(e->text(), QStringLiteral("Two"));
                                     e->selectAll();
                                     QTest::keyClicks(e.get(), QStringLiteral("Typed"));
                                     return e;
                                 },
                                 QStringLiteral("Typed")},
                      EditorCase{"EditNumber", "Qty",
                                 [](db::DataSource& s, db::DataSource&) -> std::unique_ptr<QWidget> {
                                     auto e = bound<TDBEdit>(s, "Qty");
                                     e->selectAll();
                                     QTest::keyClicks(e.get(), QStringLiteral("42"));
                                     return e;
                                 },
                                 qlonglong(42)},
                      EditorCase{"Memo", "Notes",
                                 [](db::DataSource& s, db::DataSource&) -> std::unique_ptr<QWidget> {
                                     auto e = bound<TDBMemo>(s, "Notes");
                                     QTest::keyClicks(e.get(), QStringLiteral("a"));
                                     QTest::keyClick(e.get(), Qt::Key_Return);
                                     QTest::keyClicks(e.get(), QStringLiteral("b"));
                                     return e;
                                 },
                                 QStringLiteral("a\nb")},
                      EditorCase{"CheckBox", "Done",
                                 [](db::DataSource& s, db::DataSource&) -> std::unique_ptr<QWidget> {
                                     auto e = bound<TDBCheckBox>(s, "Done");
                                     EXPECT_TRUE(e->isChecked());
                                     QTest::mouseClick(e.get(), Qt::LeftButton, {}, QPoint(5, e->height() / 2));
                                     return e;
                                 },
                                 qlonglong(0)},
                      EditorCase{"RadioGroup", "Kind",
                                 [](db::DataSource& s, db::DataSource&) -> std::unique_ptr<QWidget> {
                                     auto e = bound<TDBRadioGroup>(s, "Kind");
                                     e->setItems({QStringLiteral("Pump"), QStringLiteral("Motor")});
                                     e->setStoredValues({QStringLiteral("P"), QStringLiteral("M")});
                                     e->resize(200, 100);
                                     e->items().at(1)->click();
                                     return e;
                                 },
                                 QStringLiteral("M")},
                      EditorCase{"LookupComboBox", "Kind",
                                 [](db::DataSource& s, db::DataSource& kinds) -> std::unique_ptr<QWidget> {
                                     auto e = bound<TDBLookupComboBox>(s, "Kind");
                                     e->setListSource(&kinds);
                                     e->setKeyField(QStringLiteral("Code"));
                                     e->setListField(QStringLiteral("Title"));
                                     EXPECT_EQ(e->count(), 3);
                                     EXPECT_EQ(e->itemText(2), QStringLiteral("Kind R"));
                                     EXPECT_EQ(e->currentIndex(), -1) << "no kind yet";
                                     emit e->activated(2);
                                     EXPECT_EQ(e->keyValue(), QStringLiteral("R"));
                                     return e;
                                 },
                                 QStringLiteral("R")},
                      EditorCase{"DateTime", "Created",
                                 [](db::DataSource& s, db::DataSource&) -> std::unique_ptr<QWidget> {
                                     auto e = bound<ThmDBDateTime>(s, "Created");
                                     EXPECT_EQ(e->dateTime(), ThmDBDateTime::noDate()) << "null shows as no date";
                                     e->setDate(QDate(2024, 5, 17));
                                     return e;
                                 },
                                 QStringLiteral("2024-05-17 00:00:00.000")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlsTest, BoundControlsFollowTheRecordAndTheDatasetState)
{
    addFive();
    db::Dataset& items = openItems();
    ThmDBStatic label;
    label.setDataSource(&m_source);
    label.setDataField(QStringLiteral("Name"));
    TDBEdit edit;
    edit.setDataSource(&m_source);
    edit.setDataField(QStringLiteral("Name"));
    TDBEdit missing;
    missing.setDataSource(&m_source);
    missing.setDataField(QStringLiteral("NoSuchField"));

    EXPECT_EQ(label.text(), QStringLiteral("One"));
    EXPECT_EQ(edit.maxLength(), 20);
    EXPECT_FALSE(missing.isEnabled());
    items.next();
    EXPECT_EQ(label.text(), QStringLiteral("Two"));
    EXPECT_TRUE(label.isReadOnly());

    // A change not yet in the record follows the record: a cancel takes it back.
    QTest::keyClicks(&edit, QStringLiteral("!"));
    EXPECT_EQ(items.state(), db::DatasetState::Edit);
    items.cancel();
    EXPECT_EQ(edit.text(), QStringLiteral("Two"));

    items.close();
    EXPECT_FALSE(edit.isEnabled());
    EXPECT_EQ(label.text(), QString());
    items.open();
    EXPECT_TRUE(edit.isEnabled());
    EXPECT_EQ(edit.text(), QStringLiteral("One"));

    // Without AutoEdit typing waits for an explicit edit.
    m_source.setAutoEdit(false);
    edit.setDataField(QStringLiteral("Name"));
    EXPECT_TRUE(edit.QLineEdit::isReadOnly());
    items.edit();
    EXPECT_FALSE(edit.QLineEdit::isReadOnly());
}

TEST_F(ControlsTest, ReadOnlyDatasetKeepsTheStoredValues)
{
    addFive();
    db::Dataset& items = openItems(true);
    TDBEdit edit;
    edit.setDataSource(&m_source);
    edit.setDataField(QStringLiteral("Name"));
    ThmDBDateTime date;
    date.setDataSource(&m_source);
    date.setDataField(QStringLiteral("Created"));
    TDBCheckBox check;
    check.setDataSource(&m_source);
    check.setDataField(QStringLiteral("Done"));

    EXPECT_TRUE(edit.QLineEdit::isReadOnly());
    QTest::keyClicks(&edit, QStringLiteral("x"));
    EXPECT_EQ(edit.text(), QStringLiteral("One"));
    date.setDate(QDate(2020, 1, 1));
    EXPECT_EQ(date.dateTime(), ThmDBDateTime::noDate()) << "the change is not recorded";
    check.click(); // programmatic: the read-only box lets no mouse click through
    EXPECT_FALSE(check.isChecked());
    EXPECT_EQ(items.state(), db::DatasetState::Browse);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(ControlsTest, EditorRefusedValueIsToldAndKept)
{
    addFive();
    db::Dataset& items = openItems();
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto& qty = *new TDBEdit(&form);
    auto& next = *new QLineEdit(&form);
    layout->addWidget(&qty);
    layout->addWidget(&next);
    qty.setDataSource(&m_source);
    qty.setDataField(QStringLiteral("Qty"));
    showActive(form);
    qty.setFocus();

    qty.selectAll();
    QTest::keyClicks(&qty, QStringLiteral("many"));
    next.setFocus(); // leaving writes the value: refused
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_EQ(qty.text(), QStringLiteral("many"));
    EXPECT_THROW(items.post(), db::DatabaseError) << "the post stops at the refused value";
    EXPECT_EQ(items.state(), db::DatasetState::Edit);
    EXPECT_EQ(qty.text(), QStringLiteral("many"));

    qty.setFocus();
    qty.selectAll();
    QTest::keyClicks(&qty, QStringLiteral("7"));
    items.post();
    EXPECT_EQ(stored(QStringLiteral("A1"), QStringLiteral("Qty")).toInt(), 7);
}

TEST_F(ControlsTest, DatePickerWritesOnLeavingAndKeepsTheFocusWhenRefused)
{
    addFive();
    db::Dataset& items = openItems();
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto& picker = *new ThmDBDateTime(&form);
    auto& next = *new QLineEdit(&form);
    layout->addWidget(&picker);
    layout->addWidget(&next);
    picker.setDataSource(&m_source);
    picker.setDataField(QStringLiteral("Created"));
    showActive(form);
    QSignalSpy pressed(&picker, &ThmDBDateTime::pressed);

    QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(5, picker.height() / 2));
    EXPECT_EQ(pressed.count(), 1);
    EXPECT_EQ(items.state(), db::DatasetState::Edit) << "a press starts the edit";
    picker.setFocus();
    picker.setDate(QDate(2023, 3, 4));
    next.setFocus();
    EXPECT_EQ(items.fieldByName(QStringLiteral("Created")).asDateTime().date(), QDate(2023, 3, 4));

    // A date the record refuses keeps the focus in the picker, without a message.
    items.fieldByName(QStringLiteral("Created")).setOnChange([](db::Field f) {
        if (f.asDateTime().date().year() < 2000) {
            throw db::DatabaseError(QStringLiteral("too early"));
        }
    });
    picker.setFocus();
    picker.setDate(QDate(1999, 12, 31));
    next.setFocus();
    EXPECT_TRUE(picker.hasFocus());
    EXPECT_EQ(picker.date(), QDate(1999, 12, 31));
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(ControlsTest, RadioGroupKeepsTheTranslationContract)
{
    addFive();
    db::Dataset& items = openItems();
    items.edit();
    items.fieldByName(QStringLiteral("Kind")).setValue(QStringLiteral("M"));
    items.post();
    QWidget form;
    form.setObjectName(QStringLiteral("Form"));
    TDBRadioGroup group;
    group.setObjectName(QStringLiteral("DBRadioKind"));
    group.setDataSource(&m_source);
    group.setDataField(QStringLiteral("Kind"));
    group.setItems({QStringLiteral("Pump"), QStringLiteral("Motor"), QStringLiteral("Other")});
    group.setStoredValues({QStringLiteral("P"), QStringLiteral("M")});

    EXPECT_TRUE(group.property("radioGroup").toBool());
    EXPECT_EQ(group.itemIndex(), 1);
    const QList<QRadioButton*> direct = group.findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
    EXPECT_EQ(direct, group.items());
    ASSERT_EQ(direct.size(), 3);
    EXPECT_EQ(direct.at(2)->text(), QStringLiteral("Other"));

    // Translated texts change nothing that is stored.
    struct Source : TranslationSource {
        bool isOpen() const override { return true; }
        std::optional<QString> lookup(const QString& name) const override
        {
            return name == QLatin1String("DBRadioKind") ? std::optional<QString>(QStringLiteral("Typ;Pump;Motor"))
                                                        : std::nullopt;
        }
        std::optional<QString> menuText(const QString&) const override { return std::nullopt; }
        std::optional<QString> toolButtonText(const QString&) const override { return std::nullopt; }
    };
    group.setParent(&form);
    translateForm(form, Source());
    EXPECT_EQ(group.title(), QStringLiteral("Typ"));
    direct.at(0)->click();
    items.post();
    EXPECT_EQ(stored(QStringLiteral("A1"), QStringLiteral("Kind")).toString(), QStringLiteral("P"));
    direct.at(2)->click(); // no stored value: the text is stored
    items.post();
    EXPECT_EQ(stored(QStringLiteral("A1"), QStringLiteral("Kind")).toString(), QStringLiteral("Other"));

    items.next(); // no kind: nothing checked
    EXPECT_EQ(group.itemIndex(), -1);
}

TEST_F(ControlsTest, LookupComboBoxFollowsTheListRows)
{
    addFive();
    db::Dataset& items = openItems();
    db::Dataset kinds(m_db, QStringLiteral("Kinds"));
    kinds.open();
    db::DataSource kindSource(&kinds);
    TDBLookupComboBox combo;
    combo.setDataSource(&m_source);
    combo.setDataField(QStringLiteral("Kind"));
    combo.setListSource(&kindSource);
    combo.setKeyField(QStringLiteral("Code"));
    combo.setListField(QStringLiteral("Title"));
    EXPECT_EQ(combo.count(), 0);

    kinds.append();
    kinds.fieldByName(QStringLiteral("Code")).setValue(QStringLiteral("P"));
    kinds.fieldByName(QStringLiteral("Title")).setValue(QStringLiteral("Pump"));
    kinds.post();
    EXPECT_EQ(combo.count(), 1) << "a new list row appears";

    items.edit();
    items.fieldByName(QStringLiteral("Kind")).setValue(QStringLiteral("P"));
    EXPECT_EQ(combo.currentText(), QStringLiteral("Pump"));
    items.fieldByName(QStringLiteral("Kind")).setValue(QStringLiteral("Z"));
    EXPECT_EQ(combo.currentIndex(), -1) << "a key that is no row's shows nothing";
}

TEST_F(ControlsTest, NavigatorButtonsFollowTheStateAndCanBeAbandoned)
{
    addFive();
    db::Dataset& items = openItems();
    TDBNavigator nav;
    nav.setDataSource(&m_source);
    using B = TDBNavigator::Button;
    auto enabled = [&](B b) { return nav.button(b)->isEnabled(); };

    EXPECT_FALSE(enabled(B::First));
    EXPECT_FALSE(enabled(B::Prior));
    EXPECT_TRUE(enabled(B::Next));
    EXPECT_FALSE(enabled(B::Post));
    nav.button(B::Last)->click();
    EXPECT_EQ(items.recNo(), 5);
    EXPECT_FALSE(enabled(B::Next));
    EXPECT_TRUE(enabled(B::Prior));

    TDBEdit name;
    name.setDataSource(&m_source);
    name.setDataField(QStringLiteral("Name"));
    nav.button(B::Edit)->click();
    EXPECT_TRUE(enabled(B::Post));
    EXPECT_TRUE(enabled(B::Cancel));
    EXPECT_FALSE(enabled(B::Edit));
    name.selectAll();
    QTest::keyClicks(&name, QStringLiteral("Cinq"));
    nav.button(B::Post)->click();
    EXPECT_EQ(stored(QStringLiteral("A5"), QStringLiteral("Name")).toString(), QStringLiteral("Cinq"));

    // An owner that does the insert its own way.
    QList<B> asked;
    nav.setBeforeAction([&](B b) {
        asked << b;
        return b != B::Insert;
    });
    nav.button(B::Insert)->click();
    EXPECT_EQ(items.state(), db::DatasetState::Browse);
    m_messages.answer(MsgCodeCancel);
    nav.button(B::Delete)->click();
    EXPECT_EQ(storedCount(), 5);
    nav.button(B::Delete)->click();
    EXPECT_EQ(storedCount(), 4);
    EXPECT_EQ(asked, (QList<B>{B::Insert, B::Delete, B::Delete}));

    nav.setVisibleButtons({B::Insert, B::Delete, B::Post, B::Cancel});
    EXPECT_EQ(nav.visibleButtons(), (QList<B>{B::Insert, B::Delete, B::Post, B::Cancel}));
}

TEST(ControlsScrollBox, ResizingStretchesEveryChildToTheClientWidth)
{
    ThmScrollBox box;
    auto* label = new QLabel(QStringLiteral("Name"), box.contents());
    auto* edit = new QLineEdit(box.contents());
    edit->move(0, 20);
    box.resize(300, 200);
    box.show();
    box.resize(420, 200);
    QApplication::processEvents();
    EXPECT_EQ(label->width(), box.viewport()->width());
    EXPECT_EQ(edit->width(), box.viewport()->width());
    EXPECT_EQ(box.viewport()->width(), 420);

    // A short box scrolls; the position is kept and told.
    QSignalSpy scrolled(&box, &ThmScrollBox::vScrolled);
    box.resize(420, 30);
    QApplication::processEvents();
    box.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_EQ(scrolled.count(), 1);
    EXPECT_EQ(scrolled.first().at(0).toInt(), int(QAbstractSlider::SliderSingleStepAdd));
    EXPECT_GT(box.lastVScrollPosition(), 0);
    EXPECT_EQ(label->width(), box.viewport()->width()) << "the vertical bar narrows the client area";
}
