#pragma once

#include "db/Field.h"
#include "db/FilterExpression.h"
#include "db/Schema.h"

#include <QFlags>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace kiro::db {

class Connection;
class DataSource;

enum class DatasetState { Inactive, Browse, Edit, Insert };

enum class DatasetEvent {
    BeforeOpen,
    AfterOpen,
    BeforeClose,
    AfterClose,
    BeforeInsert,
    OnNewRecord, // the new row is in the buffer, defaults and master link values set
    AfterInsert,
    BeforeEdit,
    AfterEdit,
    BeforePost,
    AfterPost,
    BeforeCancel,
    AfterCancel,
    BeforeDelete,
    AfterDelete,
    BeforeScroll, // an Abort thrown here keeps the cursor where it is
    AfterScroll,
    OnCalcFields, // a row was read into the buffer: set the calculated fields
    BeforeRefresh,
    AfterRefresh,
};
constexpr int kDatasetEventCount = int(DatasetEvent::AfterRefresh) + 1;

using DatasetHandler = std::function<void(Dataset&)>;
using FilterRecordHandler = std::function<bool(Dataset&)>;

enum class LocateOption {
    CaseInsensitive = 0x1,
    PartialKey = 0x2, // the row's text starts with the value
};
Q_DECLARE_FLAGS(LocateOptions, LocateOption)

// A position a dataset can return to while the row exists.
struct Bookmark {
    qint64 rowId = 0;
    quint64 owner = 0;
    bool isValid() const { return owner != 0; }
    bool operator==(const Bookmark&) const = default;
};

// A lookup field's source: this row's `keyFields` ("A;B") are looked up in
// `lookupFields` of `dataset`, and the value of `resultField` is shown.
struct LookupDef {
    QString keyFields;
    Dataset* dataset = nullptr;
    QString lookupFields;
    QString resultField;
};

// The table component: a cursor over the rows of one table (or, read-only,
// of a query), with the semantics the application is written in.
//
// The rows it shows are kept in memory: those of the table that match the
// master link and the range, in index order; of these, the filter expression
// and the filter-record callback (both switched by Filtered) pick the visible
// ones. The rows are read again from the file on open(), refresh(), when the
// index order or the range changes, and when the master moves to another
// row; a changed filter is applied to the rows in memory. Writes go to the
// file at once (post, delete), inside the connection's transaction if one
// is open.
//
// Cursor semantics: moving while editing posts a modified record and cancels
// an unmodified one. Post puts a row at its place in the index order, and
// when the row no longer matches the filter, range or master it disappears
// and the cursor stays on a neighbour. Delete moves to the next row (the
// prior one at the end). Setting a field in Browse state is an error: call
// edit() first (AutoEdit belongs to the data source); edit() on an empty
// dataset appends. An empty dataset has Bof and Eof both true. Closing a
// dataset discards an unposted record.
//
// Events run in this order:
//   open:   BeforeOpen, AfterOpen, AfterScroll (when not empty)
//   scroll: BeforeScroll, (details follow, views told), AfterScroll; only
//           when the cursor moves to another row. Following a master is a
//           move that cannot be refused.
//   append/insert: BeforeInsert, BeforeScroll, OnNewRecord, AfterInsert, AfterScroll
//   edit:   BeforeEdit, AfterEdit
//   set a field: calculated fields, the field's OnChange, views told
//   post:   views write pending values (update record), BeforePost, AfterPost
//   delete: BeforeDelete, BeforeScroll, AfterDelete, AfterScroll
// An Abort thrown by a Before... handler or OnNewRecord refuses the
// operation (result false); any other exception propagates and leaves the
// dataset as it was. Handlers can be replaced or detached (empty function)
// at any time, also while they run.
//
// Main thread only.
class Dataset : public FieldOwner {
public:
    explicit Dataset(Connection& connection, const QString& tableName = QString());
    ~Dataset() override;
    Dataset(const Dataset&) = delete;
    Dataset& operator=(const Dataset&) = delete;

    // Component name, used in messages (e.g. "TableProducts").
    void setName(const QString& name) { m_name = name; }
    const QString& name() const { return m_name; }
    Connection* connection() const { return m_connection; }

