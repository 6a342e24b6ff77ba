// Identity, order and state of the items of a project: the handlers that keep
// Order dense, the alternative and additional-option flags consistent with
// each other and with the price rows, the reference data of a new project,
// revisions, the deletions with everything a deleted row owns, the activity
// log entries of these tables and the guard on technical data from TORVA.

#include "data/FormData.h"

#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/MsgFormat.h"
#include "data/Log.h"
#include "db/Abort.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "db/Value.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <memory>
#include <utility>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

const QString kID = QStringLiteral("ID");
const QString kOrder = QStringLiteral("Order");
const QString kTag = QStringLiteral("Tag");
const QString kName = QStringLiteral("Name");
const QString kAlternate = QStringLiteral("Alternate");
const QString kAlternateFor = QStringLiteral("AlternateFor");
const QString kAddOption = QStringLiteral("AddOption");
const QString kValue = QStringLiteral("Value");

// Set in a table's Tag while its state rules run, so that the fields they
// change do not run the rules again. A bit, so that a Tag the table carries
// for other reasons survives.
constexpr int kStateRulesRunning = 0x100;

class StateRulesGuard {
public:
    explicit StateRulesGuard(db::Dataset& table)
        : m_table(table)
        , m_old(table.tag())
    {
        m_table.setTag(m_old | kStateRulesRunning);
    }
    ~StateRulesGuard() { m_table.setTag(m_old); }
    StateRulesGuard(const StateRulesGuard&) = delete;
    StateRulesGuard& operator=(const StateRulesGuard&) = delete;

private:
    db::Dataset& m_table;
    int m_old;
};

bool stateRulesRunning(const db::Dataset& table)
{
    return (table.tag() & kStateRulesRunning) != 0;
}

class ControlsGuard {
public:
    explicit ControlsGuard(db::Dataset& table)
        : m_table(table)
    {
        m_table.disableControls();
    }
    ~ControlsGuard() { m_table.enableControls(); }
    ControlsGuard(const ControlsGuard&) = delete;
    ControlsGuard& operator=(const ControlsGuard&) = delete;

private:
    db::Dataset& m_table;
};

class CountGuard {
public:
    explicit CountGuard(int& counter)
        : m_counter(counter)
    {
        ++m_counter;
    }
    ~CountGuard() { --m_counter; }
    CountGuard(const CountGuard&) = delete;
    CountGuard& operator=(const CountGuard&) = delete;

private:
    int& m_counter;
};

// A rule of ours behind the handler another part of the data module bound
// to the same field. Recognisable by its type, so that binding again (after
// a reopen that kept the handlers) never chains a rule twice.
struct ChainedFieldHandler {
    db::FieldChangeHandler before;
    db::FieldChangeHandler rule;
    void operator()(db::Field field) const
    {
        if (before)
            before(field);
        rule(field);
    }
};

void chainFieldChange(db::Dataset& table, const QString& fieldName, db::FieldChangeHandler rule)
{
    db::Field field = table.findField(fieldName);
    if (!field.isValid())
        return;
    db::FieldChangeHandler existing = field.onChange();
    if (const auto* ours = existing.target<ChainedFieldHandler>())
        existing = ours->before;
    field.setOnChange(ChainedFieldHandler{std::move(existing), std::move(rule)});
}

void chainEvent(db::Dataset& table, db::DatasetEvent event, db::DatasetHandler rule)
{
    db::DatasetHandler existing = table.handler(event);
    table.setHandler(event, [existing = std::move(existing), rule = std::move(rule)](db::Dataset& d) {
        if (existing)
            existing(d);
        rule(d);
    });
}

QString text(db::Dataset& table, const QString& field)
{
    return table.fieldByName(field).asString();
}

// The node kind of the items a table holds (the tree sorts by it).
int itemKind(const db::Dataset& items)
{
    return items.tableName().compare(QLatin1String("Accessories"), Qt::CaseInsensitive) == 0 ? 4 : 2;
}

// The identifiers of the rows a table shows, in their present order,
// without moving the cursor.
QStringList shownIDs(db::Dataset& table)
{
    QStringList ids;
    const int column = table.fieldByName(kID).index();
    for (int row = 0; row < table.recordCount(); ++row)
        ids << table.rowValue(row, column).toString();
    return ids;
}

void locateOrThrow(db::Dataset& table, const QString& id)
{
    if (!table.locate(kID, id))
        throw db::DatabaseError(
            QStringLiteral("%1: the record %2 is no longer there; it may have been deleted by another user")
                .arg(table.name(), id));
}

// Posting is refused only by an event handler, which has told the user why.
void postOrThrow(db::Dataset& table)
{
    if (!table.post())
        throw db::DatabaseError(QStringLiteral("%1: the change was refused").arg(table.name()));
}

void setOrder(db::Dataset& items, const QString& id, int order)
{
    locateOrThrow(items, id);
    db::Field field = items.fieldByName(kOrder);
    if (!field.isNull() && field.asInteger() == order)
        return;
    items.edit();
    field.setValue(order);
    postOrThrow(items);
}

