#include "tools/DemoProjects.h"

#include "app/core/AppContext.h"
#include "app/core/Interaction.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "data/Schema.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/Query.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <stdexcept>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

const char* const kDocumentTables[] = {"Documents", "ProdDocuments"};

[[noreturn]] void fail(const QString& why)
{
    throw std::runtime_error(why.toStdString());
}

// Keeps what the data module would have told a user, so that a failed step
// can say why instead of only that it failed.
class CollectingInteraction final : public Interaction {
public:
    int showMessage(const MessageRequest& request) override
    {
        m_texts << request.text;
        if (request.defaultCode != 0)
            return request.defaultCode;
        return request.buttons.isEmpty() ? 2 : request.buttons.first();
    }
    void showPlainMessage(const QString& text) override { m_texts << text; }
    QStringList chooseFiles(const FileRequest&) override { return {}; }
    QString text() const { return m_texts.join(QLatin1Char('\n')); }

private:
    QStringList m_texts;
};

// The step borrows the process-wide settings, app context and message
// service; they are given back however it ends.
class ProcessStateGuard {
public:
    explicit ProcessStateGuard(Interaction* service)
        : m_app(app())
        , m_previous(setInteraction(service))
    {}
    ~ProcessStateGuard()
    {
        settings().close();
        settings().resetToDefaults();
        app() = m_app;
        setInteraction(m_previous);
    }
    ProcessStateGuard(const ProcessStateGuard&) = delete;
    ProcessStateGuard& operator=(const ProcessStateGuard&) = delete;

private:
    AppContext m_app;
    Interaction* m_previous;
};

QStringList column(db::Connection& connection, const QString& sql)
{
    db::Query query(connection, sql);
    query.open();
    QStringList values;
    for (; !query.eof(); query.next())
        values << query.field(0).value().toString();
    return values;
}

// The seed's paths with the program folder put in. A path that would not
// fit its field is refused: cut, it would name another file.
void replacePlaceholders(db::Connection& connection, const QString& exeDir)
{
    const QString folder = QDir(exeDir).absolutePath();
    for (const char* name : kDocumentTables) {
        const int width = schema::table(s(name)).field(s("Name"))->size;
        db::Query select(connection,
                         QStringLiteral("SELECT ID, Name FROM \"%1\" WHERE instr(Name, ?) > 0").arg(s(name)));
        select.bindValue(0, demoExeDirPlaceholder());
        select.open();
        QList<std::pair<QString, QString>> changes;
        for (; !select.eof(); select.next()) {
            const QString path = select.value(s("Name")).toString().replace(demoExeDirPlaceholder(), folder);
            if (path.size() > width)
                fail(QStringLiteral("The document path '%1' is longer than %2 characters; lay the program out in a "
                                    "folder with a shorter path.")
                         .arg(path)
                         .arg(width));
            changes.append({select.value(s("ID")).toString(), path});
        }
        select.close();
        db::Query update(connection, QStringLiteral("UPDATE \"%1\" SET Name = ? WHERE ID = ?").arg(s(name)));
        for (const auto& [id, path] : std::as_const(changes)) {
            update.bindValue(0, path);
            update.bindValue(1, id);
            update.execSql();
        }
    }
}

// Each step reports its own failure through the message service and gives
// false; the collected text says why.
void check(bool ok, const QString& what, const CollectingInteraction& messages)
{
    if (!ok)
        fail(QStringLiteral("%1: %2").arg(what, messages.text()));
}

// OneToOne of every currency of the project, as a change of its rate makes it.
void priceCurrencies(TFormData& data)
{
    db::Dataset& currencies = data.table(s("TableCurrencies"));
    for (currencies.first(); !currencies.eof(); currencies.next()) {
        currencies.edit();
        currencies.fieldByName(s("Rate")).setValue(currencies.fieldByName(s("Rate")).value());
        currencies.post();
    }
}

