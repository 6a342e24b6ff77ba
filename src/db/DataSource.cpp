#include "db/DataSource.h"

#include "db/Dataset.h"

#include <algorithm>

namespace kiro::db {

// --- DataLink -------------------------------------------------------------------

DataLink::~DataLink()
{
    setDataSource(nullptr);
}

void DataLink::setDataSource(DataSource* source)
{
    if (m_source == source) {
        return;
    }
    if (m_source) {
        m_source->removeLink(this);
    }
    m_source = source;
    if (m_source) {
        m_source->addLink(this);
    }
}

Dataset* DataLink::dataset() const
{
    return m_source ? m_source->dataset() : nullptr;
}

bool DataLink::edit()
{
    Dataset* ds = dataset();
    if (!ds || !ds->isActive()) {
        return false;
    }
    if (ds->state() == DatasetState::Edit || ds->state() == DatasetState::Insert) {
        return true;
    }
    if (!m_source->autoEdit() || ds->isReadOnly()) {
        return false;
    }
    return ds->edit();
}

// --- DataSource -----------------------------------------------------------------

DataSource::DataSource(Dataset* dataset)
{
    setDataset(dataset);
}

DataSource::~DataSource()
{
    setDataset(nullptr);
    const auto links = m_links;
    for (DataLink* link : links) {
        link->m_source = nullptr;
    }
}

void DataSource::setDataset(Dataset* dataset)
{
    if (m_dataset == dataset) {
        return;
    }
    if (m_dataset) {
        m_dataset->removeSource(this);
    }
    m_dataset = dataset;
    if (m_dataset) {
        m_dataset->addSource(this);
    }
    // Views and detail datasets pick up the new dataset's state and record.
    notifyStateChange();
    notifyDataChange(QString());
}

DatasetState DataSource::state() const
{
    return m_dataset ? m_dataset->state() : DatasetState::Inactive;
}

void DataSource::setEnabled(bool enabled)
{
    if (m_enabled == enabled) {
        return;
    }
    m_enabled = enabled;
    if (m_enabled) {
        notifyStateChange();
        notifyDataChange(QString());
    }
}

void DataSource::addLink(DataLink* link)
{
    if (!hasLink(link)) {
        m_links.push_back(link);
    }
}

void DataSource::removeLink(DataLink* link)
{
    m_links.erase(std::remove(m_links.begin(), m_links.end(), link), m_links.end());
}

bool DataSource::hasLink(DataLink* link) const
{
    return std::find(m_links.begin(), m_links.end(), link) != m_links.end();
}

std::vector<DataLink*> DataSource::orderedLinks() const
{
    std::vector<DataLink*> links;
    links.reserve(m_links.size());
    for (DataLink* l : m_links) {
        if (l->isMasterLink()) {
            links.push_back(l);
        }
    }
    for (DataLink* l : m_links) {
        if (!l->isMasterLink()) {
            links.push_back(l);
        }
    }
    return links;
}

void DataSource::notifyDataChange(const QString& field)
{
    if (!m_enabled) {
        return;
    }
    // A view may detach itself or others while being told.
    for (DataLink* link : orderedLinks()) {
        if (hasLink(link)) {
            link->dataChanged(field);
        }
    }
    if (m_onDataChange) {
        auto handler = m_onDataChange;
        handler(*this, field);
    }
}

void DataSource::notifyStateChange()
{
    if (!m_enabled) {
        return;
    }
    for (DataLink* link : orderedLinks()) {
        if (hasLink(link)) {
            link->stateChanged();
        }
    }
    if (m_onStateChange) {
        auto handler = m_onStateChange;
        handler(*this);
    }
}

void DataSource::notifyUpdateRecord()
{
    if (!m_enabled) {
        return;
    }
    for (DataLink* link : orderedLinks()) {
        if (hasLink(link)) {
            link->updateRecord();
        }
    }
    if (m_onUpdateData) {
        auto handler = m_onUpdateData;
        handler(*this);
    }
}

void DataSource::datasetGone()
{
    m_dataset = nullptr;
    notifyStateChange();
}

} // namespace kiro::db