// A statement whose only parameter is the row identifier :id.
int execWithId(db::Connection& connection, const QString& sql, const QString& id)
{
    db::Query query(connection, sql);
    query.bindValue(QStringLiteral("id"), id);
    return query.execSql();
}

} // namespace

// --- binding ---------------------------------------------------------------------

void TFormData::bindItemRuleHandlers()
{
    if (m_itemRulesBound)
        return;
    m_itemRulesBound = true;

    db::Dataset& projects = table(s("TableProjects"));
    db::Dataset& products = table(s("TableProducts"));
    db::Dataset& accessories = table(s("TableAccessories"));
    db::Dataset& altProducts = table(s("TableAltProducts"));
    db::Dataset& altAccessories = table(s("TableAltAccessories"));

    // Field handlers belong to the open table's fields and go with them when
    // it closes: they are bound again whenever it opens.
    for (db::Dataset* t : {&projects, &products, &accessories}) {
        chainEvent(*t, db::DatasetEvent::AfterOpen, [this](db::Dataset& d) { bindItemFieldRules(d); });
        if (t->isActive())
            bindItemFieldRules(*t);
    }

    // The candidates depend on the current item (never itself) and on the
    // flags of the other items, which the item view writes: filter again
    // when it moves, read again when it wrote.
    altProducts.setOnFilterRecord([this](db::Dataset& d) { return TableAltProductsFilterRecord(d); });
    altProducts.setFiltered(true);
    altAccessories.setOnFilterRecord([this](db::Dataset& d) { return TableAltAccessoriesFilterRecord(d); });
    altAccessories.setFiltered(true);
    const std::pair<db::Dataset*, db::Dataset*> candidateViews[] = {{&products, &altProducts},
                                                                    {&accessories, &altAccessories}};
    for (const auto& [items, candidates] : candidateViews) {
        db::Dataset* view = candidates;
        // A bulk operation walks the items with their controls disabled or
        // inside a price walk: re-reading or refiltering the candidates at
        // each of its steps would make it quadratic, so the view is brought
        // up to date at the first step after it.
        auto stale = std::make_shared<bool>(false);
        auto reread = [this, view, stale](db::Dataset& changed) {
            if (changed.controlsDisabled() || m_pricing.deferProjectTotals > 0) {
                *stale = true;
                return;
            }
            if (view->isActive() && view->state() == db::DatasetState::Browse) {
                view->refresh();
                *stale = false;
            }
        };
        auto refilter = [this, view, stale, reread](db::Dataset& changed) {
            if (m_pricing.deferProjectTotals > 0) {
                *stale = true;
                return;
            }
            if (*stale) {
                reread(changed);
                return;
            }
            if (view->isActive() && !changed.controlsDisabled())
                view->setOnFilterRecord(view->onFilterRecord());
        };
        chainEvent(*items, db::DatasetEvent::AfterScroll, refilter);
        chainEvent(*items, db::DatasetEvent::AfterCancel, refilter);
        chainEvent(*items, db::DatasetEvent::AfterRefresh, refilter);
        chainEvent(*items, db::DatasetEvent::AfterPost, reread);
        chainEvent(*items, db::DatasetEvent::AfterDelete, reread);
    }

    // A new item is logged once it is stored, under the name it was stored
    // with: a row that is cancelled was never added.
    struct NewRow {
        bool pending = false;
        QString name;
    };
    struct NewItemLog {
        db::Dataset* items;
        int kind;
        QString description;
    };
    for (const NewItemLog& entry : {NewItemLog{&products, logkind::Project, logtext::productAdded},
                                    NewItemLog{&accessories, logkind::Product, logtext::accessoryAdded}}) {
        auto row = std::make_shared<NewRow>();
        chainEvent(*entry.items, db::DatasetEvent::BeforePost, [row](db::Dataset& d) {
            row->pending = d.state() == db::DatasetState::Insert;
            row->name = text(d, kName);
        });
        chainEvent(*entry.items, db::DatasetEvent::AfterPost, [this, row, entry](db::Dataset&) {
            if (!std::exchange(row->pending, false))
                return;
            AddLogEntry(entry.kind, row->name, logtext::sourceKiro, QString(), app().currentUserID(), entry.description,
                        logtext::information);
        });
    }

    // A technical value changed by an edit is logged with the property's
    // translated name once the row is stored.
    struct ValueEdit {
        QString oldValue;
        bool pending = false;
        QString property;
    };
    struct TechDataLog {
        const char* table;
        int kind;
        const char* owner;
    };
    for (const TechDataLog& entry : {TechDataLog{"TableProdTechData", logkind::Product, "TableProducts"},
                                     TechDataLog{"TableAccTechData", logkind::Accessory, "TableAccessories"}}) {
        db::Dataset& techData = table(s(entry.table));
        db::Dataset* owner = &table(s(entry.owner));
        auto edit = std::make_shared<ValueEdit>();
        chainEvent(techData, db::DatasetEvent::AfterEdit, [edit](db::Dataset& d) { edit->oldValue = text(d, kValue); });
        chainEvent(techData, db::DatasetEvent::BeforePost, [this, edit](db::Dataset& d) {
            edit->pending =
                m_torvaGuardOff == 0 && d.state() == db::DatasetState::Edit && text(d, kValue) != edit->oldValue;
            if (!edit->pending)
                return;
            db::Field translated = d.findField(s("_PROP"));
            edit->property = translated.isValid() ? translated.asString() : QString();
            if (edit->property.isEmpty())
                edit->property = text(d, s("Property"));
        });
        chainEvent(techData, db::DatasetEvent::AfterPost, [this, edit, owner, kind = entry.kind](db::Dataset&) {
            if (!std::exchange(edit->pending, false))
                return;
            const QString name = owner->isActive() ? text(*owner, kName) : QString();
            AddLogEntry(kind, name, logtext::sourceTechData, QString(), app().currentUserID(),
                        formatMessage(logtext::valueChanged, {edit->property}), logtext::warning);
        });
    }

    // Discount levels and margin edited in the project's copy.
    {
        db::Dataset& discounts = table(s("TableDiscMarg"));
        struct DiscountEdit {
            QVariantList oldValues;
            bool pending = false;
            QString series;
        };
        auto edit = std::make_shared<DiscountEdit>();
        auto values = [](db::Dataset& d) {
            QVariantList list;
            for (const char* f : {"DiscLevel1", "DiscLevel2", "DiscLevel3", "DiscLevel4", "Margin"})
                list << d.fieldByName(s(f)).value();
            return list;
        };
        chainEvent(discounts, db::DatasetEvent::AfterEdit,
                   [edit, values](db::Dataset& d) { edit->oldValues = values(d); });
        chainEvent(discounts, db::DatasetEvent::BeforePost, [edit, values](db::Dataset& d) {
            edit->pending = d.state() == db::DatasetState::Edit && values(d) != edit->oldValues;
            edit->series = text(d, s("Series"));
        });
        chainEvent(discounts, db::DatasetEvent::AfterPost, [this, edit](db::Dataset&) {
            if (!std::exchange(edit->pending, false))
                return;
            AddLogEntry(logkind::Project, QString(), logtext::sourcePrice, QString(), app().currentUserID(),
                        formatMessage(logtext::discountChanged, {edit->series}), logtext::information);
        });
    }

    chainEvent(table(s("TableProdTechData")), db::DatasetEvent::BeforeScroll,
               [this](db::Dataset& d) { TableProdTechDataBeforeScroll(d); });
}