// Order rows take the figures of their product, as creating the order does:
// the unit quotation price for customer orders, the landed cost for purchase
// orders, both in the product's currency. Setting the price totals the row
// and the order.
void priceOrders(TFormData& data, const char* ordersName, const char* rowsName, const char* priceField)
{
    db::Dataset& products = data.table(s("TableProducts"));
    db::Dataset& orders = data.table(s(ordersName));
    db::Dataset& rows = data.table(s(rowsName));
    for (orders.first(); !orders.eof(); orders.next()) {
        for (rows.first(); !rows.eof(); rows.next()) {
            const QString productID = rows.fieldByName(s("ProductID")).asString();
            const QVariant price = products.lookup(s("ID"), productID, s(priceField));
            const QVariant currency = products.lookup(s("ID"), productID, s("ProdCurrency"));
            if (!price.isValid())
                fail(QStringLiteral("Order row '%1' names no product of its project.")
                         .arg(rows.fieldByName(s("ID")).asString()));
            rows.edit();
            rows.fieldByName(s("Currency")).setValue(currency);
            rows.fieldByName(s("Price")).setValue(price); // totals and posts the row, then the order
            rows.checkBrowseMode();
        }
    }
}

} // namespace

QString demoExeDirPlaceholder()
{
    return QStringLiteral("@EXEDIR@");
}

bool demoProjectsPending(const QString& projectsDirectory)
{
    db::Connection connection;
    try {
        connection.open(projectsDirectory, db::Connection::OpenMode::Existing);
        for (const char* name : kDocumentTables) {
            if (!connection.tableExists(s(name)))
                continue;
            db::Query query(connection,
                            QStringLiteral("SELECT COUNT(*) FROM \"%1\" WHERE instr(Name, ?) > 0").arg(s(name)));
            query.bindValue(0, demoExeDirPlaceholder());
            query.open();
            if (query.field(0).value().toInt() > 0)
                return true;
        }
    } catch (const db::DatabaseError& e) {
        fail(QStringLiteral("Could not read the project database in '%1': %2").arg(projectsDirectory, e.message()));
    }
    return false;
}

bool prepareDemoProjects(const QString& exeDir)
{
    const QString projectsDirectory = QDir(exeDir).absoluteFilePath(s("Projects"));
    if (!demoProjectsPending(projectsDirectory))
        return false;
    if (settings().isOpen())
        fail(QStringLiteral("The demonstration projects are prepared before the settings are opened."));

    CollectingInteraction messages;
    ProcessStateGuard guard(&messages);
    // The directories are the program folder's; the settings file the data
    // module writes them into is a scratch one, never the user's.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        fail(QStringLiteral("Could not create a temporary folder: %1").arg(scratch.errorString()));
    app().setExeDir(exeDir);
    settings().open(scratch.filePath(s("KIRO.INI")));

    TFormData data;
    // Closed and cleaned up on every path, so that a failure leaves no
    // private directory behind.
    struct Closer {
        TFormData& data;
        ~Closer()
        {
            data.CloseProjects();
            data.CloseSystem();
            data.CleanupPrivateDir();
        }
    } closer{data};
    data.FormDataCreate();
    data.bindPricingHandlers();
    check(data.OpenSystem(), QStringLiteral("Could not open the system database"), messages);
    check(data.OpenProjects(), QStringLiteral("Could not open the project database"), messages);

    db::Connection& connection = data.database(s("DatabaseProjects"));
    try {
        db::Transaction transaction(connection);
        const QStringList projectIDs = column(connection, s("SELECT ID FROM Projects ORDER BY Name, Revision"));
        db::Dataset& projects = data.table(s("TableProjects"));
        for (const QString& id : projectIDs) {
            if (!projects.locate(s("ID"), id))
                fail(QStringLiteral("Project '%1' cannot be found.").arg(id));
            priceCurrencies(data);
            check(data.RecalculateAllProducts(), QStringLiteral("Could not price the products"), messages);
            check(data.RecalculateProject(), QStringLiteral("Could not price the project"), messages);
            priceOrders(data, "TableCustOrders", "TableCustOrdRows", "TotalPriceQuotPrice");
            priceOrders(data, "TablePurchOrders", "TablePurchOrdRows", "TotalProdPriceNLLC");
        }
        replacePlaceholders(connection, exeDir);
        transaction.commit();
    } catch (const db::DatabaseError& e) {
        fail(QStringLiteral("Could not prepare the demonstration projects: %1").arg(e.message()));
    }
    return true;
}

} // namespace kiro
