#include "tree/ThmTreeView.h"

#include "tree/TreeImages.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QUrl>

namespace kiro {

// Every change of the current node passes through the selection model:
// clicks, keys, setCurrentItem and setSelected alike. Refusing it here is
// the one place that keeps the tree and the tables in step; refusing in
// currentItemChanged would be too late, the node has already changed.
class ThmTreeView::GuardedSelection : public QItemSelectionModel {
public:
    GuardedSelection(QAbstractItemModel* model, ThmTreeView& view)
        : QItemSelectionModel(model, &view)
        , m_view(view)
    {
    }

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override
    {
        if (index != currentIndex() && !m_view.allowChange(m_view.itemFromIndex(index)))
            return;
        // The base class selects the new index before it becomes current.
        const bool wasPassing = m_passing;
        m_passing = true;
        QItemSelectionModel::setCurrentIndex(index, command);
        m_passing = wasPassing;
    }

    void select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override
    {
        select(QItemSelection(index, index), command);
    }

    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override
    {
        // A click whose change of the current node was refused still asks
        // to select the clicked node; the selection stays with the current one.
        if ((command & (QItemSelectionModel::Select | QItemSelectionModel::Toggle)) && !m_passing && !m_view.m_inGuard) {
            for (const QModelIndex& i : selection.indexes()) {
                if (i.isValid() && i.siblingAtColumn(0) != currentIndex().siblingAtColumn(0))
                    return;
            }
        }
        QItemSelectionModel::select(selection, command);
    }

private:
    ThmTreeView& m_view;
    bool m_passing = false;
};

ThmTreeView::ThmTreeView(QWidget* parent)
    : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIndentation(20);
    setIconSize(QSize(TreeImage::Size, TreeImage::Size));
    setUniformRowHeights(true);
    // The selection stays visible while another control has the focus.
    QPalette pal = palette();
    pal.setBrush(QPalette::Inactive, QPalette::Highlight, pal.brush(QPalette::Active, QPalette::Highlight));
    pal.setBrush(QPalette::Inactive, QPalette::HighlightedText, pal.brush(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);

    QItemSelectionModel* old = selectionModel();
    setSelectionModel(new GuardedSelection(model(), *this));
    delete old;

    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { emit nodeChanged(current); });
}

ThmTreeView::~ThmTreeView() = default;

void ThmTreeView::setHMAcceptFiles(bool accept)
{
    m_acceptFiles = accept;
    if (accept)
        setAcceptDrops(true);
}

bool ThmTreeView::allowChange(QTreeWidgetItem* to)
{
    if (!m_changing || m_inGuard)
        return true;
    m_inGuard = true;
    bool allowed = true;
    try {
        allowed = m_changing(to);
    } catch (...) {
        m_inGuard = false;
        throw;
    }
    m_inGuard = false;
    return allowed;
}

void ThmTreeView::reselectCurrent()
{
    emit nodeChanged(currentItem());
}

void ThmTreeView::beginUpdate()
{
    if (m_updateDepth++ == 0)
        setUpdatesEnabled(false);
}

void ThmTreeView::endUpdate()
{
    if (m_updateDepth > 0 && --m_updateDepth == 0)
        setUpdatesEnabled(true);
}

QStringList ThmTreeView::localFiles(const QMimeData* mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            files << QFileInfo(url.toLocalFile()).absoluteFilePath();
    }
    return files;
}

void ThmTreeView::dragEnterEvent(QDragEnterEvent* event)
{
    if (m_acceptFiles && !localFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
        return;
    }
    QTreeWidget::dragEnterEvent(event);
}

void ThmTreeView::dragMoveEvent(QDragMoveEvent* event)
{
    if (m_acceptFiles && !localFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
        return;
    }
    QTreeWidget::dragMoveEvent(event);
}

void ThmTreeView::dropEvent(QDropEvent* event)
{
    const QStringList files = m_acceptFiles ? localFiles(event->mimeData()) : QStringList();
    if (!files.isEmpty()) {
        event->acceptProposedAction();
        emit HMOnDropFiles(itemAt(event->position().toPoint()), files);
        return;
    }
    QTreeWidget::dropEvent(event);
}

} // namespace kiro
