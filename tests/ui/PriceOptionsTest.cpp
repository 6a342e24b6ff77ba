#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "dialogs/OptCurr.h"
#include "dialogs/OptDiscMarg.h"
#include "dialogs/OptProj.h"
#include "dialogs/OptUnits.h"
#include "support/ScriptedInteraction.h"
#include "support/TestWorkspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace kiro;
using kiro::test::clickButton;
using kiro::test::ScriptedInteraction;
using kiro::test::TestWorkspace;

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// The shipped system tables and a project in EUR with EUR 1, SEK 0.1 and
// USD 0.9, one product with one price row of 100 SEK.
class PriceOptionsTest : public ::testing::Test {
public:
    void SetUp() override
    {
        m_ws.layOutDatabases();
        settings().open(m_ws.workIni());
        m_data.FormDataCreate();
        ASSERT_TRUE(m_data.OpenSession());
        ASSERT_TRUE(m_data.OpenSystem());
        ASSERT_TRUE(m_data.OpenProjects());
        db::Dataset& projects = t("TableProjects");
        projects.append();
        set(projects, {{"Name", "Options"}, {"ProjCurrency", "EUR"}});
        projects.post();
        db::Dataset& currencies = t("TableCurrencies");
        while (!currencies.isEmpty())
            currencies.deleteRecord(); // whatever a new project copied
        for (const auto& [name, rate] : {std::pair{"EUR", 1.0}, {"SEK", 0.1}, {"USD", 0.9}}) {
            currencies.append();
            set(currencies, {{"Name", name}, {"Factor", 1}, {"Rate", rate}});
            currencies.post();
        }
        db::Dataset& discMarg = t("TableDiscMarg");
        if (!discMarg.locate(s("Series"), s("ES"))) {
            discMarg.append();
            set(discMarg, {{"Series", "ES"}, {"DiscLevel1", 35}, {"Margin", 25}});
            discMarg.post();
        }
        db::Dataset& products = t("TableProducts");
        products.append();
        set(products, {{"Order", 1},
                       {"Name", "Pump"},
                       {"ProdCurrency", "EUR"},
                       {"TotalCurrency", "EUR"},
                       {"ProductSeries", "ES"}});
        products.post();
        db::Dataset& prices = t("TableProdPrices");
        prices.append();
        set(prices, {{"Qty", 1},
                     {"Series", "ES"},
                     {"Level", "1"},
                     {"ListCurrency", "SEK"},
                     {"NetCurrency", "SEK"},
                     {"QuotCurrency", "EUR"},
                     {"ListPrice", "100"}});
        prices.post();
    }

    db::Dataset& t(const char* name) { return m_data.table(s(name)); }
    static void set(db::Dataset& d, std::initializer_list<std::pair<const char*, QVariant>> values)
    {
        for (const auto& [field, value] : values)
            d.fieldByName(s(field)).setValue(value);
    }
    static double num(db::Dataset& d, const char* field) { return d.fieldByName(s(field)).asFloat(); }

    // Name -> Rate of a currency dataset.
    static QMap<QString, double> rates(db::Dataset& d)
    {
        QMap<QString, double> result;
        for (int r = 0; r < d.recordCount(); ++r)
            result[d.rowValue(r, d.fieldByName(s("Name")).index()).toString()] =
                d.rowValue(r, d.fieldByName(s("Rate")).index()).toDouble();
        return result;
    }
    static int row(TOptionGrid* grid, const QString& name)
    {
        for (int r = 0; r < grid->rowCount(); ++r)
            if (grid->item(r, 0)->text() == name)
                return r;
        return -1;
    }

    TestWorkspace m_ws;
    ScriptedInteraction m_script;
    TFormData m_data;
};

// --- currencies ------------------------------------------------------------------------------

TEST_F(PriceOptionsTest, CurrencyBecomesTheBaseAndShowsBold)
{
    TDlgOptCurr dialog(m_data, true);
    ASSERT_NE(dialog.projectCopy(), nullptr);
    TOptionGrid* grid = dialog.projectGrid();
    grid->setCurrentCell(row(grid, s("SEK")), 0);
    clickButton(dialog, s("DlgOptCurrProjectBtnBase"));
    const QMap<QString, double> r = rates(*dialog.projectCopy());
    EXPECT_NEAR(r[s("EUR")], 10, 1e-9);
    EXPECT_NEAR(r[s("USD")], 9, 1e-9);
    EXPECT_NEAR(r[s("SEK")], 1, 1e-9);
    EXPECT_TRUE(grid->item(row(grid, s("SEK")), 0)->font().bold());
    EXPECT_FALSE(grid->item(row(grid, s("EUR")), 0)->font().bold());
    EXPECT_EQ(grid->item(row(grid, s("USD")), 3)->text(), s("9")) << "OneToOne followed";
    EXPECT_EQ(dialog.projectCopy()->fieldByName(s("Name")).asString(), s("SEK")) << "position kept";
}

