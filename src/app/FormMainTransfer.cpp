// Items leaving and entering the project database as transfer files: cut,
// copy and paste on the tree, and inserting a file below a node (also for
// files dropped on the tree).

#include "app/FormMain.h"

#include "app/InputText.h"
#include "app/core/Messages.h"
#include "data/FormData.h"
#include "db/Dataset.h"
#include "platform/Clipboard.h"
#include "tree/DumpFile.h"
#include "tree/DumpFileDocument.h"
#include "tree/NodeInfo.h"
#include "tree/ProjectTree.h"
#include "tree/ThmTreeView.h"
#include "tree/TreeFunctions.h"

#include <QApplication>
#include <QFileInfo>

namespace kiro {

QString TFormMain::CreateKIROFileOf(QTreeWidgetItem* node)
{
    const int kind = NodeKindOf(node);
    auto* info = NodeInfoAs<TItemInfo>(node);
    if (!m_data || !info
        || (kind != NodeKindProject && kind != NodeKindProduct && kind != NodeKindAccessory))
        return {};
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString path;
    try {
        path = CreateKIROFile(*m_data, kind, info->ID, node->text(0));
    } catch (const TDumpFileError&) {
        path.clear();
    }
    QApplication::restoreOverrideCursor();
    return path;
}

bool TFormMain::copySelectedToClipboard()
{
    const QString path = CreateKIROFileOf(selectedNode());
    if (path.isEmpty() || !PutFileOnClipboard(path)) {
        MsgOK(QStringLiteral("Couldn't put info on the clipboard!"));
        return false;
    }
    return true;
}

QTreeWidgetItem* TFormMain::InsertDocumentAt(QTreeWidgetItem* target, const QString& file, bool ask)
{
    if (!m_data || !QFileInfo::exists(file))
        return nullptr;
    TInsertTarget where;
    where.nodeKind = NodeKindOf(target);
    if (auto* project = NodeInfoAs<TProjInfo>(RootNodeOf(target)))
        where.projectID = project->ID;
    if (auto* product = NodeInfoAs<TProdInfo>(ProductNodeOf(target)))
        where.productID = product->ID;
    TInsertOptions options;
    options.ask = ask;
    options.inputText = [](const QString& prompt, QString& value) { return InputText(prompt, value); };
    const TInsertResult result = InsertDocument(*m_data, where, file, options);
    switch (result.outcome) {
    case TInsertResult::Outcome::NotTransferFile:
        // A plain file is a document of the project or product it landed on.
        return target ? m_projectTree->AddDocToTree(target, {file}) : nullptr;
    case TInsertResult::Outcome::Inserted:
        break;
    default:
        return nullptr;
    }
    for (const QString& replaced : result.replacedProjects) {
        if (QTreeWidgetItem* old = FindNodeByKindAndID(*m_treeProject, NodeKindProject, replaced)) {
            m_suspendChangeCheck = true;
            delete old;
            m_suspendChangeCheck = false;
        }
    }
    QTreeWidgetItem* node = nullptr;
    if (result.kind == dumpfile::KindProject) {
        node = m_projectTree->AddProjectToTree(result.id);
        if (node)
            node->setExpanded(true);
    } else if (result.kind == dumpfile::KindProduct) {
        QTreeWidgetItem* project = FindNodeByKindAndID(*m_treeProject, NodeKindProject, result.parentID);
        QTreeWidgetItem* group = ProductGroupOf(project);
        db::Dataset& products = m_data->table(QStringLiteral("TableProducts"));
        if (group && products.locate(QStringLiteral("ID"), result.id))
            node = m_projectTree->DBGetProduct(group, products);
    } else if (result.kind == dumpfile::KindAccessory) {
        QTreeWidgetItem* product = FindNodeByKindAndID(*m_treeProject, NodeKindProduct, result.parentID);
        QTreeWidgetItem* group = AccessoryGroupOf(product);
        db::Dataset& accessories = m_data->table(QStringLiteral("TableAccessories"));
        if (group && accessories.locate(QStringLiteral("ID"), result.id))
            node = m_projectTree->DBGetAccessory(group, accessories);
    }
    if (node) {
        m_treeProject->setCurrentItem(node);
        m_treeProject->scrollToItem(node);
    }
    return node;
}

void TFormMain::EditCut()
{
    if (!treeIsActiveControl()) {
        sendEditRequest(EditRequest::Cut);
        return;
    }
    // Answering No to the deletion keeps the item; the clipboard keeps the copy.
    if (copySelectedToClipboard())
        DeleteItem(selectedNode(), true);
}

void TFormMain::EditCopy()
{
    if (!treeIsActiveControl()) {
        sendEditRequest(EditRequest::Copy);
        return;
    }
    copySelectedToClipboard();
}

void TFormMain::EditPaste()
{
    if (!treeIsActiveControl()) {
        sendEditRequest(EditRequest::Paste);
        return;
    }
    for (const QString& file : GetClipboardFiles()) {
        if (QFileInfo::exists(file))
            InsertDocumentAt(selectedNode(), file, true);
    }
}

} // namespace kiro