void TFormData::bindItemFieldRules(db::Dataset& t)
{
    // A rule that fails reports the engine's text; the field keeps the value
    // it was given.
    auto guarded = [](std::function<void()> rule) {
        try {
            rule();
        } catch (const db::DatabaseError& e) {
            MsgOK(QStringLiteral("%s"), {e.message()});
        }
    };
    db::Dataset* d = &t;
    if (t.name() == QLatin1String("TableProjects")) {
        for (const char* f : {"Name", "Revision", "QuotCustName"}) {
            const QString field = s(f);
            chainFieldChange(t, field,
                             [this, d, field, guarded](db::Field) { guarded([&] { UpdateProjectState(*d, field); }); });
        }
        return;
    }
    const bool isProduct = t.name() == QLatin1String("TableProducts");
    for (const char* f : {"Alternate", "AlternateFor", "AddOption"}) {
        const QString field = s(f);
        chainFieldChange(t, field, [this, d, field, isProduct, guarded](db::Field) {
            guarded([&] {
                if (isProduct)
                    UpdateProductState(*d, field);
                else
                    UpdateAccessoryState(*d, field);
            });
        });
    }
    // The accessory's Qty refreshes its label from the price handler that
    // copies it into the price rows.
    for (const char* f : {"Order", "Tag", "Name", "Description"}) {
        chainFieldChange(t, s(f), [this, d, isProduct](db::Field) {
            const QString id = text(*d, kID);
            if (isProduct)
                emit productLabelChanged(id);
            else
                emit accessoryLabelChanged(id);
        });
    }
}

void TFormData::setSelectedProjectCheck(std::function<bool(const QString& projectID)> check)
{
    m_selectedProjectCheck = std::move(check);
}

void TFormData::setTextInput(std::function<bool(const QString& prompt, QString& value)> input)
{
    m_textInput = std::move(input);
}

void TFormData::reportFailure(const QString& operation, const QString& detail)
{
    MsgOK(QStringLiteral("%s\n\n%s"), {MsgText(operation), detail});
}

// --- order -------------------------------------------------------------------------

void TFormData::renumberItems(db::Dataset& items)
{
    // The order is taken before any number changes: a renumbered row moves
    // to its new place at once, and a walk would skip or repeat rows.
    const QStringList ids = shownIDs(items);
    for (int i = 0; i < ids.size(); ++i)
        setOrder(items, ids[i], i + 1);
}