    // What the dataset shows; only while it is closed.
    void setTableName(const QString& table);
    const QString& tableName() const { return m_tableName; }
    // A read-only dataset over a SELECT with named parameters (":Name").
    void setQuery(const QString& sql, const QVariantMap& parameters = {});
    const QString& querySql() const { return m_sql; }
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly || !m_sql.isEmpty(); }

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    // --- open and close
    void open();
    void close();
    void setActive(bool active) { active ? open() : close(); }
    bool isActive() const { return m_state != DatasetState::Inactive; }
    DatasetState state() const { return m_state; }
    // The table's structure as read at open (empty for a query).
    const TableDef& tableDef() const { return m_def; }

    // --- fields. Lookup and calculated fields are added while closed.
    void addLookupField(const FieldDef& field, const LookupDef& lookup);
    void addCalculatedField(const FieldDef& field);
    // Switches the column a lookup field shows (e.g. the language column).
    void setLookupResultField(const QString& field, const QString& resultField);
    int fieldCount() const { return int(m_columns.size()); }
    QStringList fieldNames() const;
    Field field(int index);
    // Throws DatabaseError naming the dataset when there is no such field.
    Field fieldByName(const QString& name);
    // An invalid Field when there is no such field.
    Field findField(const QString& name);

    // --- navigation. The moves return whether the cursor moved.
    bool first();
    bool last();
    bool next();
    bool prior();
    int moveBy(int distance);
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    bool isEmpty() const { return m_view.empty(); }
    int recordCount() const { return int(m_view.size()); }
    // 1-based position of the current row; 0 when empty.
    int recNo() const;
    bool setRecNo(int recNo);

    // Moves to the first row (in the current order) whose fields ("A;B")
    // hold the values (a QVariantList for several fields). False, and the
    // cursor stays, when there is none.
    bool locate(const QString& fields, const QVariant& values, LocateOptions options = {});
    // The value(s) of `resultFields` in the first row whose key fields hold
    // the values, without moving; null when there is none. Several result
    // fields give a QVariantList.
    QVariant lookup(const QString& keyFields, const QVariant& keyValues, const QString& resultFields);

    Bookmark bookmark() const;
    bool bookmarkValid(const Bookmark& bookmark) const;
    // Throws DatabaseError when the row is not among the rows shown.
    bool gotoBookmark(const Bookmark& bookmark);

    // --- editing. Each returns false when an event handler refused (Abort).
    bool edit();
    bool append();
    bool insert();
    bool post();
    bool cancel();
    bool deleteRecord();
    bool isModified() const { return m_modified; }
    // Posts a modified record, cancels an unmodified one; false if refused.
    bool checkBrowseMode();

    // --- order, filter, range, master
    // Order by fields ("ProjectID;Order"). Clears IndexName.
    void setIndexFieldNames(const QString& fields);
    const QString& indexFieldNames() const { return m_indexFieldNames; }
    // Order by a declared index (empty: the primary key). Clears IndexFieldNames.
    void setIndexName(const QString& index);
    const QString& indexName() const { return m_indexName; }

    // The filter expression; a malformed one throws and leaves the filter as it was.
    void setFilter(const QString& text);
    const QString& filter() const { return m_filterText; }
    void setFiltered(bool filtered);
    bool isFiltered() const { return m_filtered; }
    void setOnFilterRecord(FilterRecordHandler handler);
    const FilterRecordHandler& onFilterRecord() const { return m_onFilterRecord; }

    // A range on the leading fields of the current order, bounds inclusive;
    // a null bound is open. Changing the order cancels the range.
    void setRange(const QVariantList& start, const QVariantList& end);
    void cancelRange();
    bool hasRange() const { return m_hasRange; }

    // Master/detail: this dataset shows the rows whose detail fields equal
    // the master fields ("ID") of the master source's current row. The
    // detail fields default to the leading fields of the current order.
    void setMasterSource(DataSource* source);
    DataSource* masterSource() const;
    void setMasterFields(const QString& masterFields);
    const QString& masterFields() const { return m_masterFields; }
    void setDetailFields(const QString& detailFields);
    const QString& detailFields() const { return m_detailFields; }

    // Reads the rows again from the file (another workstation's changes
    // appear) and stays on the same row (by primary key) when it still exists.
    void refresh();

    // Views get no notification while disabled (nesting); one after.
    // While disabled a master does not move its details either.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

    // --- events
    void setHandler(DatasetEvent event, DatasetHandler handler);
    const DatasetHandler& handler(DatasetEvent event) const;

    // --- for views that draw several rows: data values of a shown row
    // without moving the cursor (derived fields are computed for it).
    QVariant rowValue(int row, int fieldIndex);

    // Counts changes of the shown rows; views and lookup caches compare it.
    quint64 generation() const { return m_generation; }

protected:
    const QString& fieldName(int index) const override;
    FieldType fieldType(int index) const override;
    int fieldSize(int index) const override;
    FieldKind fieldKind(int index) const override;
    const QVariant& storedValue(int index) const override;
    void setStoredValue(int index, const QVariant& value) override;
    void setFieldChangeHandler(int index, FieldChangeHandler handler) override;
    FieldChangeHandler fieldChangeHandler(int index) const override;
    Dataset* owningDataset() override { return this; }