TEST_F(PriceOptionsTest, CancelLeavesBothCurrencyTablesAsTheyWere)
{
    const QMap<QString, double> system = rates(t("TableSystemCurrencies"));
    {
        TDlgOptCurr dialog(m_data, true);
        dialog.systemGrid()->enterValue(row(dialog.systemGrid(), s("USD")), s("Rate"), s("2"));
        dialog.projectGrid()->enterValue(row(dialog.projectGrid(), s("USD")), s("Rate"), s("2"));
        EXPECT_NEAR(rates(*dialog.systemCopy())[s("USD")], 2, 1e-9);
        dialog.reject();
    }
    EXPECT_EQ(rates(t("TableSystemCurrencies")), system);
    EXPECT_NEAR(rates(t("TableCurrencies"))[s("USD")], 0.9, 1e-9);
}

TEST_F(PriceOptionsTest, OkWritesRatesDefaultsAndTheProjectCopy)
{
    TDlgOptCurr dialog(m_data, true);
    TOptionGrid* sys = dialog.systemGrid();
    // Out of the limits: refused with a message, nothing changes.
    m_script.expectMessage(s("The factor of a currency must be a whole number"), MsgCodeOK);
    sys->enterValue(row(sys, s("USD")), s("Factor"), s("0"));
    sys->enterValue(row(sys, s("USD")), s("Rate"), s("0.8"));
    db::Dataset& copy = *dialog.systemCopy();
    copy.append();
    set(copy, {{"Name", "CHF"}, {"Factor", 1}, {"Rate", 1.05}});
    copy.post();
    dialog.systemDefault()->setCurrentText(s("SEK"));
    dialog.projectGrid()->enterValue(row(dialog.projectGrid(), s("SEK")), s("Rate"), s("0.2"));
    dialog.projectDefault()->setCurrentText(s("USD"));
    clickButton(dialog, s("BtnOK"));
    EXPECT_TRUE(m_script.done());

    const QMap<QString, double> system = rates(t("TableSystemCurrencies"));
    EXPECT_NEAR(system[s("USD")], 0.8, 1e-9);
    EXPECT_FALSE(system.contains(s("CHF"))) << "a currency added in the copy is not added";
    EXPECT_EQ(settings().system().DefaultCurrency, s("SEK"));
    db::Dataset& currencies = t("TableCurrencies");
    EXPECT_NEAR(rates(currencies)[s("SEK")], 0.2, 1e-9);
    ASSERT_TRUE(currencies.locate(s("Name"), s("SEK")));
    EXPECT_NEAR(num(currencies, "OneToOne"), 0.2, 1e-9);
    EXPECT_EQ(currencies.recordCount(), 3);
    EXPECT_EQ(t("TableProjects").fieldByName(s("ProjCurrency")).asString(), s("USD"));
}

TEST_F(PriceOptionsTest, CopyToProjectAndRecalculationAfterOk)
{
    m_script.expect(s("DlgOptCurr"), [](QDialog& d) {
        auto& dialog = dynamic_cast<TDlgOptCurr&>(d);
        dialog.copyToProject();
        EXPECT_EQ(dialog.projectCopy()->recordCount(), dialog.systemCopy()->recordCount());
        dialog.projectDefault()->setCurrentText(s("EUR"));
        clickButton(d, s("BtnOK"));
    });
    EXPECT_TRUE(OptionsCurrencies(m_data, true));
    EXPECT_TRUE(m_script.done());
    // The shipped rates: SEK 100 = 8.7 EUR; the price row follows.
    EXPECT_NEAR(rates(t("TableCurrencies"))[s("SEK")], 8.7, 1e-9);
    EXPECT_NEAR(num(t("TableProdPrices"), "NLLC"), 8.7, 1e-9);
    EXPECT_NEAR(num(t("TableProducts"), "TotalPriceQuotPriceSum"), 8.7, 1e-9);
}