bool TFormData::ReorderItems(db::Dataset& items)
{
    if (!items.isActive())
        return false;
    try {
        if (!items.checkBrowseMode())
            return false;
        const QString current = items.isEmpty() ? QString() : text(items, kID);
        {
            ControlsGuard controls(items);
            db::Transaction transaction(*items.connection());
            renumberItems(items);
            transaction.commit();
            if (!current.isEmpty())
                items.locate(kID, current);
        }
        items.refresh();
        return true;
    } catch (const db::DatabaseError& e) {
        resyncProjectTables();
        reportFailure(QStringLiteral("Could not renumber the items!"), e.message());
        return false;
    }
}

bool TFormData::moveItem(db::Dataset& items, int step)
{
    if (!items.isActive() || items.isEmpty())
        return false;
    try {
        if (!items.checkBrowseMode())
            return false;
        const int here = items.recNo() - 1;
        const int there = here + step;
        if (there < 0 || there >= items.recordCount())
            return false;
        const int idColumn = items.fieldByName(kID).index();
        const int orderColumn = items.fieldByName(kOrder).index();
        const QString moved = items.rowValue(here, idColumn).toString();
        const QString neighbour = items.rowValue(there, idColumn).toString();
        {
            ControlsGuard controls(items);
            db::Transaction transaction(*items.connection());
            int movedOrder = items.rowValue(here, orderColumn).toInt();
            int neighbourOrder = items.rowValue(there, orderColumn).toInt();
            if (movedOrder == neighbourOrder) {
                // Swapping equal numbers would change nothing.
                renumberItems(items);
                movedOrder = items.lookup(kID, moved, kOrder).toInt();
                neighbourOrder = items.lookup(kID, neighbour, kOrder).toInt();
            }
            setOrder(items, neighbour, movedOrder);
            setOrder(items, moved, neighbourOrder);
            transaction.commit();
            emit itemOrderChanged(itemKind(items), moved);
        }
        items.refresh();
        return true;
    } catch (const db::DatabaseError& e) {
        resyncProjectTables();
        reportFailure(QStringLiteral("Could not move the item!"), e.message());
        return false;
    }
}

bool TFormData::MoveItemUp(db::Dataset& items)
{
    return moveItem(items, -1);
}

bool TFormData::MoveItemDown(db::Dataset& items)
{
    return moveItem(items, 1);
}

// --- state -------------------------------------------------------------------------

void TFormData::UpdateTag(db::Dataset& items)
{
    if (!items.isActive() || items.isEmpty() || items.state() == db::DatasetState::Insert)
        return;
    QString tag = text(items, kTag);
    if (items.fieldByName(kAlternate).asBoolean()) {
        // Read without moving: the item is usually being edited, and a move
        // would post it half-way through the user's change.
        const QVariant other = items.lookup(kID, text(items, kAlternateFor), kTag);
        if (other.isValid())
            tag = other.toString();
    }
    db::Field field = items.fieldByName(kTag);
    if (field.asString() == tag)
        return;
    const bool startedEdit = items.state() == db::DatasetState::Browse;
    if (startedEdit && !items.edit())
        return;
    field.setValue(tag);
    if (startedEdit)
        items.post();
}

void TFormData::applyStateRules(db::Dataset& items, const QString& fieldName)
{
    db::Field alternate = items.fieldByName(kAlternate);
    db::Field alternateFor = items.fieldByName(kAlternateFor);
    db::Field addOption = items.fieldByName(kAddOption);
    auto set = [](db::Field& field, const QVariant& value) {
        if (field.value() != value || field.isNull())
            field.setValue(value);
    };
    if (fieldName.compare(kAddOption, Qt::CaseInsensitive) == 0) {
        if (addOption.asBoolean()) {
            set(alternate, false);
            set(alternateFor, QString());
        }
    } else if (fieldName.compare(kAlternate, Qt::CaseInsensitive) == 0) {
        // An item becomes an alternative only by choosing the item it is an
        // alternative for; the tick follows that choice.
        if (alternate.asBoolean()) {
            if (alternateFor.asString().isEmpty())
                set(alternate, false);
        } else if (!alternateFor.asString().isEmpty()) {
            set(alternateFor, QString());
        }
    } else if (fieldName.compare(kAlternateFor, Qt::CaseInsensitive) == 0) {
        // An item that were its own alternative would leave nothing in the
        // totals.
        if (!alternateFor.asString().isEmpty() && alternateFor.asString() == text(items, kID))
            set(alternateFor, QString());
        const bool isAlternative = !alternateFor.asString().isEmpty();
        set(alternate, isAlternative);
        if (isAlternative && addOption.asBoolean())
            set(addOption, false);
        UpdateTag(items);
    }
}

void TFormData::UpdateProductState(db::Dataset& products, const QString& fieldName)
{
    if (stateRulesRunning(products) || !products.isActive())
        return;
    if (m_selectedProjectCheck && !m_selectedProjectCheck(text(products, s("ProjectID"))))
        return;
    {
        StateRulesGuard guard(products);
        applyStateRules(products, fieldName);
    }
    emit productLabelChanged(text(products, kID));
}