private:
    friend class Connection;
    friend class DataSource;
    class MasterLink;
    class RowAdapter;

    struct Row {
        qint64 rowId = 0;
        std::vector<QVariant> values; // data fields only, storage form
    };
    struct ViewEntry {
        Row* row;
        qint64 rowId;
    };
    struct Column {
        FieldDef def;
        FieldKind kind = FieldKind::Data;
        LookupDef lookup;
        std::vector<int> keyColumns; // lookup: this dataset's key columns
        FieldChangeHandler onChange;
        // lookup cache: key text -> result, valid for one generation of the lookup dataset
        QHash<QString, QVariant> cache;
        quint64 cacheGeneration = ~quint64(0);
        const Dataset* cacheSource = nullptr;
        std::weak_ptr<bool> lookupAlive;
    };
    struct SortKey {
        int column;
        bool caseInsensitive;
    };

    // setup
    const Column& column(int index) const;
    void checkActive(const char* operation) const;
    void checkInactive(const char* operation) const;
    void checkWritable() const;
    void buildColumns();
    void resolveOrder();
    void bindFilter();
    std::vector<int> columnsOf(const QString& fields) const;
    int columnIndex(const QString& name) const;
    QString displayName() const;

    // reading
    void loadRows();
    QString selectSql(const std::vector<QVariant>& linkValues, std::vector<QVariant>& parameters) const;
    void loadQueryRows(std::vector<std::unique_ptr<Row>>& rows);
    void refilter();
    void convertRange();
    bool isMasterField(const QString& field) const;
    std::vector<int> detailColumns() const;
    QVariant searchValue(const QVariant& v, const Column& column) const;
    bool indexedColumn(int column) const;
    std::vector<QVariant> masterValues(bool& available) const;
    void applyFilterToLoaded();
    bool passesFilter(const Row& row);
    bool matchesRange(const Row& row) const;
    bool matchesMaster(const Row& row) const;
    int compareRows(const Row& a, const Row& b) const;
    void loadBuffer();
    void computeDerived(std::vector<QVariant>& buffer);
    QVariant lookupValue(Column& column, const std::vector<QVariant>& buffer);
    int findRow(const std::vector<int>& columns, const std::vector<QVariant>& values, LocateOptions options);
    int findRowByIndex(const std::vector<int>& columns, const std::vector<QVariant>& values);
    int viewIndexOfRowId(qint64 rowId) const;
    void clearRows();

    // moving and events
    bool scrollTo(int index);      // after checkBrowseMode: BeforeScroll, move, AfterScroll
    bool fire(DatasetEvent event); // false when the handler threw Abort
    void fireAfter(DatasetEvent event) { fire(event); }
    void notifyDataChange(const QString& field);
    void notifyStateChange();
    void notifyUpdateRecord();
    void setState(DatasetState state);
    bool beginInsert(bool append);
    void reread(bool keepPosition, bool scrollEvents);
    void masterChanged(bool force);
    void masterStateChanged();
    void connectionDestroyed();
    void closeSilently(); // without events: the connection is going away
    void addSource(DataSource* source);
    void removeSource(DataSource* source);
    void writeRow(std::vector<QVariant>& data, qint64& rowId);
    void placeRow(std::unique_ptr<Row> row, bool isNew, int viewHint);

    Connection* m_connection;
    QString m_name;
    QString m_tableName;
    QString m_sql;
    QVariantMap m_sqlParameters;
    bool m_readOnly = false;
    int m_tag = 0;
    quint64 m_id;
    quint64 m_generation = 0;

    TableDef m_def;
    std::vector<Column> m_columns;
    std::vector<Column> m_extraColumns; // lookup and calculated fields as declared
    int m_dataCount = 0;
    QHash<QString, int> m_byName; // lower-case name -> column
    bool m_hasDerived = false;

    std::vector<std::unique_ptr<Row>> m_loaded; // rows read, in order
    std::vector<ViewEntry> m_view;              // the visible ones
    int m_cur = -1;
    bool m_bof = true;
    bool m_eof = true;

    DatasetState m_state = DatasetState::Inactive;
    std::vector<QVariant> m_buffer; // the current record, all columns
    std::vector<QVariant>* m_active = &m_buffer;
    std::vector<bool> m_changed;
    bool m_modified = false;
    bool m_inCalc = false;
    int m_insertOrigin = -1;

    QString m_indexFieldNames;
    QString m_indexName;
    std::vector<SortKey> m_sortKeys;

    QString m_filterText;
    FilterExpression m_filterExpr;
    bool m_filterBound = false;
    bool m_filtered = false;
    FilterRecordHandler m_onFilterRecord;

    bool m_hasRange = false;
    QVariantList m_rangeStart;
    QVariantList m_rangeEnd;
    std::vector<QVariant> m_rangeStartStored;
    std::vector<QVariant> m_rangeEndStored;

    std::unique_ptr<MasterLink> m_masterLink;
    QString m_masterFields;
    QString m_detailFields;
    std::vector<QVariant> m_linkValues; // master values the rows were read for
    bool m_linkAvailable = false;
    bool m_linkLoaded = false;
    int m_insertPos = -1;
    QString m_insertSql;

    std::vector<DataSource*> m_sources;
    int m_disableCount = 0;
    bool m_pendingData = false;
    bool m_pendingState = false;

    std::array<DatasetHandler, kDatasetEventCount> m_handlers;
    std::shared_ptr<bool> m_alive;
};

} // namespace kiro::db

Q_DECLARE_OPERATORS_FOR_FLAGS(kiro::db::LocateOptions)