TEST_F(PriceOptionsTest, SystemModeHidesTheProjectPage)
{
    TDlgOptCurr dialog(m_data, false);
    EXPECT_EQ(dialog.projectCopy(), nullptr);
    EXPECT_EQ(dialog.findChild<QTabWidget*>()->count(), 1);
    EXPECT_TRUE(dialog.findChild<QPushButton*>(s("DlgOptCurrSystemBtnCopy"))->isHidden());
}

// --- discounts and margins ------------------------------------------------------------------------

TEST_F(PriceOptionsTest, DiscountCopiesAreWrittenBackAndApplied)
{
    m_script.expect(s("DlgOptDiscMarg"), [this](QDialog& d) {
        auto& dialog = dynamic_cast<TDlgOptDiscMarg&>(d);
        TOptionGrid* sys = dialog.systemGrid();
        EXPECT_EQ(sys->rowCount(), t("TableSeries").recordCount()) << "a row for every series";
        int es = -1;
        for (int r = 0; r < dialog.systemCopy()->recordCount(); ++r)
            if (dialog.systemCopy()->rowValue(r, dialog.systemCopy()->fieldByName(s("Series")).index()) == s("ES"))
                es = r;
        ASSERT_GE(es, 0);
        EXPECT_FALSE(sys->item(es, 0)->text().isEmpty()) << "the series by its name";
        sys->enterValue(es, s("DiscLevel1"), s("40"));
        sys->enterValue(es, s("Margin"), s("50"));
        dialog.copyToProject();
        dialog.updateProject()->setChecked(true);
        clickButton(d, s("BtnOK"));
    });
    EXPECT_TRUE(OptionsDiscounts(m_data, true, true));
    EXPECT_TRUE(m_script.done());
    db::Dataset& system = t("TableSystemDiscMarg");
    ASSERT_TRUE(system.locate(s("Series"), s("ES")));
    EXPECT_NEAR(num(system, "DiscLevel1"), 40, 1e-9);
    db::Dataset& project = t("TableDiscMarg");
    ASSERT_TRUE(project.locate(s("Series"), s("ES")));
    EXPECT_NEAR(num(project, "DiscLevel1"), 40, 1e-9);
    EXPECT_NEAR(num(project, "Margin"), 50, 1e-9);
    db::Dataset& prices = t("TableProdPrices");
    EXPECT_NEAR(num(prices, "Discount"), 40, 1e-9);
    EXPECT_NEAR(num(prices, "Contribution"), 50, 1e-9);
    EXPECT_NEAR(num(prices, "QuotPrice"), 10 * 0.6 / 0.5, 1e-9);
    EXPECT_FALSE(m_data.database(s("DatabasePrivate")).tableExists(s("DiscMarg"))) << "the copy is deleted";
    // The project's log names the series that changed, once.
    db::Query log(m_data.database(s("DatabaseProjects")),
                  s("SELECT Source, Description FROM ProjLog WHERE Description LIKE 'Discount%'"));
    QStringList entries;
    for (log.open(); !log.eof(); log.next())
        entries << log.field(0).asString() + s(": ") + log.field(1).asString();
    EXPECT_EQ(entries, QStringList{s("PRICE: Discount/margin was changed for ES series")});
}

TEST_F(PriceOptionsTest, CancelledDiscountsChangeNothing)
{
    db::Dataset& project = t("TableDiscMarg");
    const int rows = project.recordCount();
    m_script.expect(s("DlgOptDiscMarg"), [](QDialog& d) {
        auto& dialog = dynamic_cast<TDlgOptDiscMarg&>(d);
        dialog.systemGrid()->enterValue(0, s("DiscLevel1"), s("99"));
        dialog.copyToProject();
        clickButton(d, s("BtnCancel"));
    });
    EXPECT_FALSE(OptionsDiscounts(m_data, true, true));
    EXPECT_EQ(project.recordCount(), rows);
    db::Dataset& system = t("TableSystemDiscMarg");
    for (system.first(); !system.eof(); system.next())
        EXPECT_NE(num(system, "DiscLevel1"), 99);
}

// --- units ---------------------------------------------------------------------------------------------

