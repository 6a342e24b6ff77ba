#include "tree/ThmTreeView.h"

#include "tree/TreeImages.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QSignalBlocker>
#include <QUrl>

#include <algorithm>

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

    // QTreeWidget binds its item signals and the items' selected flags to
    // the selection model it made in its constructor only; a replacement
    // must be bound the same way, or currentItemChanged and isSelected()
    // stop working. The private slots are reachable by name only.
    QItemSelectionModel* old = selectionModel();
    auto* guarded = new GuardedSelection(model(), *this);
    setSelectionModel(guarded);
    delete old;
    connect(guarded, SIGNAL(currentChanged(QModelIndex, QModelIndex)), this,
            SLOT(_q_emitCurrentItemChanged(QModelIndex, QModelIndex)));
    connect(guarded, SIGNAL(selectionChanged(QItemSelection, QItemSelection)), this, SIGNAL(itemSelectionChanged()));
    connect(guarded, SIGNAL(selectionChanged(QItemSelection, QItemSelection)), this,
            SLOT(_q_selectionChanged(QItemSelection, QItemSelection)));

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
    if (!m_changing || m_inGuard || m_quiet)
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

void ThmTreeView::sortChildren(QTreeWidgetItem* parent, const NodeLess& less)
{
    if (!parent || parent->childCount() < 2)
        return;
    QList<QTreeWidgetItem*> children;
    for (int i = 0; i < parent->childCount(); ++i)
        children << parent->child(i);
    QList<QTreeWidgetItem*> sorted = children;
    std::stable_sort(sorted.begin(), sorted.end(), less);
    if (sorted == children)
        return;

    // Taking the children out moves the current node and forgets which of
    // them were expanded; both are put back without telling anyone.
    QTreeWidgetItem* current = currentItem();
    QList<QTreeWidgetItem*> expanded;
    QList<QTreeWidgetItem*> walk = children;
    while (!walk.isEmpty()) {
        QTreeWidgetItem* n = walk.takeLast();
        if (n->isExpanded())
            expanded << n;
        for (int i = 0; i < n->childCount(); ++i)
            walk << n->child(i);
    }
    const bool wasQuiet = m_quiet;
    m_quiet = true;
    {
        const QSignalBlocker blockSelection(selectionModel());
        const QSignalBlocker blockView(this);
        parent->takeChildren();
        parent->addChildren(sorted);
        for (QTreeWidgetItem* n : std::as_const(expanded))
            n->setExpanded(true);
        if (current)
            setCurrentItem(current);
    }
    m_quiet = wasQuiet;
    viewport()->update();
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
