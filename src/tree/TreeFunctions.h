#pragma once

#include "tree/NodeInfo.h"

#include <QList>
#include <QPair>
#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

namespace kiro {

// Functions on the nodes of the project tree, shared by the main window,
// the item commands, the transfer file and the data module's label events.
// They never read a table. A null node is allowed everywhere and gives none.

// The payload's Kind; 0 for a node without payload, -2 for no node.
int NodeKindOf(const QTreeWidgetItem* node);
// The payload of a node (null for none or another kind of item).
TNodeInfo* NodeInfoOf(const QTreeWidgetItem* node);
// The payload as one of its classes; null when the node's kind differs.
template <class Info>
Info* NodeInfoAs(const QTreeWidgetItem* node)
{
    return dynamic_cast<Info*>(NodeInfoOf(node));
}
// The node as a tree node of ours (null for a plain item).
TTreeNode* TreeNodeOf(QTreeWidgetItem* node);

// The top-level ancestor (the project node); the node itself at top level.
QTreeWidgetItem* RootNodeOf(QTreeWidgetItem* node);
// The first child of RootNodeOf(node) with Kind 102 (Products) or 103
// (project Documents).
QTreeWidgetItem* ProductGroupOf(QTreeWidgetItem* node);
QTreeWidgetItem* DocGroupOf(QTreeWidgetItem* node);
// The node itself or its nearest ancestor with Kind 2.
QTreeWidgetItem* ProductNodeOf(QTreeWidgetItem* node);
// The Accessories group (104) of the first product at or above the node.
QTreeWidgetItem* AccessoryGroupOf(QTreeWidgetItem* node);
// The first child with Kind 105 of the given node (a product node).
QTreeWidgetItem* ProdDocGroupOf(QTreeWidgetItem* node);
// The first child of `node` with this kind.
QTreeWidgetItem* ChildOfKind(QTreeWidgetItem* node, int kind);

// The first node in tree order (top to bottom, all levels) whose payload has
// this kind (1 to 5) and this ID, compared exactly; null otherwise.
QTreeWidgetItem* FindNodeByKindAndID(const QTreeWidget& tree, int kind, const QString& id);
// The first top-level node whose TProjInfo has this Name (exact) and Revision.
QTreeWidgetItem* FindProjectNode(const QTreeWidget& tree, const QString& name, int revision);

// A caption: the template with each token replaced, in the order given, by
// its value trimmed of blanks. Text inserted for a token is not searched
// again for that token; a later token is replaced in it.
using NodeTemplateTokens = QList<QPair<QString, QString>>;
QString ExpandNodeTemplate(const QString& nodeTemplate, const NodeTemplateTokens& tokens);
// Captions of item nodes: "@N" name, "@R" revision, "@C" customer for
// projects; "@T" tag, "@N" name, "@D" description, "@Q" quantity, "@O"
// order for products and accessories. Without a template, the one of the
// settings (Project / ProjViewStr, ProdViewStr, AccViewStr).
QString ProjectNodeText(const TProjInfo& info);
QString ProjectNodeText(const TProjInfo& info, const QString& nodeTemplate);
QString ProductNodeText(const TProdInfo& info);
QString ProductNodeText(const TProdInfo& info, const QString& nodeTemplate);
QString AccessoryNodeText(const TAccInfo& info);
QString AccessoryNodeText(const TAccInfo& info, const QString& nodeTemplate);

// Sets the Cut state (drawn dimmed) of the node and of every node below it.
void SetSubtreeCut(QTreeWidgetItem* node, bool cut);

// --- image rules (indexes of TreeImages.h, latest revision; the older
// revision's image is the odd index one above)
int ProductImageIndex(const TProdInfo& info);
int AccessoryImageIndex(const TAccInfo& info);
// 0 alternate, 1 additional option, TTreeNode::NoOverlay otherwise.
int ItemOverlayIndex(bool alternate, bool addOption);
// The index corrected to the project's Latest flag: latest takes the even
// index of the pair, an older revision the odd one.
int ImageForRevision(int index, bool latest);
// A folder's image when it is expanded (0/1 -> 2/3) and collapsed (2/3 -> 0/1);
// other images stay.
int ExpandedFolderImage(int index);
int CollapsedFolderImage(int index);
// Whether the node's project is the latest revision (true without a project).
bool NodeProjectIsLatest(const QTreeWidgetItem* node);

} // namespace kiro