TEST_F(PriceOptionsTest, UsUnitsAreSetAndTheProjectsValuesConverted)
{
    db::Dataset& tech = t("TableProdTechData");
    tech.append();
    set(tech, {{"Property", "Head"}, {"Value", "10"}, {"Unit", "m"}, {"OldUnit", "m"}});
    tech.post();

    TDlgOptUnits dialog(m_data, true, true, false);
    EXPECT_TRUE(dialog.applyGroup()->isEnabled());
    EXPECT_TRUE(dialog.applyButton(TDlgOptUnits::Apply::Product)->isChecked());
    int headRow = -1;
    for (int r = 0; r < dialog.grid()->rowCount(); ++r)
        if (t("TableUnitTypes").rowValue(r, t("TableUnitTypes").fieldByName(s("Property")).index()) == s("Head"))
            headRow = r;
    ASSERT_GE(headRow, 0);
    std::unique_ptr<QWidget> editor(dialog.grid()->itemDelegateForColumn(2)->createEditor(
        dialog.grid()->viewport(), QStyleOptionViewItem(), dialog.grid()->model()->index(headRow, 2)));
    auto* units = qobject_cast<QComboBox*>(editor.get());
    ASSERT_NE(units, nullptr);
    QStringList offered;
    for (int i = 0; i < units->count(); ++i)
        offered << units->itemText(i);
    EXPECT_EQ(offered, (QStringList{s("ft"), s("m")})) << "the units of the row's type";
    clickButton(dialog, s("DlgOptUnitsBtnUS"));
    db::Dataset& unitTypes = t("TableUnitTypes");
    ASSERT_TRUE(unitTypes.locate(s("Property"), s("Head")));
    EXPECT_EQ(unitTypes.fieldByName(s("Unit")).asString(), s("ft"));
    ASSERT_TRUE(unitTypes.locate(s("Property"), s("Flow")));
    EXPECT_EQ(unitTypes.fieldByName(s("Unit")).asString(), s("USgpm"));
    EXPECT_FALSE(t("TableUnits").isFiltered()) << "the filter of the units is restored";

    dialog.applyButton(TDlgOptUnits::Apply::Project)->setChecked(true);
    clickButton(dialog, s("BtnOK"));
    tech.first();
    EXPECT_EQ(tech.fieldByName(s("Unit")).asString(), s("ft"));
    EXPECT_NEAR(tech.fieldByName(s("Value")).asString().toDouble(), 10 / 0.3048, 1e-9);

    TDlgOptUnits systemOnly(m_data, false, false, false);
    EXPECT_FALSE(systemOnly.applyGroup()->isEnabled());
    EXPECT_EQ(systemOnly.apply(), TDlgOptUnits::Apply::Nothing);
}

// --- project options ---------------------------------------------------------------------------------------

TEST_F(PriceOptionsTest, ProjectOptionsAreValidatedInOrderAndNormalised)
{
    struct Case {
        const char* project;
        const char* product;
        const char* accessory;
        const char* validity;
        const char* message;
    };
    const Case refused[] = {
        {"", "", "", "", "14"},       {"@N", "", "", "", "15"},        {"@N", "@N", "", "", "16"},
        {"@N", "@N", "@N", "", "17"}, {"@N", "@N", "@N", "4.5", "18"},
    };
    for (const Case& c : refused) {
        TDlgOptProj dialog;
        dialog.projectView()->setText(s(c.project));
        dialog.productView()->setText(s(c.product));
        dialog.accessoryView()->setText(s(c.accessory));
        dialog.validity()->setEditText(s(c.validity));
        m_script.expectMessage(s(c.message), MsgCodeOK);
        dialog.accept();
        EXPECT_NE(dialog.result(), QDialog::Accepted) << c.message;
        EXPECT_EQ(dialog.pages()->currentIndex(), QByteArray(c.message) >= "17" ? 1 : 0) << c.message;
    }
    EXPECT_TRUE(m_script.done());

    bool relabelled = false;
    m_script.expect(s("DlgOptProj"), [](QDialog& d) {
        auto& dialog = dynamic_cast<TDlgOptProj&>(d);
        dialog.validity()->setEditText(s("045"));
        dialog.hidePrices()->setChecked(true);
        clickButton(d, s("BtnOK"));
    });
    EXPECT_TRUE(OptionsProject([&] { relabelled = true; }));
    EXPECT_TRUE(relabelled);
    settings().resetToDefaults();
    settings().LoadProjectSettings();
    EXPECT_EQ(settings().project().QuotValTime, 45);
    EXPECT_EQ(settings().project().QuotValList, s("30,60,90,45"));
    EXPECT_TRUE(settings().project().HidePrices);
}

} // namespace
