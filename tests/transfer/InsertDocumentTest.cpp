#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Dataset.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"
#include "transfer/TransferSupport.h"
#include "tree/DumpFileDocument.h"

#include <QFile>
#include <QFileInfo>

using namespace kiro;
using namespace kiro::test;

namespace {

// The data module on the demo databases, standing on the first demo project
// and its first product.
class InsertDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws.layOutDatabases();
        settings().open(ws.workIni());
        app().setCurrentUserID(s("ANNA"));
        app().setCurrentUserName(s("Anna Berg"));
        data.FormDataCreate();
        ASSERT_TRUE(data.OpenSession() && data.OpenSystem() && data.OpenLang() && data.OpenProjects())
            << str(messages.messages().join(u'\n'));
        // A project of its own, made the way the program makes one.
        projectName = s("Station");
        revision = 2;
        projectID = addRow(
            "TableProjects",
            {{s("Name"), projectName}, {s("Revision"), revision}, {s("Latest"), true}, {s("ProjCurrency"), s("EUR")}});
        data.CopySystemCurrencies(projectID);
        productID = addRow("TableProducts", {{s("Name"), s("Pump")},
                                             {s("Order"), 1},
                                             {s("Tag"), s("1")},
                                             {s("ProdCurrency"), s("EUR")},
                                             {s("TotalCurrency"), s("EUR")}});
        for (const char* price : {"1200", "80.5"})
            addRow("TableProdPrices", {{s("Keyword"), s("K")},
                                       {s("ListPrice"), s(price)},
                                       {s("ListCurrency"), s("EUR")},
                                       {s("NetCurrency"), s("EUR")},
                                       {s("QuotCurrency"), s("EUR")},
                                       {s("Level"), s("1")}});
        addRow("TableAccessories", {{s("Name"), s("Valve")}, {s("Order"), 1}, {s("Tag"), s("1")}, {s("Qty"), 2}});
        addRow("TableAccPrices", {{s("Keyword"), s("V")},
                                  {s("ListPrice"), s("40")},
                                  {s("ListCurrency"), s("EUR")},
                                  {s("NetCurrency"), s("EUR")},
                                  {s("QuotCurrency"), s("EUR")}});
        addRow("TableProdLog", {{s("Description"), s("made for the test")}});
        ASSERT_TRUE(t("TableProducts").locate(s("ID"), productID));
    }

    QString addRow(const char* component, const QVariantMap& values)
    {
        db::Dataset& d = t(component);
        EXPECT_TRUE(d.append()) << component;
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            d.fieldByName(it.key()).setValue(it.value());
        EXPECT_TRUE(d.post()) << component;
        return d.fieldByName(s("ID")).asString();
    }

    db::Dataset& t(const char* component) { return data.table(s(component)); }
    QString id(const char* component) { return t(component).fieldByName(s("ID")).asString(); }
    db::Connection& projects() { return data.database(s("DatabaseProjects")); }
    int count(const QString& sql)
    {
        db::Query q(projects(), sql);
        q.open();
        return q.field(0).asInteger();
    }
    int allRows()
    {
        int n = 0;
        for (const db::TableDef& def : schema::projectTables())
            n += count(QStringLiteral("SELECT COUNT(*) FROM %1").arg(def.name));
        return n;
    }
    QString newProject(const QString& name) { return addRow("TableProjects", {{s("Name"), name}, {s("Revision"), 1}}); }

    TestWorkspace ws;
    RecordingInteraction messages;
    TFormData data;
    QString projectID, productID, projectName;
    int revision = 0;
};

} // namespace

