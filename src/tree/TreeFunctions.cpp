#include "tree/TreeFunctions.h"

#include "app/core/Settings.h"
#include "tree/TreeImages.h"

#include <QQueue>
#include <QTreeWidget>

namespace kiro {

int NodeKindOf(const QTreeWidgetItem* node)
{
    if (!node)
        return -2;
    const TNodeInfo* info = NodeInfoOf(node);
    return info ? info->Kind : 0;
}

TNodeInfo* NodeInfoOf(const QTreeWidgetItem* node)
{
    if (!node || node->type() != TTreeNode::Type)
        return nullptr;
    return static_cast<const TTreeNode*>(node)->info();
}

TTreeNode* TreeNodeOf(QTreeWidgetItem* node)
{
    if (!node || node->type() != TTreeNode::Type)
        return nullptr;
    return static_cast<TTreeNode*>(node);
}

QTreeWidgetItem* RootNodeOf(QTreeWidgetItem* node)
{
    if (!node)
        return nullptr;
    while (node->parent())
        node = node->parent();
    return node;
}

QTreeWidgetItem* ChildOfKind(QTreeWidgetItem* node, int kind)
{
    if (!node)
        return nullptr;
    for (int i = 0; i < node->childCount(); ++i) {
        if (NodeKindOf(node->child(i)) == kind)
            return node->child(i);
    }
    return nullptr;
}

QTreeWidgetItem* ProductGroupOf(QTreeWidgetItem* node)
{
    return ChildOfKind(RootNodeOf(node), NodeKindProductGroup);
}

QTreeWidgetItem* DocGroupOf(QTreeWidgetItem* node)
{
    return ChildOfKind(RootNodeOf(node), NodeKindDocGroup);
}

QTreeWidgetItem* ProductNodeOf(QTreeWidgetItem* node)
{
    for (; node; node = node->parent()) {
        if (NodeKindOf(node) == NodeKindProduct)
            return node;
    }
    return nullptr;
}

QTreeWidgetItem* AccessoryGroupOf(QTreeWidgetItem* node)
{
    return ChildOfKind(ProductNodeOf(node), NodeKindAccGroup);
}

QTreeWidgetItem* ProdDocGroupOf(QTreeWidgetItem* node)
{
    return ChildOfKind(node, NodeKindProdDocGroup);
}

namespace {

bool hasID(const QTreeWidgetItem* node, int kind, const QString& id)
{
    const TNodeInfo* info = NodeInfoOf(node);
    if (!info || info->Kind != kind)
        return false;
    return static_cast<const TItemInfo*>(info)->ID == id;
}

// Where nodes of a kind can sit: the walk descends only into the nodes on
// the way there, so that a lookup does not visit every accessory of every
// project to find a product. The order of the nodes it visits is tree order.
bool mayContain(int nodeKind, int wanted)
{
    switch (wanted) {
    case NodeKindProduct:
        return nodeKind == NodeKindProject || nodeKind == NodeKindProductGroup;
    case NodeKindProjDoc:
        return nodeKind == NodeKindProject || nodeKind == NodeKindDocGroup;
    case NodeKindAccessory:
        return nodeKind == NodeKindProject || nodeKind == NodeKindProductGroup || nodeKind == NodeKindProduct
            || nodeKind == NodeKindAccGroup;
    case NodeKindProdDoc:
        return nodeKind == NodeKindProject || nodeKind == NodeKindProductGroup || nodeKind == NodeKindProduct
            || nodeKind == NodeKindProdDocGroup;
    default:
        return false;
    }
}

QTreeWidgetItem* findBelow(QTreeWidgetItem* node, int kind, const QString& id)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* child = node->child(i);
        if (hasID(child, kind, id))
            return child;
        // A node of an unexpected shape (no payload) is searched too, so
        // that the lookup stays exact for trees built by other code.
        const int childKind = NodeKindOf(child);
        if (childKind == 0 || mayContain(childKind, kind)) {
            if (QTreeWidgetItem* found = findBelow(child, kind, id))
                return found;
        }
    }
    return nullptr;
}

} // namespace

QTreeWidgetItem* FindNodeByKindAndID(const QTreeWidget& tree, int kind, const QString& id)
{
    if (kind < NodeKindProject || kind > NodeKindProdDoc)
        return nullptr;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree.topLevelItem(i);
        if (hasID(top, kind, id))
            return top;
        const int topKind = NodeKindOf(top);
        if (kind != NodeKindProject && (topKind == 0 || mayContain(topKind, kind))) {
            if (QTreeWidgetItem* found = findBelow(top, kind, id))
                return found;
        }
    }
    return nullptr;
}