void TFormData::UpdateAccessoryState(db::Dataset& accessories, const QString& fieldName)
{
    if (stateRulesRunning(accessories) || !accessories.isActive())
        return;
    {
        StateRulesGuard guard(accessories);
        applyStateRules(accessories, fieldName);
        UpdateDetailPriceAddAlt(text(accessories, kID), accessories.fieldByName(kAddOption).asBoolean(),
                                accessories.fieldByName(kAlternate).asBoolean());
    }
    emit accessoryLabelChanged(text(accessories, kID));
}

void TFormData::UpdateDetailPriceAddAlt(const QString& accessoryID, bool addOption, bool alternate)
{
    if (accessoryID.isEmpty())
        return;
    db::Dataset& prices = table(s("TableProdPrices"));
    if (!prices.isActive())
        return;
    try {
        if (!prices.checkBrowseMode())
            return;
        // The accessory's own price view may have written rows this view has
        // not read yet.
        prices.refresh();
        const int idColumn = prices.fieldByName(kID).index();
        const int accColumn = prices.fieldByName(s("AccessoryID")).index();
        QStringList rows;
        for (int row = 0; row < prices.recordCount(); ++row) {
            if (prices.rowValue(row, accColumn).toString() == accessoryID)
                rows << prices.rowValue(row, idColumn).toString();
        }
        if (rows.isEmpty())
            return;
        const QString current = text(prices, kID);
        {
            ControlsGuard controls(prices);
            db::Transaction transaction(*prices.connection());
            for (const QString& id : std::as_const(rows)) {
                try {
                    locateOrThrow(prices, id);
                    if (prices.fieldByName(kAlternate).asBoolean() == alternate &&
                        prices.fieldByName(kAddOption).asBoolean() == addOption)
                        continue;
                    prices.edit();
                    prices.fieldByName(kAlternate).setValue(alternate);
                    prices.fieldByName(kAddOption).setValue(addOption);
                    prices.post();
                } catch (const db::DatabaseError&) {
                    // The row keeps its flags; the others are still written.
                    if (prices.state() != db::DatasetState::Browse)
                        prices.cancel();
                }
            }
            transaction.commit();
            prices.locate(kID, current);
        }
    } catch (const db::DatabaseError&) {
        // Ignored as a whole: the accessory keeps its flags.
    }
    db::Dataset& own = table(s("TableAccPrices"));
    try {
        if (own.isActive() && own.state() == db::DatasetState::Browse)
            own.refresh();
    } catch (const db::DatabaseError&) {
    }
}

void TFormData::UpdateProjectState(db::Dataset& projects, const QString& fieldName)
{
    Q_UNUSED(fieldName);
    if (projects.isActive())
        emit projectLabelChanged(text(projects, kID));
}

bool TFormData::TableAltProductsFilterRecord(db::Dataset& candidates)
{
    if (!text(candidates, kAlternateFor).isEmpty())
        return false;
    db::Dataset& products = table(s("TableProducts"));
    const QString current = products.isActive() ? text(products, kID) : QString();
    return text(candidates, kID) != current;
}

bool TFormData::TableAltAccessoriesFilterRecord(db::Dataset& candidates)
{
    if (!text(candidates, kAlternateFor).isEmpty())
        return false;
    db::Dataset& accessories = table(s("TableAccessories"));
    const QString current = accessories.isActive() ? text(accessories, kID) : QString();
    return text(candidates, kID) != current;
}

// --- new projects, revisions, series ------------------------------------------------

void TFormData::CopySystemCurrencies(const QString& projectID)
{
    db::Connection& projects = database(s("DatabaseProjects"));
    db::Query source(database(s("DatabaseSystem")), s("SELECT Name, Factor, Rate, OneToOne FROM Currencies"));
    db::Transaction transaction(projects);
    db::Query insert(projects, s("INSERT INTO ProjCurrencies (ID, ProjectID, Name, Factor, Rate, OneToOne) "
                                 "VALUES (:ID, :ProjectID, :Name, :Factor, :Rate, :OneToOne)"));
    for (source.open(); !source.eof(); source.next()) {
        insert.bindValue(s("ID"), SetUniqueID());
        insert.bindValue(s("ProjectID"), projectID);
        for (const char* f : {"Name", "Factor", "Rate", "OneToOne"})
            insert.bindValue(s(f), source.value(s(f)));
        insert.execSql();
    }
    transaction.commit();
    refreshViewsOf(s("ProjCurrencies"));
}

