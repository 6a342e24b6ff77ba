#include "controls/ThmCheckListBox.h"

#include <QApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace kiro;

namespace {

QPoint inCheckColumn(ThmCheckListBox& list, int row)
{
    const QRect r = list.visualItemRect(list.item(row));
    return {r.left() + list.checkColumnWidth() / 2, r.center().y()};
}

QPoint inText(ThmCheckListBox& list, int row)
{
    const QRect r = list.visualItemRect(list.item(row));
    return {r.left() + list.checkColumnWidth() + 20, r.center().y()};
}

struct CheckList : ::testing::Test {
    void SetUp() override
    {
        list.resize(200, 120);
        for (const char* t : {"one", "two", "three"})
            list.addItemText(QString::fromLatin1(t));
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }
    ThmCheckListBox list;
};

TEST_F(CheckList, ItemsWithoutValuesReadAsUncheckedEnabledCheckBoxesOfNoGroup)
{
    EXPECT_EQ(list.State(1), ThmCheckListBox::StateUnchecked);
    EXPECT_FALSE(list.Disabled(1));
    EXPECT_FALSE(list.Radio(1));
    EXPECT_EQ(list.Group(1), -1);
    EXPECT_THROW(list.State(3), std::out_of_range);
    EXPECT_THROW(list.setChecked(-1, true), std::out_of_range);
}

TEST_F(CheckList, SharedGroupsBecomeRadioButtonsAndCheckingOneClearsItsGroup)
{
    list.setGroup(0, 1);
    list.setGroup(1, 1);
    list.setGroup(2, 2);
    list.UpdateRadioGroups();
    EXPECT_TRUE(list.Radio(0));
    EXPECT_TRUE(list.Radio(1));
    EXPECT_FALSE(list.Radio(2));

    QSignalSpy spy(&list, &ThmCheckListBox::clickCheck);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, inCheckColumn(list, 0));
    EXPECT_TRUE(list.Checked(0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, inCheckColumn(list, 1));
    EXPECT_FALSE(list.Checked(0));
    EXPECT_TRUE(list.Checked(1));
    // A radio button cannot be cleared by clicking it again.
    list.ToggleMark(1);
    EXPECT_TRUE(list.Checked(1));
    EXPECT_EQ(spy.count(), 3);

    // A group regrouped to a single member turns back into a check box.
    list.setGroup(1, 3);
    list.UpdateRadioGroups();
    EXPECT_FALSE(list.Radio(0));
    EXPECT_FALSE(list.Radio(1));
}

TEST_F(CheckList, ClickingTheTextSelectsWithoutChangingTheMark)
{
    QSignalSpy spy(&list, &ThmCheckListBox::clickCheck);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, inText(list, 2));
    EXPECT_EQ(list.currentRow(), 2);
    EXPECT_FALSE(list.Checked(2));
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(CheckList, GrayedCyclesAndDisabledItemsKeepTheirMark)
{
    list.setAllowGrayed(true);
    std::vector<int> states;
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, inCheckColumn(list, 0));
        states.push_back(list.State(0));
    }
    EXPECT_EQ(states, (std::vector<int>{ThmCheckListBox::StateGrayed, ThmCheckListBox::StateChecked, ThmCheckListBox::StateUnchecked}));

    list.setChecked(1, true);
    list.setDisabled(1, true);
    QSignalSpy spy(&list, &ThmCheckListBox::clickCheck);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, inCheckColumn(list, 1));
    list.setCurrentRow(1);
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_TRUE(list.Checked(1));
    EXPECT_EQ(spy.count(), 0);

    // The space bar changes the current, enabled item.
    list.setCurrentRow(2);
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(list.State(2), ThmCheckListBox::StateGrayed);
}

TEST_F(CheckList, StatesAndDataSurviveANewParent)
{
    list.setChecked(0, true);
    list.setDisabled(1, true);
    list.setItemData(2, 42);
    list.setGroup(2, 7);
    QWidget other;
    list.setParent(&other);
    other.show();
    list.show();
    QApplication::processEvents();
    EXPECT_TRUE(list.Checked(0));
    EXPECT_TRUE(list.Disabled(1));
    EXPECT_EQ(list.ItemData(2), 42);
    EXPECT_EQ(list.Group(2), 7);
    list.setParent(nullptr);
}

TEST(HeaderCheckList, FieldsGoToTheTextSectionsAndTheCheckSectionComesAndGoes)
{
    ThmHeaderCheckListBox box;
    box.setSections({{QStringLiteral("No."), 30, Qt::AlignLeft},
                     {QStringLiteral("Name"), 100, Qt::AlignLeft},
                     {QStringLiteral("Class"), 40, Qt::AlignHCenter}});
    box.addItemText(QStringLiteral("01\tPump casing\tA"));
    EXPECT_EQ(box.sectionCount(), 4);
    EXPECT_EQ(box.sectionWidth(0), ThmHeaderCheckListBox::CheckSectionWidth);
    EXPECT_EQ(box.CellText(0, 1), QStringLiteral("Pump casing"));
    EXPECT_EQ(box.CellText(0, 2), QStringLiteral("A"));
    EXPECT_EQ(box.CellText(1, 0), QString());

    // The cells an owner draws are those of the text sections, in order.
    QStringList drawn;
    box.setLBStyle(ThmHeaderCheckListBox::hlbOwnerDraw);
    box.setDrawCellHandler([&](QPainter&, int index, int col, const QRect& rect, QStyle::State) {
        drawn << QStringLiteral("%1:%2:%3").arg(index).arg(col).arg(rect.width());
    });
    box.resize(260, 80);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    box.list()->viewport()->repaint();
    ASSERT_GE(drawn.size(), 3);
    EXPECT_EQ(drawn.mid(0, 3), (QStringList{"0:1:30", "0:2:100", "0:3:40"}));

    box.setShowCheckboxes(false);
    EXPECT_EQ(box.sectionCount(), 3);
    EXPECT_EQ(box.sectionText(0), QStringLiteral("No."));
    box.setShowCheckboxes(true);
    EXPECT_EQ(box.sectionCount(), 4);
    EXPECT_EQ(box.sectionWidth(0), ThmHeaderCheckListBox::CheckSectionWidth);
    EXPECT_EQ(box.sectionText(1), QStringLiteral("No."));
}

} // namespace
