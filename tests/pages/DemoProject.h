#pragma once

#include "app/core/AppContext.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Dataset.h"
#include "support/ScriptedInteraction.h"
#include "support/TestWorkspace.h"

#include <QApplication>
#include <QString>
#include <QTest>
#include <QVariantMap>
#include <QWidget>

#include <gtest/gtest.h>

namespace kiro::test {

inline QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// The shipped databases with one demonstration project, positioned on it:
// three products (a pump, its alternative and an additional option), two
// accessories and price rows on the pump, an additional cost of the pump,
// the project's own additional cost and freight, a customer order, a
// purchase order and documents.
class DemoProject : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ws.layOutDatabases();
        settings().open(m_ws.workIni());
        app().setCurrentUserID(s("ANNA"));
        app().setCurrentUserName(s("Anna Exempelsson"));
        m_data.FormDataCreate();
        ASSERT_TRUE(m_data.OpenSession() && m_data.OpenSystem() && m_data.OpenLang() && m_data.OpenProjects());
        m_data.SetLangSystem(s("UK"));
        m_data.SetLangProject(s("UK"));
        buildProject();
    }

    db::Dataset& t(const char* component) { return m_data.table(s(component)); }

    QString addRow(const char* component, const QVariantMap& values)
    {
        db::Dataset& d = t(component);
        EXPECT_TRUE(d.append()) << component;
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            d.fieldByName(it.key()).setValue(it.value());
        EXPECT_TRUE(d.post()) << component;
        return d.fieldByName(s("ID")).asString();
    }

    void buildProject()
    {
        const QDateTime today(QDate(2026, 3, 2), QTime(0, 0));
        m_project = addRow("TableProjects", {{s("Name"), s("Harbour pumping station")},
                                             {s("QuotNumber"), s("Q-2026-014")},
                                             {s("QuotHandledBy"), s("Anna Exempelsson")},
                                             {s("QuotDate"), today},
                                             {s("QuotValidDate"), today.addDays(30)},
                                             {s("QuotCustName"), s("Nordhamn Water Works")},
                                             {s("QuotCustID"), s("C1004")},
                                             {s("QuotCustAddress"), s("Kajgatan 4\n412 51 Nordhamn\nSweden")},
                                             {s("QuotCustAttention"), s("Eva Lind")},
                                             {s("QuotCustReference"), s("Pump station 3")},
                                             {s("QuotComments"), s("Delivery in week 18.")},
                                             {s("ProjectStatus"), s("2")},
                                             {s("ProjectStatusDateQuot"), today},
                                             {s("ProjectCreated"), today},
                                             {s("ProjectCreatedBy"), s("Anna Exempelsson")},
                                             {s("ProjectModified"), today},
                                             {s("ProjectModifiedBy"), s("Anna Exempelsson")},
                                             {s("ProjCurrency"), s("EUR")}});
        m_data.CopySystemCurrencies(m_project);
        m_data.CopySystemDiscounts(m_project);
        t("TableCurrencies").refresh();
        t("TableDiscMarg").refresh();

        auto product = [&](const char* name, int order, const QVariantMap& more) {
            QVariantMap values{{s("Name"), s(name)},
                               {s("Order"), order},
                               {s("Tag"), QString::number(order * 10)},
                               {s("Description"), s("End-suction pump")},
                               {s("Class"), s("B")},
                               {s("ProductSeries"), s("ES")},
                               {s("ProdCurrency"), s("EUR")},
                               {s("TotalCurrency"), s("EUR")},
                               {s("Qty"), 2},
                               {s("PDB"), true}};
            for (auto it = more.cbegin(); it != more.cend(); ++it)
                values[it.key()] = it.value();
            return addRow("TableProducts", values);
        };
        m_pump = product("ES 80-200", 1, {});
        m_alternative = product("ES 100-250", 2, {{s("Alternate"), true}, {s("AlternateFor"), m_pump}});
        m_option = product("VL 65-160", 3, {{s("AddOption"), true}});
        ASSERT_TRUE(t("TableProducts").locate(s("ID"), m_pump));

        m_accessory = addRow("TableAccessories", {{s("Name"), s("BC baseplate 80")},
                                                  {s("Order"), 1},
                                                  {s("Tag"), s("10.1")},
                                                  {s("Description"), s("Steel baseplate")},
                                                  {s("Class"), s("C")},
                                                  {s("PDB"), true}});
        m_spareAccessory = addRow("TableAccessories", {{s("Name"), s("CP starter")},
                                                       {s("Order"), 2},
                                                       {s("Tag"), s("10.2")},
                                                       {s("Description"), s("Direct-on-line starter")},
                                                       {s("External"), true}});
        addRow("TableProdPrices", {{s("Description"), s("Pump ES 80-200")},
                                   {s("Series"), s("ES")},
                                   {s("Level"), s("1")},
                                   {s("ListPrice"), s("1000")},
                                   {s("ListCurrency"), s("EUR")},
                                   {s("NetCurrency"), s("EUR")},
                                   {s("QuotCurrency"), s("EUR")},
                                   {s("Discount"), 20},
                                   {s("Contribution"), 25},
                                   {s("Show"), true}});
        addRow("TableProdPrices", {{s("Description"), s("Baseplate")},
                                   {s("AccessoryID"), m_accessory},
                                   {s("ListPrice"), s("2000")},
                                   {s("ListCurrency"), s("SEK")},
                                   {s("NetCurrency"), s("SEK")},
                                   {s("QuotCurrency"), s("EUR")},
                                   {s("Contribution"), 20}});
        addRow("TableAddCosts", {{s("Description"), s("Crating")}, {s("ListPrice"), s("80")}, {s("Show"), true}});
        addRow("TableProdDocuments", {{s("Name"), s("/data/pdb/ES/datasheet.pdf")},
                                      {s("Description"), s("Data sheet")},
                                      {s("Author"), s("ZEK")},
                                      {s("Version"), s("2.1")}});
        addRow("TableProdDocuments", {{s("Name"), s("/home/anna/site-photo.jpg")},
                                      {s("Description"), s("Site photo")},
                                      {s("External"), true}});

        addRow("TableProjAddCosts", {{s("Name"), s("Commissioning")}, {s("TotalProdPrice"), 500}, {s("Show"), true}});
        addRow("TableProjPackTrans", {{s("Name"), s("Freight to site")}, {s("TotalProdPrice"), 300}});
        addRow("TableCustOrders", {{s("Status"), s("20")},
                                   {s("StatusDate"), today.addDays(5)},
                                   {s("OrderNumber"), s("CO-7781")}});
        addRow("TablePurchOrders", {{s("Status"), s("10")},
                                    {s("StatusDate"), today.addDays(6)},
                                    {s("OrderNumber"), s("PO-5512")}});
        addRow("TableDocuments", {{s("Name"), s("/home/anna/offer-request.pdf")}, {s("External"), true}});
        ASSERT_TRUE(t("TableProjects").locate(s("ID"), m_project));
        ASSERT_TRUE(t("TableProducts").locate(s("ID"), m_pump));
    }

    // Shows a page as a window of its own and makes it active.
    static void show(QWidget& page, QSize size = QSize(1180, 760))
    {
        page.resize(size);
        page.show();
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    }

    TestWorkspace m_ws;
    ScriptedInteraction m_script;
    TFormData m_data;
    QString m_project;
    QString m_pump;
    QString m_alternative;
    QString m_option;
    QString m_accessory;
    QString m_spareAccessory;
};

} // namespace kiro::test