void TFormData::CopySystemDiscounts(const QString& projectID)
{
    db::Connection& projects = database(s("DatabaseProjects"));
    db::Query source(database(s("DatabaseSystem")),
                     s("SELECT Series, DiscLevel1, DiscLevel2, DiscLevel3, DiscLevel4, Margin FROM DiscMarg"));
    db::Transaction transaction(projects);
    db::Query insert(projects, s("INSERT INTO ProjDiscMarg (ID, ProjectID, Series, DiscLevel1, DiscLevel2, DiscLevel3, "
                                 "DiscLevel4, Margin) VALUES (:ID, :ProjectID, :Series, :DiscLevel1, :DiscLevel2, "
                                 ":DiscLevel3, :DiscLevel4, :Margin)"));
    for (source.open(); !source.eof(); source.next()) {
        insert.bindValue(s("ID"), SetUniqueID());
        insert.bindValue(s("ProjectID"), projectID);
        for (const char* f : {"Series", "DiscLevel1", "DiscLevel2", "DiscLevel3", "DiscLevel4", "Margin"})
            insert.bindValue(s(f), source.value(s(f)));
        insert.execSql();
    }
    transaction.commit();
    refreshViewsOf(s("ProjDiscMarg"));
}

int TFormData::MaxRevision(const QString& name)
{
    db::Query query(database(s("DatabaseProjects")),
                    s("SELECT MAX(Revision) AS Revision FROM Projects WHERE Name = :Name"));
    query.bindValue(s("Name"), name);
    query.open();
    const int revision = query.eof() ? 0 : query.value(s("Revision")).toInt();
    query.close();
    return revision;
}

int TFormData::SetNewRevision(const QString& copyID)
{
    db::Connection& projects = database(s("DatabaseProjects"));
    db::Query find(projects, s("SELECT Name FROM Projects WHERE ID = :id"));
    find.bindValue(s("id"), copyID);
    find.open();
    if (find.eof())
        throw db::DatabaseError(QStringLiteral("There is no project %1").arg(copyID));
    const QString name = find.value(kName).toString();
    find.close();

    db::Transaction transaction(projects);
    const int revision = MaxRevision(name) + 1;
    db::Query others(projects, s("UPDATE Projects SET Latest = 0 WHERE Name = :Name AND ID <> :id"));
    others.bindValue(s("Name"), name);
    others.bindValue(s("id"), copyID);
    others.execSql();
    db::Query copy(projects, s("UPDATE Projects SET Latest = 1, Revision = :Revision, ProjectModified = :Today, "
                               "ProjectModifiedBy = :User WHERE ID = :id"));
    copy.bindValue(s("Revision"), revision);
    copy.bindValue(s("Today"), QDateTime(QDate::currentDate(), QTime(0, 0)));
    copy.bindValue(s("User"), db::value::cutText(app().currentUserName(), 50));
    copy.bindValue(s("id"), copyID);
    copy.execSql();
    transaction.commit();
    refreshViewsOf(s("Projects"));
    return revision;
}