TEST_F(InsertDocumentTest, AProductPastedOnAnotherProjectGoesToTheEndOfItsProducts)
{
    const int accessories =
        count(QStringLiteral("SELECT COUNT(*) FROM Accessories WHERE ProductID = '%1'").arg(productID));
    const QString path = CreateKIROFile(data, 2, productID, s("Pump: copy"));
    EXPECT_EQ(QFileInfo(path).fileName(), s("Pump_ copy.KIRO_PRD"));
    EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(ws.tmpDir()).absoluteFilePath());

    const QString target = newProject(s("Other"));
    const TInsertResult r = InsertDocument(data, {1, target, {}}, path);
    ASSERT_EQ(r.outcome, TInsertResult::Outcome::Inserted) << str(messages.messages().join(u'\n'));
    EXPECT_EQ(r.kind, 2);
    EXPECT_EQ(r.parentID, target);
    EXPECT_EQ(id("TableProjects"), target);
    EXPECT_EQ(id("TableProducts"), r.id) << "the tables stand on the new product for its node";
    EXPECT_EQ(t("TableAccessories").recordCount(), accessories);
    EXPECT_NE(r.id, productID);
    // The project's sums take the product in.
    const double line = t("TableProducts").fieldByName(s("TotalPriceQuotPriceSum")).asFloat();
    if (!t("TableProducts").fieldByName(s("Alternate")).asBoolean() &&
        !t("TableProducts").fieldByName(s("AddOption")).asBoolean()) {
        EXPECT_DOUBLE_EQ(t("TableProjects").fieldByName(s("ProjPriceProducts")).asFloat(), line);
    }

    // A second paste lands behind the first.
    const TInsertResult again = InsertDocument(data, {102, target, {}}, path);
    ASSERT_EQ(again.outcome, TInsertResult::Outcome::Inserted);
    EXPECT_EQ(t("TableProducts").fieldByName(s("Order")).asInteger(), 2);
}

TEST_F(InsertDocumentTest, AnItemOfferedToANodeThatCannotTakeItIsIgnored)
{
    const QString product = CreateKIROFile(data, 2, productID);
    const int rows = allRows();
    EXPECT_EQ(InsertDocument(data, {4, projectID, productID}, product).outcome, TInsertResult::Outcome::Ignored);
    EXPECT_EQ(InsertDocument(data, {2, projectID, productID}, product).outcome, TInsertResult::Outcome::Ignored);
    EXPECT_EQ(allRows(), rows);

    QFile plain(ws.tmpDir() + s("/notes.txt"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("just text");
    plain.close();
    EXPECT_EQ(InsertDocument(data, {1, projectID, {}}, plain.fileName()).outcome,
              TInsertResult::Outcome::NotTransferFile);
    EXPECT_EQ(InsertDocument(data, {1, projectID, {}}, ws.tmpDir() + s("/gone.KIRO_PRJ")).outcome,
              TInsertResult::Outcome::Nothing);
    EXPECT_EQ(allRows(), rows);
}

TEST_F(InsertDocumentTest, APastedProjectThatExistsAsksWhetherToOverwriteOrRename)
{
    const QString path = CreateKIROFile(data, 1, projectID);
    const int rows = allRows();
    const int projectsBefore = count(s("SELECT COUNT(*) FROM Projects"));
    struct Case {
        int answer;
        bool giveName;
        TInsertResult::Outcome outcome;
        int projectsAfter; // relative to before
    };
    const std::vector<Case> cases = {
        {MsgCodeCancel, false, TInsertResult::Outcome::Cancelled, 0},
        {MsgCodeNo, false, TInsertResult::Outcome::Cancelled, 0}, // the name input cancelled
        {MsgCodeNo, true, TInsertResult::Outcome::Inserted, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        messages.answer(c.answer);
        TInsertOptions options;
        options.inputText = [&](const QString& prompt, QString& value) {
            EXPECT_TRUE(prompt.startsWith(s("Enter a new project name"))) << str(prompt);
            value = s("Renamed copy");
            return c.giveName;
        };
        const TInsertResult r = InsertDocument(data, {}, path, options);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(count(s("SELECT COUNT(*) FROM Projects")), projectsBefore + c.projectsAfter);
        if (r.outcome == TInsertResult::Outcome::Inserted) {
            EXPECT_EQ(id("TableProjects"), r.id);
            EXPECT_EQ(t("TableProjects").fieldByName(s("Name")).asString(), s("Renamed copy"));
            const QString products = s("SELECT COUNT(*) FROM Products WHERE ProjectID = '%1'");
            EXPECT_EQ(count(products.arg(r.id)), count(products.arg(projectID)));
            EXPECT_GT(allRows(), rows);
        } else {
            EXPECT_EQ(allRows(), rows);
        }
    }
    ASSERT_FALSE(messages.messages().isEmpty());
    EXPECT_TRUE(messages.messages().first().contains(projectName));

    // Yes replaces the existing project with the copy.
    messages.answer(MsgCodeYes);
    const TInsertResult r = InsertDocument(data, {}, path);
    ASSERT_EQ(r.outcome, TInsertResult::Outcome::Inserted);
    EXPECT_EQ(r.replacedProjects, QStringList{projectID});
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Projects WHERE ID = '%1'").arg(projectID)), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Products WHERE ProjectID = '%1'").arg(projectID)), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Projects WHERE ID = '%1' AND Name = '%2' AND Revision = %3")
                        .arg(r.id, projectName)
                        .arg(revision)),
              1);
}

