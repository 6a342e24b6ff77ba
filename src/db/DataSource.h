#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace kiro::db {

class Dataset;
class DataSource;
enum class DatasetState;

// A view of a data source (a data-aware control, a detail dataset's master
// link). Override the notifications it needs. A link detaches itself when it
// is destroyed, and is told (stateChanged) when its source loses its dataset.
class DataLink {
public:
    DataLink() = default;
    virtual ~DataLink();
    DataLink(const DataLink&) = delete;
    DataLink& operator=(const DataLink&) = delete;

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return m_source; }
    Dataset* dataset() const;

    // For views that edit: puts the dataset into edit state when the source
    // allows it (AutoEdit); true when the dataset is in edit or insert state.
    bool edit();

protected:
    friend class DataSource;
    // A field changed (its name), or the record or the rows changed (empty name).
    virtual void dataChanged(const QString& field) { (void)field; }
    // The dataset opened, closed, or went into or out of edit or insert state.
    virtual void stateChanged() {}
    // The dataset is about to post: write the pending value into the record.
    virtual void updateRecord() {}
    // Master links are told before the views, so that a detail has followed
    // its master when a view of the master reads it.
    virtual bool isMasterLink() const { return false; }

private:
    DataSource* m_source = nullptr;
};

// A DataLink made of functions, for views that prefer lambdas.
class FunctionLink : public DataLink {
public:
    std::function<void(const QString& field)> onDataChanged;
    std::function<void()> onStateChanged;
    std::function<void()> onUpdateRecord;

protected:
    void dataChanged(const QString& field) override
    {
        if (onDataChanged) {
            onDataChanged(field);
        }
    }
    void stateChanged() override
    {
        if (onStateChanged) {
            onStateChanged();
        }
    }
    void updateRecord() override
    {
        if (onUpdateRecord) {
            onUpdateRecord();
        }
    }
};

// Links one dataset to any number of views. Its own three events
// (OnDataChange, OnStateChange, OnUpdateData) run after the views were told;
// each can be replaced or detached (empty function) at any time, also from
// inside a handler. A disabled source, or one whose dataset has its controls
// disabled, passes nothing on. Main thread only.
class DataSource {
public:
    using DataChangeHandler = std::function<void(DataSource& source, const QString& field)>;
    using Handler = std::function<void(DataSource& source)>;

    explicit DataSource(Dataset* dataset = nullptr);
    ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    void setDataset(Dataset* dataset);
    Dataset* dataset() const { return m_dataset; }
    DatasetState state() const;

    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    // Whether views may put the dataset into edit state when the user types.
    void setAutoEdit(bool autoEdit) { m_autoEdit = autoEdit; }
    bool autoEdit() const { return m_autoEdit; }

    void setOnDataChange(DataChangeHandler handler) { m_onDataChange = std::move(handler); }
    const DataChangeHandler& onDataChange() const { return m_onDataChange; }
    void setOnStateChange(Handler handler) { m_onStateChange = std::move(handler); }
    const Handler& onStateChange() const { return m_onStateChange; }
    void setOnUpdateData(Handler handler) { m_onUpdateData = std::move(handler); }
    const Handler& onUpdateData() const { return m_onUpdateData; }

private:
    friend class Dataset;
    friend class DataLink;

    void addLink(DataLink* link);
    void removeLink(DataLink* link);
    bool hasLink(DataLink* link) const;
    std::vector<DataLink*> orderedLinks() const;

    // Called by the dataset.
    void notifyDataChange(const QString& field);
    void notifyStateChange();
    void notifyUpdateRecord();
    void datasetGone();

    Dataset* m_dataset = nullptr;
    std::vector<DataLink*> m_links;
    bool m_enabled = true;
    bool m_autoEdit = true;
    DataChangeHandler m_onDataChange;
    Handler m_onStateChange;
    Handler m_onUpdateData;
};

} // namespace kiro::db
