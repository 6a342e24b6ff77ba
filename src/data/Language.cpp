// The language side of the data module: which language row the interface
// tables stand on, the language column of every lookup field, and the
// message texts.

#include "data/FormData.h"

#include "app/core/Messages.h"
#include "app/core/Progress.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"

#include <QVariantList>

namespace kiro {

namespace {


bool hasColumn(db::Dataset& table, const QString& column)
{
    return table.findField(column).isValid();
}

// Points a lookup field at another language column of its keyword table
// and re-reads the table so the rows show it.
void switchLookup(db::Dataset& table, const QString& field, db::Dataset& keywords, const QString& language)
{
    if (!hasColumn(keywords, language))
        return;
    table.setLookupResultField(field, language);
}

} // namespace

QString TFormData::GetActiveLanguage() const
{
    return kiro::GetActiveLanguage();
}

bool TFormData::SetLangSystem(const QString& language)
{
    db::Dataset& main = table(QStringLiteral("TableLangMain"));
    if (!main.isActive())
        return false;
    const QString text = QStringLiteral("Setting application language");
    ShowProgress(text, {}, 0);
    bool found = false;
    try {
        found = main.locate(QStringLiteral("ID"), language, db::LocateOption::CaseInsensitive);
        int position = 20;
        for (const char* name : {"TableLangMenus", "TableLangDialogs", "TableLangToolButtons"}) {
            table(QString::fromLatin1(name)).locate(QStringLiteral("ID"), language, db::LocateOption::CaseInsensitive);
            ShowProgress(text, {}, position);
            position += 20;
        }
        if (found) {
            SetActiveLanguage(language);
            db::Dataset& unitTypes = table(QStringLiteral("TableUnitTypes"));
            const bool wasOpen = unitTypes.isActive();
            unitTypes.close();
            switchLookup(unitTypes, QStringLiteral("_PROP"), table(QStringLiteral("TableLangTechData")), language);
            if (wasOpen)
                unitTypes.open();
        }
    } catch (const db::DatabaseError&) {
        HideProgress();
        return false;
    }
    ShowProgress(text, {}, 100);
    return found;
}

bool TFormData::SetLangProject(const QString& language)
{
    const QString text = QStringLiteral("Setting database language");
    ShowProgress(text, {}, 0);
    try {
        db::Dataset& projects = table(QStringLiteral("TableProjects"));
        db::Dataset& products = table(QStringLiteral("TableProducts"));
        const QString projectId =
            projects.isActive() && !projects.isEmpty() ? projects.fieldByName(QStringLiteral("ID")).asString() : QString();
        const QString productId =
            products.isActive() && !products.isEmpty() ? products.fieldByName(QStringLiteral("ID")).asString() : QString();
        ShowProgress(text, {}, 10);

        auto reopen = [](db::Dataset& t, const std::function<void()>& change) {
            const bool wasOpen = t.isActive();
            t.close();
            change();
            if (wasOpen)
                t.open();
        };
        db::Dataset& langTech = table(QStringLiteral("TableLangTechData"));
        for (const char* tech : {"TableProdTechData", "TableAccTechData"}) {
            db::Dataset& t = table(QString::fromLatin1(tech));
            reopen(t, [&] { switchLookup(t, QStringLiteral("_PROP"), langTech, language); });
        }
        ShowProgress(text, {}, 30);

        reopen(projects, [&] {
            switchLookup(projects, QStringLiteral("_QUOTSTATUS"), table(QStringLiteral("TableLangStatQuotation")), language);
        });
        if (!projectId.isEmpty())
            projects.locate(QStringLiteral("ID"), projectId);
        ShowProgress(text, {}, 50);

        db::Dataset& custOrders = table(QStringLiteral("TableCustOrders"));
        reopen(custOrders, [&] {
            switchLookup(custOrders, QStringLiteral("_STATUS"), table(QStringLiteral("TableLangStatCustOrder")), language);
        });
        db::Dataset& purchOrders = table(QStringLiteral("TablePurchOrders"));
        reopen(purchOrders, [&] {
            switchLookup(purchOrders, QStringLiteral("_STATUS"), table(QStringLiteral("TableLangStatPurchOrder")),
                         language);
        });
        ShowProgress(text, {}, 70);

        if (m_projectLanguageHook)
            m_projectLanguageHook(language);
        ShowProgress(text, {}, 80);

        reopen(products, [&] {
            switchLookup(products, QStringLiteral("_TECHDATAMARKSEG"), table(QStringLiteral("TableLangStatMark")), language);
            switchLookup(products, QStringLiteral("_TECHDATAAPPLICATION"), table(QStringLiteral("TableLangStatAppl")),
                         language);
            switchLookup(products, QStringLiteral("_TECHDATAPUMPLIQ"), table(QStringLiteral("TableLangStatLiq")), language);
        });
        if (!productId.isEmpty())
            products.locate(QStringLiteral("ID"), productId);
        ShowProgress(text, {}, 100);
        return true;
    } catch (const std::exception&) {
        HideProgress();
        return false;
    }
}

std::optional<QString> TFormData::interfaceText(const QString& tableComponent, const QString& column) const
{
    db::Dataset* t = findTable(tableComponent);
    if (!t || !t->isActive() || t->isEmpty())
        return std::nullopt;
    db::Field f = t->findField(column);
    if (!f.isValid())
        return std::nullopt;
    return f.asString();
}

void TFormData::installMessageLookup()
{
    db::Dataset* messages = findTable(QStringLiteral("TableLangMsg"));
    setMessageLookup([messages](const QString& key, const QString& language) -> std::optional<QString> {
        if (!messages || !messages->isActive() || !messages->findField(language).isValid())
            return std::nullopt;
        const QVariant row = messages->lookup(QStringLiteral("KeyWord"), key, QStringLiteral("KeyWord;") + language);
        if (row.isNull())
            return std::nullopt;
        return row.toList().value(1).toString();
    });
}

} // namespace kiro