TEST_F(InsertDocumentTest, ADamagedFileInsertsNothingAndOverwritesNothing)
{
    const QString path = CreateKIROFile(data, 1, projectID);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(f.size() - 3));
    f.close();
    const int rows = allRows();
    messages.clear();
    messages.answer(MsgCodeYes); // overwrite the existing project
    const TInsertResult r = InsertDocument(data, {}, path);
    EXPECT_EQ(r.outcome, TInsertResult::Outcome::Failed);
    EXPECT_TRUE(r.replacedProjects.isEmpty());
    EXPECT_EQ(allRows(), rows) << "the project to overwrite is still there, and no half copy";
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Projects WHERE ID = '%1'").arg(projectID)), 1);
    ASSERT_EQ(messages.messages().size(), 2);
    EXPECT_TRUE(messages.messages().last().contains(QFileInfo(path).fileName())) << str(messages.messages().last());
    EXPECT_TRUE(messages.messages().last().contains(s("incomplete"))) << str(messages.messages().last());
    EXPECT_TRUE(t("TableProjects").locate(s("ID"), projectID)) << "the tables show the project again";
}

TEST_F(InsertDocumentTest, AnAccessoryPastedOnAProductCountsInItsTotals)
{
    const QString accessory = id("TableAccessories");
    const QString path = CreateKIROFile(data, 4, accessory);
    auto sum = [&](const char* field, const QString& where) {
        db::Query q(projects(), QStringLiteral("SELECT SUM(%1) FROM DetailPrices WHERE %2").arg(s(field), where));
        q.open();
        return q.field(0).asFloat();
    };
    const double rows = sum("SumQuotPrice", QStringLiteral("AccessoryID = '%1'").arg(accessory));
    const double before = t("TableProducts").fieldByName(s("TotalPrice")).asFloat();
    ASSERT_GT(rows, 0.0) << str(t("TableAccPrices").fieldByName(s("QuotPrice")).asString()) << " "
                         << str(t("TableAccPrices").fieldByName(s("Qty")).asString());

    const TInsertResult r = InsertDocument(data, {104, projectID, productID}, path);
    ASSERT_EQ(r.outcome, TInsertResult::Outcome::Inserted) << str(messages.messages().join(u'\n'));
    EXPECT_EQ(r.parentID, productID);
    EXPECT_EQ(id("TableAccessories"), r.id);
    EXPECT_EQ(t("TableAccessories").fieldByName(s("Order")).asInteger(), 2);
    EXPECT_DOUBLE_EQ(sum("SumQuotPrice", QStringLiteral("AccessoryID = '%1'").arg(r.id)), rows)
        << "the prices arrive as they were written";
    EXPECT_DOUBLE_EQ(t("TableProducts").fieldByName(s("TotalPrice")).asFloat(), before + rows);
}
