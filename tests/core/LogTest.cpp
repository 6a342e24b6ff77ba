#include "app/core/AppContext.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "db/Value.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace kiro;

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ws.layOutDatabases();
        settings().open(m_ws.workIni());
        app().setCurrentUserID(s("ANNA"));
        m_data.FormDataCreate();
        m_data.bindItemRuleHandlers();
        ASSERT_TRUE(m_data.OpenSession() && m_data.OpenSystem() && m_data.OpenLang() && m_data.OpenProjects());
    }

    db::Dataset& t(const char* component) { return m_data.table(s(component)); }
    QString add(const char* component, const QVariantMap& values)
    {
        db::Dataset& d = t(component);
        EXPECT_TRUE(d.append());
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            d.fieldByName(it.key()).setValue(it.value());
        EXPECT_TRUE(d.post());
        return d.fieldByName(s("ID")).asString();
    }
    // Rows of a log table as "ParentID|Name|Source|Description|Severity|User|Comment".
    QStringList entries(const char* table)
    {
        db::Query q(m_data.database(s("DatabaseProjects")),
                    QStringLiteral("SELECT * FROM %1 ORDER BY Date, ID").arg(s(table)));
        QStringList rows;
        for (q.open(); !q.eof(); q.next()) {
            QStringList cells;
            for (const char* f : {"ParentID", "Name", "Source", "Description", "Severity", "User", "Comment"})
                cells << q.value(s(f)).toString();
            rows << cells.join(u'|');
        }
        return rows;
    }

    test::TestWorkspace m_ws;
    test::RecordingInteraction m_messages;
    TFormData m_data;
};

} // namespace

TEST_F(LogTest, EachKindWritesToItsOwnersLogAndNoOtherKindWritesAnything)
{
    const QString project = add("TableProjects", {{s("Name"), s("Station")}});
    const QString product = add("TableProducts", {{s("Name"), s("Pump")}});
    const QString accessory = add("TableAccessories", {{s("Name"), s("Valve")}});
    const QStringList projLog = entries("ProjLog");
    const QStringList prodLog = entries("ProdLog");

    struct Case {
        int kind;
        const char* table;
        QString owner;
    };
    const Case cases[] = {{1, "ProjLog", project}, {2, "ProdLog", product}, {3, "AccLog", accessory}};
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        const QStringList old = entries(c.table);
        EXPECT_TRUE(m_data.AddLogEntry(c.kind, s("Name"), s("SRC"), s("A comment"), s("BOB"), s("Something"),
                                       s("Information")));
        const QStringList now = entries(c.table);
        ASSERT_EQ(now.size(), old.size() + 1);
        EXPECT_EQ(now.last(), c.owner + s("|Name|SRC|Something|Information|BOB|A comment"));
        db::Query q(m_data.database(s("DatabaseProjects")),
                    QStringLiteral("SELECT MAX(Date) AS Date FROM %1").arg(s(c.table)));
        q.open();
        EXPECT_GE(db::value::parseDateTime(q.field(0).asString()), before) << "the time of the entry";
    }
    for (int kind : {0, 4, -1}) {
        SCOPED_TRACE(kind);
        const int total = entries("ProjLog").size() + entries("ProdLog").size() + entries("AccLog").size();
        EXPECT_FALSE(m_data.AddLogEntry(kind, s("N"), s("S"), {}, s("U"), s("D"), s("Information")));
        EXPECT_EQ(entries("ProjLog").size() + entries("ProdLog").size() + entries("AccLog").size(), total);
    }
    EXPECT_EQ(projLog.size(), 1);
    EXPECT_EQ(prodLog.size(), 1);
    EXPECT_TRUE(m_messages.messages().isEmpty()) << "the log never asks or reports";
}

TEST_F(LogTest, AnEntryWithoutAnOwnerIsRefused)
{
    add("TableProjects", {{s("Name"), s("Station")}});
    EXPECT_FALSE(m_data.AddLogEntry(3, s("Valve"), s("KIRO"), {}, s("ANNA"), s("x"), s("Information")))
        << "no accessory is current";
    EXPECT_TRUE(entries("AccLog").isEmpty());
    EXPECT_FALSE(t("TableAccLog").state() == db::DatasetState::Insert);
}

TEST_F(LogTest, NewItemsAreLoggedInTheirOwnersLogOnceStored)
{
    add("TableProjects", {{s("Name"), s("First")}});
    const QString second = add("TableProjects", {{s("Name"), s("Second")}});
    const QString product = add("TableProducts", {{s("Name"), s("Pump 80-200")}});
    db::Dataset& accessories = t("TableAccessories");
    ASSERT_TRUE(accessories.append());
    accessories.fieldByName(s("Name")).setValue(s("Dropped"));
    accessories.cancel();
    add("TableAccessories", {{s("Name"), s("Valve")}});

    EXPECT_EQ(entries("ProjLog"), QStringList{second + s("|Pump 80-200|KIRO|A product was added|Information|ANNA|")});
    EXPECT_EQ(entries("ProdLog"), QStringList{product + s("|Valve|KIRO|An accessory was added|Information|ANNA|")})
        << "a cancelled row was never added";
    db::Dataset& products = t("TableProducts");
    products.edit();
    products.fieldByName(s("Name")).setValue(s("Renamed"));
    ASSERT_TRUE(products.post());
    EXPECT_EQ(entries("ProjLog").size(), 1) << "changing a product adds nothing";
}

TEST_F(LogTest, ChangedTechnicalValuesAndDiscountsAreLogged)
{
    add("TableProjects", {{s("Name"), s("Station")}});
    const QString product = add("TableProducts", {{s("Name"), s("Pump")}});
    const QString accessory = add("TableAccessories", {{s("Name"), s("Valve")}});
    add("TableProdTechData", {{s("Property"), s("Efficiency")}, {s("Value"), s("71")}});
    add("TableAccTechData", {{s("Property"), s("Custom")}, {s("Value"), s("3")}});
    add("TableDiscMarg", {{s("Series"), s("ES")}, {s("Margin"), 20}});
    const QStringList prodLog = entries("ProdLog");
    EXPECT_TRUE(entries("AccLog").isEmpty()) << "a new row is not a changed value";

    struct Case {
        const char* component;
        const char* field;
        QVariant value;
    };
    const Case edits[] = {{"TableProdTechData", "Value", s("72")},
                          {"TableProdTechData", "Value", s("72")}, // the same value again: no entry
                          {"TableProdTechData", "Unit", s("%")},
                          {"TableAccTechData", "Value", s("4")},
                          {"TableDiscMarg", "Margin", 22.5}};
    for (const Case& c : edits) {
        db::Dataset& d = t(c.component);
        d.edit();
        d.fieldByName(s(c.field)).setValue(c.value);
        ASSERT_TRUE(d.post()) << c.component;
    }
    EXPECT_EQ(entries("ProdLog").mid(prodLog.size()),
              QStringList{product + s("|Pump|TECHDATA|The value for Pump efficiency has been changed|Warning|ANNA|")})
        << "with the property's translated name";
    EXPECT_EQ(entries("AccLog"),
              QStringList{accessory + s("|Valve|TECHDATA|The value for Custom has been changed|Warning|ANNA|")});
    EXPECT_EQ(entries("ProjLog").last().section(u'|', 1),
              s("|PRICE|Discount/margin was changed for ES series|Information|ANNA|"));
}