QTreeWidgetItem* FindProjectNode(const QTreeWidget& tree, const QString& name, int revision)
{
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree.topLevelItem(i);
        if (const auto* info = NodeInfoAs<TProjInfo>(top); info && info->Name == name && info->Revision == revision)
            return top;
    }
    return nullptr;
}

QString ExpandNodeTemplate(const QString& nodeTemplate, const NodeTemplateTokens& tokens)
{
    // QString::replace continues behind the inserted text, so a value is
    // never searched again for its own token.
    QString text = nodeTemplate;
    for (const auto& [token, value] : tokens) {
        if (!token.isEmpty())
            text.replace(token, value.trimmed(), Qt::CaseSensitive);
    }
    return text;
}

QString ProjectNodeText(const TProjInfo& info)
{
    return ProjectNodeText(info, settings().project().ProjViewStr);
}

QString ProjectNodeText(const TProjInfo& info, const QString& nodeTemplate)
{
    return ExpandNodeTemplate(nodeTemplate, {{QStringLiteral("@N"), info.Name},
                                             {QStringLiteral("@R"), QString::number(info.Revision)},
                                             {QStringLiteral("@C"), info.QuotCustName}});
}

namespace {

template <class Info>
QString itemNodeText(const Info& info, const QString& nodeTemplate)
{
    return ExpandNodeTemplate(nodeTemplate, {{QStringLiteral("@T"), info.Tag},
                                             {QStringLiteral("@N"), info.Name},
                                             {QStringLiteral("@D"), info.Description},
                                             {QStringLiteral("@Q"), QString::number(info.Qty)},
                                             {QStringLiteral("@O"), QString::number(info.Order)}});
}

} // namespace

QString ProductNodeText(const TProdInfo& info)
{
    return itemNodeText(info, settings().project().ProdViewStr);
}

QString ProductNodeText(const TProdInfo& info, const QString& nodeTemplate)
{
    return itemNodeText(info, nodeTemplate);
}

QString AccessoryNodeText(const TAccInfo& info)
{
    return itemNodeText(info, settings().project().AccViewStr);
}

QString AccessoryNodeText(const TAccInfo& info, const QString& nodeTemplate)
{
    return itemNodeText(info, nodeTemplate);
}

void SetSubtreeCut(QTreeWidgetItem* node, bool cut)
{
    if (!node)
        return;
    QQueue<QTreeWidgetItem*> queue;
    queue.enqueue(node);
    while (!queue.isEmpty()) {
        QTreeWidgetItem* n = queue.dequeue();
        if (TTreeNode* t = TreeNodeOf(n))
            t->setCut(cut);
        for (int i = 0; i < n->childCount(); ++i)
            queue.enqueue(n->child(i));
    }
}

int ProductImageIndex(const TProdInfo& info)
{
    if (info.TORVA && !info.PDB)
        return TreeImage::ProductTORVA;
    if (!info.TORVA && info.PDB)
        return TreeImage::ProductPDB;
    if (info.TORVA && info.PDB)
        return TreeImage::ProductBoth;
    if (info.External)
        return TreeImage::External;
    if (info.Spare)
        return TreeImage::Spare;
    return TreeImage::Product;
}

int AccessoryImageIndex(const TAccInfo& info)
{
    if (info.PDB)
        return TreeImage::AccessoryPDB;
    if (info.External)
        return TreeImage::External;
    if (info.Spare)
        return TreeImage::Spare;
    return TreeImage::Accessory;
}

int ItemOverlayIndex(bool alternate, bool addOption)
{
    if (alternate)
        return 0;
    if (addOption)
        return 1;
    return TTreeNode::NoOverlay;
}

int ImageForRevision(int index, bool latest)
{
    // Only the image pairs follow the revision; the overlays have no twin.
    if (index < 0 || index >= TreeImage::OverlayAlternate)
        return index;
    const bool odd = (index % 2) == 1;
    if (latest && odd)
        return index - 1;
    if (!latest && !odd)
        return index + 1;
    return index;
}

int ExpandedFolderImage(int index)
{
    return (index == 0 || index == 1) ? index + 2 : index;
}

int CollapsedFolderImage(int index)
{
    return (index == 2 || index == 3) ? index - 2 : index;
}

bool NodeProjectIsLatest(const QTreeWidgetItem* node)
{
    if (!node)
        return true;
    while (node->parent())
        node = node->parent();
    const auto* info = NodeInfoAs<TProjInfo>(node);
    return info ? info->Latest : true;
}

} // namespace kiro
