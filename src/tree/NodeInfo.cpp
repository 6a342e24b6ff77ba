#include "tree/NodeInfo.h"

#include "tree/TreeFunctions.h"
#include "tree/TreeImages.h"

#include <QApplication>
#include <QPalette>

namespace kiro {

TTreeNode::TTreeNode(std::unique_ptr<TNodeInfo> info)
    : QTreeWidgetItem(Type)
    , m_info(std::move(info))
{
}

TTreeNode::~TTreeNode() = default;

void TTreeNode::setImageIndex(int index)
{
    if (m_imageIndex == index)
        return;
    m_imageIndex = index;
    emitDataChanged();
}

void TTreeNode::setOverlayIndex(int overlay)
{
    if (overlay != 0 && overlay != 1)
        overlay = NoOverlay;
    if (m_overlay == overlay)
        return;
    m_overlay = overlay;
    emitDataChanged();
}

int TTreeNode::effectiveImageIndex() const
{
    if (m_imageIndex < 0)
        return m_imageIndex;
    return ImageForRevision(m_imageIndex, NodeProjectIsLatest(this));
}

void TTreeNode::setCut(bool cut)
{
    if (m_cut == cut)
        return;
    m_cut = cut;
    emitDataChanged();
}

QVariant TTreeNode::data(int column, int role) const
{
    if (column == 0) {
        if (role == Qt::DecorationRole) {
            // Worked out at every paint: the project's Latest flag decides the pair member.
            const int index = effectiveImageIndex();
            if (index >= 0)
                return TreeNodeIcon(index, m_overlay, m_cut);
            return QVariant();
        }
        if (role == Qt::ForegroundRole && m_cut)
            return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    }
    return QTreeWidgetItem::data(column, role);
}

} // namespace kiro