void TFormData::SyncSeriesTables()
{
    db::Connection& system = database(s("DatabaseSystem"));
    QStringList series;
    {
        // The series identifier is the table's second field.
        db::Query query(system, s("SELECT * FROM Series"));
        for (query.open(); !query.eof(); query.next()) {
            const QString id = query.field(1).asString();
            if (!id.isEmpty() && !series.contains(id))
                series << id;
        }
    }
    db::Transaction transaction(system);
    for (const char* tableName : {"DiscMarg", "PrintSeries"}) {
        db::Query exists(system, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Series = :Series").arg(s(tableName)));
        db::Query insert(system, QStringLiteral("INSERT INTO %1 (Series) VALUES (:Series)").arg(s(tableName)));
        for (const QString& id : std::as_const(series)) {
            exists.bindValue(s("Series"), id);
            exists.open();
            const bool found = exists.field(0).asInteger() > 0;
            exists.close();
            if (found)
                continue;
            insert.bindValue(s("Series"), id);
            insert.execSql();
        }
    }
    transaction.commit();
    for (const char* component : {"TableSystemDiscMarg", "TablePrintSeries"}) {
        db::Dataset& t = table(s(component));
        if (t.isActive() && t.state() == db::DatasetState::Browse)
            t.refresh();
    }
}

// --- deletions -----------------------------------------------------------------------

void TFormData::refreshViewsOf(const QString& tableName, const db::Dataset* except)
{
    for (db::Dataset* t : tablesOf(database(s("DatabaseProjects")))) {
        if (t == except || !t->isActive() || t->state() != db::DatasetState::Browse)
            continue;
        if (!tableName.isEmpty() && t->tableName().compare(tableName, Qt::CaseInsensitive) != 0)
            continue;
        t->refresh();
    }
}

void TFormData::resyncProjectTables()
{
    // The rows the tables keep in memory are not rolled back with the file.
    for (db::Dataset* t : tablesOf(database(s("DatabaseProjects")))) {
        try {
            if (!t->isActive())
                continue;
            if (t->state() != db::DatasetState::Browse)
                t->cancel();
            t->refresh();
        } catch (const db::DatabaseError&) {
            // A table that cannot be read again shows what it had; the next
            // move of its master reads it.
        }
    }
}

bool TFormData::deleteWithChildren(const QString& operation, db::Dataset& items,
                                   const std::function<void(const QString& id)>& beforeDelete)
{
    if (!items.isActive() || items.isEmpty())
        return false;
    // The rows that go are not asked about when the cursor leaves them.
    CountGuard noTorvaGuard(m_torvaGuardOff);
    bool refused = false;
    try {
        if (!items.checkBrowseMode())
            return false;
        const QString id = text(items, kID);
        {
            db::Transaction transaction(*items.connection());
            beforeDelete(id);
            locateOrThrow(items, id);
            if (items.deleteRecord()) {
                transaction.commit();
            } else {
                refused = true; // by an event handler, which has said why
            }
        }
        if (refused) {
            resyncProjectTables();
            return false;
        }
        // Views that do not follow the deleted row's master still show its
        // children.
        for (db::Dataset* t : tablesOf(database(s("DatabaseProjects")))) {
            if (t != &items && t->isActive() && t->state() == db::DatasetState::Browse)
                t->refresh();
        }
        return true;
    } catch (const db::DatabaseError& e) {
        resyncProjectTables();
        reportFailure(operation, e.message());
        return false;
    }
}

namespace {

// Items that were alternatives for `id` become ordinary items. Through the
// table, so that the state rules and the price handlers see the change; then
// once more in the file for items the table does not show.
void releaseAlternatives(db::Dataset& items, const QString& id)
{
    const int idColumn = items.fieldByName(kID).index();
    const int forColumn = items.fieldByName(kAlternateFor).index();
    QStringList alternatives;
    for (int row = 0; row < items.recordCount(); ++row) {
        if (items.rowValue(row, forColumn).toString() == id)
            alternatives << items.rowValue(row, idColumn).toString();
    }
    for (const QString& alternative : std::as_const(alternatives)) {
        locateOrThrow(items, alternative);
        items.edit();
        items.fieldByName(kAlternate).setValue(false);
        db::Field alternateFor = items.fieldByName(kAlternateFor);
        if (!alternateFor.asString().isEmpty())
            alternateFor.setValue(QString());
        postOrThrow(items);
    }
    db::Connection& connection = *items.connection();
    if (itemKind(items) == 4) {
        execWithId(connection,
                   s("UPDATE DetailPrices SET Alternate = 0 WHERE AccessoryID IN "
                     "(SELECT ID FROM Accessories WHERE AlternateFor = :id)"),
                   id);
        execWithId(connection, s("UPDATE Accessories SET Alternate = 0, AlternateFor = '' WHERE AlternateFor = :id"),
                   id);
    } else {
        execWithId(connection, s("UPDATE Products SET Alternate = 0, AlternateFor = '' WHERE AlternateFor = :id"), id);
    }
}

void deleteAll(db::Connection& connection, const QStringList& statements, const QString& id)
{
    for (const QString& sql : statements)
        execWithId(connection, sql, id);
}

QStringList productChildren(const QString& products)
{
    const QString accessories = QStringLiteral("SELECT ID FROM Accessories WHERE ProductID IN (%1)").arg(products);
    return {
        QStringLiteral("DELETE FROM AccTechData WHERE AccessoryID IN (%1)").arg(accessories),
        QStringLiteral("DELETE FROM AccParts WHERE ParentID IN (%1)").arg(accessories),
        QStringLiteral("DELETE FROM AccSelComm WHERE ParentID IN (%1)").arg(accessories),
        QStringLiteral("DELETE FROM AccLog WHERE ParentID IN (%1)").arg(accessories),
        QStringLiteral("DELETE FROM DetailPrices WHERE ProductID IN (%1) OR AccessoryID IN (%2)")
            .arg(products, accessories),
        QStringLiteral("DELETE FROM Accessories WHERE ProductID IN (%1)").arg(products),
        QStringLiteral("DELETE FROM DetailAddCosts WHERE ProductID IN (%1)").arg(products),
        QStringLiteral("DELETE FROM ProdDocuments WHERE ProductID IN (%1)").arg(products),
        QStringLiteral("DELETE FROM ProdTechData WHERE ProductID IN (%1)").arg(products),
        QStringLiteral("DELETE FROM ProdParts WHERE ParentID IN (%1)").arg(products),
        QStringLiteral("DELETE FROM ProdSelComm WHERE ParentID IN (%1)").arg(products),
        QStringLiteral("DELETE FROM ProdLog WHERE ParentID IN (%1)").arg(products),
    };
}

} // namespace

bool TFormData::DeleteAccessoryRow(db::Dataset& accessories)
{
    return deleteWithChildren(QStringLiteral("Could not delete the accessory!"), accessories, [&](const QString& id) {
        db::Connection& connection = *accessories.connection();
        execWithId(connection, s("DELETE FROM DetailPrices WHERE AccessoryID = :id"), id);
        db::Dataset& prices = table(s("TableProdPrices"));
        if (prices.isActive())
            prices.refresh();
        // The rows went by SQL, past the views' handlers: the product's
        // totals are taken again from what is left.
        UpdateProductTotals();
        releaseAlternatives(accessories, id);
        deleteAll(connection,
                  {s("DELETE FROM AccTechData WHERE AccessoryID = :id"), s("DELETE FROM AccParts WHERE ParentID = :id"),
                   s("DELETE FROM AccSelComm WHERE ParentID = :id"), s("DELETE FROM AccLog WHERE ParentID = :id")},
                  id);
    });
}

bool TFormData::DeleteProductRow(db::Dataset& products)
{
    return deleteWithChildren(QStringLiteral("Could not delete the product!"), products, [&](const QString& id) {
        releaseAlternatives(products, id);
        deleteAll(*products.connection(), productChildren(s(":id")), id);
    });
}

bool TFormData::DeleteCustomerOrder()
{
    db::Dataset& orders = table(s("TableCustOrders"));
    return deleteWithChildren(QStringLiteral("Could not delete the customer order!"), orders, [&](const QString& id) {
        execWithId(*orders.connection(), s("DELETE FROM CustomerOrderRows WHERE OrderID = :id"), id);
    });
}

bool TFormData::DeletePurchaseOrder()
{
    db::Dataset& orders = table(s("TablePurchOrders"));
    return deleteWithChildren(QStringLiteral("Could not delete the purchase order!"), orders, [&](const QString& id) {
        execWithId(*orders.connection(), s("DELETE FROM PurchaseOrderRows WHERE OrderID = :id"), id);
    });
}

bool TFormData::DeleteProjectRow()
{
    db::Dataset& projects = table(s("TableProjects"));
    return deleteWithChildren(QStringLiteral("Could not delete the project!"), projects, [&](const QString& id) {
        db::Connection& connection = *projects.connection();
        QStringList statements = productChildren(s("SELECT ID FROM Products WHERE ProjectID = :id"));
        statements << s("DELETE FROM Products WHERE ProjectID = :id")
                   << s("DELETE FROM CustomerOrderRows WHERE OrderID IN "
                        "(SELECT ID FROM CustomerOrders WHERE ProjectID = :id)")
                   << s("DELETE FROM CustomerOrders WHERE ProjectID = :id")
                   << s("DELETE FROM PurchaseOrderRows WHERE OrderID IN "
                        "(SELECT ID FROM PurchaseOrders WHERE ProjectID = :id)")
                   << s("DELETE FROM PurchaseOrders WHERE ProjectID = :id");
        for (const char* owned : {"ProjCurrencies", "ProjDiscMarg", "ProjAddCosts", "ProjPackTrans", "Documents"})
            statements << QStringLiteral("DELETE FROM %1 WHERE ProjectID = :id").arg(s(owned));
        statements << s("DELETE FROM ProjLog WHERE ParentID = :id");
        deleteAll(connection, statements, id);
    });
}

// --- TORVA guard -----------------------------------------------------------------------

bool TFormData::TORVAIsViolated()
{
    db::Dataset& techData = table(s("TableProdTechData"));
    if (!techData.isActive() || (techData.isEmpty() && techData.state() != db::DatasetState::Insert))
        return false;
    return techData.fieldByName(s("TORVA")).asBoolean() && !techData.fieldByName(s("PDB")).asBoolean() &&
           text(techData, kValue) != text(techData, s("TORVAValue"));
}

bool TFormData::TORVASetViolation()
{
    db::Dataset& techData = table(s("TableProdTechData"));
    db::Dataset& products = table(s("TableProducts"));
    CountGuard noTorvaGuard(m_torvaGuardOff);
    try {
        if (techData.isActive() && !techData.isEmpty()) {
            techData.edit();
            techData.fieldByName(s("TORVA")).setValue(false);
            postOrThrow(techData);
        }
        if (products.isActive() && !products.isEmpty()) {
            products.edit();
            products.fieldByName(s("TORVA")).setValue(false);
            postOrThrow(products);
            emit productTorvaViolated(text(products, kID));
        }
        return true;
    } catch (const db::DatabaseError& e) {
        MsgOK(QStringLiteral("%s"), {e.message()});
        return false;
    }
}

void TFormData::TableProdTechDataBeforeScroll(db::Dataset& techData)
{
    if (m_torvaGuardOff > 0 || &techData != findTable(s("TableProdTechData")) || !TORVAIsViolated())
        return;
    CountGuard asking(m_torvaGuardOff);
    if (MsgNoYes(s("30")) == MsgCodeNo) {
        try {
            techData.edit();
            techData.fieldByName(kValue).setValue(text(techData, s("TORVAValue")));
            postOrThrow(techData);
        } catch (const db::DatabaseError& e) {
            MsgOK(QStringLiteral("%s"), {e.message()});
            return;
        }
        throw db::Abort();
    }
    QString reason;
    if (!m_textInput || !m_textInput(MsgText(s("39")), reason))
        return;
    db::Dataset& products = table(s("TableProducts"));
    const QString productName = products.isActive() ? text(products, kName) : QString();
    if (AddLogEntry(logkind::Product, productName, logtext::sourceTorva, reason, app().currentUserName(),
                    logtext::torvaTechDataViolated, logtext::warning))
        TORVASetViolation();
    else
        MsgOK(s("Failed to add entry to log!"));
}

} // namespace kiro
