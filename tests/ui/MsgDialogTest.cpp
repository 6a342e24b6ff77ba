#include "app/Msg.h"
#include "app/core/Messages.h"
#include "app/core/MsgFormat.h"
#include "support/ScriptedInteraction.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace kiro;
using kiro::test::ScriptedInteraction;

namespace {

class MsgDialogTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        setMessageLookup({});
        SetActiveLanguage({});
    }
};

struct ShortcutCase {
    const char* name;
    int (*call)(const QString&, const QVariantList&);
    QList<int> buttons;
    int defaultCode;
};

class MsgShortcutTest : public ::testing::TestWithParam<ShortcutCase> {};

} // namespace

TEST_P(MsgShortcutTest, ButtonsLeftToRightWithDefaultAnsweringReturn)
{
    const ShortcutCase& c = GetParam();
    ScriptedInteraction script;
    script.expect(QStringLiteral("DlgMsg"), [&](QDialog& d) {
        auto& msg = dynamic_cast<TDlgMsg&>(d);
        ASSERT_EQ(msg.buttons().size(), c.buttons.size());
        for (int i = 0; i < c.buttons.size(); ++i) {
            QPushButton* b = msg.buttons().at(i);
            EXPECT_EQ(b->objectName(), TDlgMsg::buttonName(c.buttons.at(i)));
            EXPECT_EQ(b->geometry(), QRect(5 + 80 * i, 5, 75, 25));
        }
        ASSERT_NE(msg.defaultButton(), nullptr);
        EXPECT_EQ(msg.defaultButton()->objectName(), TDlgMsg::buttonName(c.defaultCode));
        QTest::keyClick(&msg, Qt::Key_Return);
    });
    EXPECT_EQ(c.call(QStringLiteral("Question?"), {}), c.defaultCode);
}

INSTANTIATE_TEST_SUITE_P(Shortcuts, MsgShortcutTest,
                         ::testing::Values(ShortcutCase{"OK", &MsgOK, {1}, 1},
                                           ShortcutCase{"YesNo", &MsgYesNo, {6, 7}, 6},
                                           ShortcutCase{"NoYes", &MsgNoYes, {6, 7}, 7},
                                           ShortcutCase{"YesNoCancel", &MsgYesNoCancel, {6, 7, 2}, 6},
                                           ShortcutCase{"NoYesCancel", &MsgNoYesCancel, {6, 7, 2}, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MsgDialogTest, WidthFollowsTheButtonRow)
{
    struct Case {
        QList<int> codes;
        int width;
    };
    const Case cases[] = {
        {{1}, 290},
        {{6, 7, 2}, 290},        // ends at 240: fits the design width
        {{6, 7, 2, 8}, 330},     // ends at 320: widened to 330
        {{6, 7, 2, 8, 10}, 410}, // ends at 400
    };
    for (const Case& c : cases) {
        TDlgMsg dialog;
        dialog.setup(QString(), QStringLiteral("text"), c.codes, 1);
        EXPECT_EQ(dialog.width(), c.width) << c.codes.size() << " buttons";
    }
}

TEST_F(MsgDialogTest, ButtonNamesAndCaptions)
{
    TDlgMsg dialog;
    dialog.setup(QString(), QString(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 42}, 99);
    const QStringList names = {"BtnOK", "BtnCancel", "BtnAbort", "BtnRetry", "BtnIgnore", "BtnYes",
                               "BtnNo", "BtnAll", "BtnNoToAll", "BtnYesToAll", "Btn42"};
    ASSERT_EQ(dialog.buttons().size(), names.size());
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(dialog.buttons().at(i)->objectName(), names.at(i));
    EXPECT_EQ(dialog.buttons().at(8)->text(), QStringLiteral("No to all"));
    EXPECT_EQ(dialog.buttons().at(9)->text(), QStringLiteral("Yes to all"));
    EXPECT_TRUE(dialog.buttons().at(10)->text().isEmpty());
    EXPECT_EQ(dialog.defaultButton(), nullptr) << "no button has the default code";
}

TEST_F(MsgDialogTest, CloseBoxAnswersCancelWhateverTheButtons)
{
    ScriptedInteraction script;
    script.expect(QStringLiteral("DlgMsg"), [](QDialog& d) { d.close(); });
    EXPECT_EQ(MsgYesNo(QStringLiteral("Really?")), MsgCodeCancel);
}

TEST_F(MsgDialogTest, TranslationLookupAndFallbacks)
{
    QStringList languagesAsked;
    setMessageLookup([&](const QString& key, const QString& lang) -> std::optional<QString> {
        languagesAsked << lang;
        if (key == QLatin1String("19"))
            return QStringLiteral("Factor for %s: %d");
        if (key == QLatin1String("empty"))
            return QString();
        if (key == QLatin1String("broken"))
            throw std::runtime_error("table closed");
        return std::nullopt;
    });

    EXPECT_EQ(MsgText(QStringLiteral("19")), QStringLiteral("Factor for %s: %d"));
    EXPECT_EQ(languagesAsked.value(0), QStringLiteral("UK")) << "no language set yet";
    EXPECT_EQ(MsgText(QStringLiteral("55")), QStringLiteral("55")) << "a key without a row shows itself";
    EXPECT_EQ(MsgText(QStringLiteral("broken")), QStringLiteral("broken")) << "lookup errors are ignored";
    EXPECT_EQ(MsgText(QStringLiteral("empty")), QString()) << "an empty translation stays empty";

    SetActiveLanguage(QStringLiteral("SE"));
    MsgText(QStringLiteral("19"));
    EXPECT_EQ(languagesAsked.last(), QStringLiteral("SE"));

    ScriptedInteraction script;
    script.expect(QStringLiteral("DlgMsg"), [](QDialog& d) {
        EXPECT_EQ(dynamic_cast<TDlgMsg&>(d).messageText(), QString());
        d.accept();
    });
    MsgOK(QStringLiteral("empty"));
    script.expectMessage(QStringLiteral("Factor for A1: 3"), MsgCodeOK);
    MsgOK(QStringLiteral("19"), {QStringLiteral("A1"), 3});
}

TEST_F(MsgDialogTest, ArgumentsThatDoNotFitShowNoDialog)
{
    ScriptedInteraction script; // any dialog would fail the test
    EXPECT_THROW(MsgOK(QStringLiteral("Could not open table '%s'!")), FormatError);
    EXPECT_THROW(MsgOK(QStringLiteral("%d rows"), {QStringLiteral("many")}), FormatError);
    EXPECT_TRUE(script.messages().isEmpty());
}
