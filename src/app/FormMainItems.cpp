// Commands that create, rename, delete and find the items of the project
// tree. Each ends with the tree and the tables in step: a created item is
// selected, a deleted one's node is gone and the next selection is shown.

#include "app/FormMain.h"

#include "app/DialogService.h"
#include "app/FormTranslation.h"
#include "app/Translate.h"
#include "app/InputText.h"
#include "app/core/AppContext.h"
#include "app/core/Interaction.h"
#include "app/core/Messages.h"
#include "app/core/Progress.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "db/Connection.h"
#include "platform/Clipboard.h"
#include "tree/DumpFile.h"
#include "tree/DumpFileDocument.h"
#include "tree/NodeInfo.h"
#include "tree/ProjectTree.h"
#include "tree/ThmTreeView.h"
#include "tree/TreeFunctions.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMimeData>
#include <QUrl>
#include <QDate>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

namespace kiro {

namespace {

// Switches the Projects table's filtering off for one command and back in
// every path; the expression itself stays.
class ProjectsFilterOff {
public:
    explicit ProjectsFilterOff(db::Dataset& projects)
        : m_projects(projects)
        , m_filtered(projects.isFiltered())
    {
        if (m_filtered)
            m_projects.setFiltered(false);
    }
    ~ProjectsFilterOff()
    {
        if (m_filtered && !m_projects.isFiltered())
            m_projects.setFiltered(true);
    }
    ProjectsFilterOff(const ProjectsFilterOff&) = delete;
    ProjectsFilterOff& operator=(const ProjectsFilterOff&) = delete;

private:
    db::Dataset& m_projects;
    bool m_filtered;
};

bool projectNameExists(TFormData& data, const QString& name)
{
    db::Query q(data.database(QStringLiteral("DatabaseProjects")),
                QStringLiteral("SELECT COUNT(*) AS N FROM Projects WHERE Name = :name"));
    q.bindValue(QStringLiteral("name"), name);
    q.open();
    return q.value(QStringLiteral("N")).toInt() > 0;
}

// Text and memo fields of the current record, for the search.
bool recordMatches(db::Dataset& table, const QString& text, bool matchCase, bool wholeWord)
{
    for (int i = 0; i < table.fieldCount(); ++i) {
        const db::FieldType type = table.field(i).type();
        if (type != db::FieldType::Text && type != db::FieldType::Memo)
            continue;
        const QString value = table.field(i).asString();
        bool match = false;
        if (matchCase && wholeWord)
            match = value == text;
        else if (matchCase)
            match = value.contains(text);
        else if (wholeWord)
            match = value.toUpper() == text.toUpper();
        else
            match = value.toUpper().contains(text.toUpper());
        if (match)
            return true;
    }
    return false;
}

QTreeWidgetItem* nextInTreeOrder(QTreeWidget& tree, QTreeWidgetItem* node)
{
    if (!node)
        return tree.topLevelItem(0);
    if (node->childCount() > 0)
        return node->child(0);
    for (QTreeWidgetItem* n = node; n; n = n->parent()) {
        QTreeWidgetItem* parent = n->parent();
        const int index = parent ? parent->indexOfChild(n) : tree.indexOfTopLevelItem(n);
        const int count = parent ? parent->childCount() : tree.topLevelItemCount();
        if (index + 1 < count)
            return parent ? parent->child(index + 1) : tree.topLevelItem(index + 1);
    }
    return nullptr;
}

} // namespace

// --- new project --------------------------------------------------------------

void TFormMain::ProjectNewProject()
{
    if (!m_data || !m_data->projectsConnected())
        return;
    db::Dataset& projects = m_data->table(QStringLiteral("TableProjects"));
    QString name = MsgText(QStringLiteral("40"));
    QString newID;
    {
        ProjectsFilterOff filterOff(projects);
        for (;;) {
            if (!InputText(MsgText(QStringLiteral("41")), name))
                return;
            if (!projectNameExists(*m_data, name))
                break;
            MsgOK(QStringLiteral("2"), {name});
        }
        ShowProgress(QStringLiteral("42"), {name}, 0);
        try {
            db::Transaction transaction(m_data->database(QStringLiteral("DatabaseProjects")));
            const QDate today = QDate::currentDate();
            const QString user = app().currentUserName();
            projects.append();
            auto set = [&](const char* field, const QVariant& value) {
                projects.fieldByName(QString::fromLatin1(field)).setValue(value);
            };
            set("Latest", true);
            set("ProjectCreated", today);
            set("ProjectModified", today);
            set("QuotDate", today);
            set("ProjectStatusDateQuot", today);
            set("ProjectCreatedBy", user);
            set("ProjectModifiedBy", user);
            set("QuotHandledBy", user);
            set("QuotValidDate", today.addDays(settings().project().QuotValTime));
            set("ProjCurrency", settings().system().DefaultCurrency);
            set("QuotNumber", name);
            set("QuotStatus", QStringLiteral("10"));
            projects.post();
            newID = projects.fieldByName(QStringLiteral("ID")).asString();
            ShowProgress(QStringLiteral("42"), {name}, 25);
            m_data->CopySystemCurrencies(newID);
            ShowProgress(QStringLiteral("42"), {name}, 50);
            m_data->CopySystemDiscounts(newID);
            ShowProgress(QStringLiteral("42"), {name}, 75);
            projects.locate(QStringLiteral("ID"), newID);
            projects.edit();
            projects.fieldByName(QStringLiteral("Name")).setValue(name);
            projects.fieldByName(QStringLiteral("Revision")).setValue(1);
            projects.post();
            transaction.commit();
        } catch (const db::DatabaseError& e) {
            if (projects.state() != db::DatasetState::Browse)
                projects.cancel();
            projects.refresh();
            HideProgress();
            MsgOK(QStringLiteral("The project could not be created:\n%s"), {e.message()});
            return;
        }
    }
    QTreeWidgetItem* node = m_projectTree->AddProjectToTree(newID);
    ShowProgress(QStringLiteral("42"), {name}, 100);
    HideProgress();
    if (node) {
        node->setExpanded(true);
        m_treeProject->setCurrentItem(node);
    }
}

// --- new revision -------------------------------------------------------------

void TFormMain::ProjectNewRevision()
{
    QTreeWidgetItem* node = RootNodeOf(selectedNode());
    auto* info = NodeInfoAs<TProjInfo>(node);
    if (!info || !m_data)
        return;
    db::Dataset& projects = m_data->table(QStringLiteral("TableProjects"));
    SyncProjectRecord(node);
    if (!info->Latest || !projects.fieldByName(QStringLiteral("Latest")).asBoolean()) {
        MsgOK(QStringLiteral("3"), {QString()});
        return;
    }
    const QString oldID = info->ID;
    const QString name = info->Name;
    db::Connection& connection = m_data->database(QStringLiteral("DatabaseProjects"));

    // The whole project as a transfer file, also left on the clipboard.
    QString file;
    try {
        file = CreateKIROFile(*m_data, dumpfile::KindProject, oldID, node->text(0));
    } catch (const TDumpFileError& e) {
        MsgOK(QStringLiteral("The new revision could not be made:\n%s"), {e.message()});
        return;
    }
    PutFileOnClipboard(file);

    // The old revision gives up Latest and the copy takes it with the next
    // number: both happen or neither.
    QString newID;
    bool committed = false;
    try {
        db::Transaction transaction(connection);
        {
            ProjectsFilterOff filterOff(projects);
            if (!projects.locate(QStringLiteral("ID"), oldID))
                return;
            projects.edit();
            projects.fieldByName(QStringLiteral("Latest")).setValue(false);
            projects.post();
        }
        // The copy is read back from what the clipboard now holds; when
        // another program took the clipboard in between, from the file.
        QStringList files = GetClipboardFiles();
        if (files.isEmpty() || !dumpfile::hasTransferExtension(files.first()))
            files = {file};
        TInsertOptions options;
        options.ask = false;
        const TInsertResult inserted = InsertDocument(*m_data, {NodeKindProject, oldID, {}}, files.first(), options);
        if (inserted.outcome != TInsertResult::Outcome::Inserted)
            throw db::DatabaseError(QString());
        newID = inserted.id;
        const int revision = m_data->MaxRevision(name) + 1;
        db::Query update(connection, QStringLiteral("UPDATE Projects SET Latest = 1, Revision = :revision, "
                                                    "ProjectModified = :today, ProjectModifiedBy = :user WHERE ID = :id"));
        update.bindValue(QStringLiteral("revision"), revision);
        update.bindValue(QStringLiteral("today"), QDateTime(QDate::currentDate(), QTime(0, 0)));
        update.bindValue(QStringLiteral("user"), app().currentUserName());
        update.bindValue(QStringLiteral("id"), newID);
        update.execSql();
        transaction.commit();
        committed = true;
    } catch (const db::DatabaseError& e) {
        // An empty message: the insert has told the user already.
        if (!e.message().isEmpty())
            MsgOK(QStringLiteral("The new revision could not be made:\n%s"), {e.message()});
    }
    if (!committed) {
        // The rolled-back Latest flag is read back into the table.
        projects.refresh();
        return;
    }
    info->Latest = false;
    node->setText(0, ProjectNodeText(*info));
    for (const char* t : {"TableProjects", "TableProducts", "TableAccessories", "TableDocuments", "TableProdDocuments"})
        m_data->table(QString::fromLatin1(t)).refresh();
    m_treeProject->viewport()->update();
    if (QTreeWidgetItem* copy = m_projectTree->AddProjectToTree(newID)) {
        projects.locate(QStringLiteral("ID"), newID);
        m_projectTree->RefreshProjectNode(copy, projects);
        m_treeProject->setCurrentItem(copy);
    }
}

// --- add document ---------------------------------------------------------------

void TFormMain::ProjectAddDocument()
{
    QTreeWidgetItem* node = selectedNode();
    const int kind = NodeKindOf(node);
    const bool toProject = kind == NodeKindProject || kind == NodeKindProjDoc || kind == NodeKindDocGroup;
    const bool toProduct = kind == NodeKindProduct || kind == NodeKindProdDoc || kind == NodeKindProdDocGroup;
    if (!toProject && !toProduct)
        return;
    FileRequest request;
    request.kind = FileRequest::Kind::OpenFiles;
    request.caption = QStringLiteral("Add document");
    request.filter = QStringLiteral(
        "Viewable files (*.xls *.doc *.pdf *.bmp *.ico *.wmf *.emf *.docx *.xlsx *.odt *.ods *.png *.jpg);;"
        "Office files (*.xls *.doc *.docx *.xlsx *.odt *.ods);;Acrobat Reader (*.pdf);;"
        "Pictures (*.bmp *.ico *.wmf *.emf *.png *.jpg);;All files (*)");
    const QStringList files = interaction().chooseFiles(request);
    if (files.isEmpty())
        return;
    if (QTreeWidgetItem* last = m_projectTree->AddDocToTree(node, files))
        m_treeProject->setCurrentItem(last);
}

// --- delete -------------------------------------------------------------------

void TFormMain::DeleteSelectedItem()
{
    DeleteItem(selectedNode(), true);
}

QTreeWidgetItem* TFormMain::DeleteItem(QTreeWidgetItem* node, bool confirm)
{
    if (!node || !m_data)
        return selectedNode();
    const int kind = NodeKindOf(node);
    auto* item = NodeInfoAs<TItemInfo>(node);
    if (!item)
        return selectedNode();
    auto ask = [&](const char* key) {
        return !confirm || MsgYesNo(QString::fromLatin1(key), {item->Name}) == MsgCodeYes;
    };
    // The node's tables must stand on it, whatever was selected before.
    if (node != selectedNode())
        m_treeProject->setCurrentItem(node);
    auto removeNode = [&] {
        m_suspendChangeCheck = true;
        delete node;
        m_suspendChangeCheck = false;
        if (m_treeProject->topLevelItemCount() == 0) {
            m_viewKind = 0;
            HideAllTabs();
        } else if (QTreeWidgetItem* now = m_treeProject->currentItem()) {
            TreeProjectChange(now);
        }
    };
    switch (kind) {
    case NodeKindProject: {
        if (!ask("20"))
            return node;
        auto* project = NodeInfoAs<TProjInfo>(node);
        const QString name = project->Name;
        SyncProjectRecord(node);
        if (!m_data->DeleteProjectRow())
            return node;
        removeNode();
        const int highest = m_data->MaxRevision(name);
        if (highest > 0)
            m_projectTree->FixLatestProject(name, highest);
        break;
    }
    case NodeKindProduct: {
        if (!ask("21"))
            return node;
        SyncProjectRecord(RootNodeOf(node));
        SyncProductRecord(node);
        m_suspendChangeCheck = true;
        const bool deleted = m_data->DeleteProductRow(m_data->table(QStringLiteral("TableProducts")));
        m_suspendChangeCheck = false;
        if (!deleted)
            return node;
        removeNode();
        break;
    }
    case NodeKindProjDoc: {
        if (!ask("22"))
            return node;
        db::Dataset& docs = m_data->table(QStringLiteral("TableDocuments"));
        SyncDocumentRecord(node);
        if (!docs.deleteRecord())
            return node;
        removeNode();
        break;
    }
    case NodeKindAccessory: {
        if (!ask("23"))
            return node;
        SyncProjectRecord(RootNodeOf(node));
        SyncProductRecord(ProductNodeOf(node));
        SyncAccessoryRecord(node);
        m_suspendChangeCheck = true;
        const bool deleted = m_data->DeleteAccessoryRow(m_data->table(QStringLiteral("TableAccessories")));
        m_suspendChangeCheck = false;
        if (!deleted)
            return node;
        removeNode();
        break;
    }
    case NodeKindProdDoc: {
        db::Dataset& docs = m_data->table(QStringLiteral("TableProdDocuments"));
        SyncProdDocRecord(node);
        // Documents the product database gave the product stay with it.
        if (docs.isEmpty() || !docs.fieldByName(QStringLiteral("External")).asBoolean())
            return node;
        if (!ask("22"))
            return node;
        if (!docs.deleteRecord())
            return node;
        removeNode();
        break;
    }
    default:
        return node;
    }
    return selectedNode();
}

// --- rename ---------------------------------------------------------------------

void TFormMain::ProjectRenameItem()
{
    QTreeWidgetItem* node = selectedNode();
    auto* info = NodeInfoAs<TProjInfo>(node);
    if (!info || !m_data || !m_treeProject->hasFocus())
        return;
    db::Dataset& projects = m_data->table(QStringLiteral("TableProjects"));
    SyncProjectRecord(node);
    if (!projects.fieldByName(QStringLiteral("Latest")).asBoolean())
        return;
    const QString oldName = info->Name;
    QString newName = oldName;
    if (!InputText(QStringLiteral("Enter a new project name"), newName) || newName == oldName)
        return;
    {
        ProjectsFilterOff filterOff(projects);
        if (projectNameExists(*m_data, newName))
            return;
        try {
            db::Transaction transaction(m_data->database(QStringLiteral("DatabaseProjects")));
            for (projects.first(); !projects.eof(); projects.next()) {
                if (projects.fieldByName(QStringLiteral("Name")).asString() != oldName)
                    continue;
                projects.edit();
                projects.fieldByName(QStringLiteral("Name")).setValue(newName);
                projects.post();
            }
            transaction.commit();
        } catch (const db::DatabaseError& e) {
            if (projects.state() != db::DatasetState::Browse)
                projects.cancel();
            projects.refresh();
            MsgOK(QStringLiteral("The project could not be renamed:\n%s"), {e.message()});
            return;
        }
        for (int i = 0; i < m_treeProject->topLevelItemCount(); ++i) {
            QTreeWidgetItem* top = m_treeProject->topLevelItem(i);
            if (auto* p = NodeInfoAs<TProjInfo>(top); p && p->Name == oldName) {
                p->Name = newName;
                top->setText(0, ProjectNodeText(*p));
            }
        }
    }
    m_treeProject->setCurrentItem(node);
    SyncProjectRecord(node);
}

// --- search ---------------------------------------------------------------------

void TFormMain::ProjectSearch()
{
    if (!hasProjects())
        return;
    if (!m_searchDialog) {
        auto* dialog = new QDialog(this);
        dialog->setObjectName(QStringLiteral("DlgSearch"));
        dialog->setWindowTitle(QStringLiteral("Search"));
        auto* layout = new QGridLayout(dialog);
        auto* label = new QLabel(QStringLiteral("Fi&nd what:"), dialog);
        auto* text = new QLineEdit(dialog);
        text->setObjectName(QStringLiteral("DlgSearchText"));
        label->setBuddy(text);
        auto* matchCase = new QCheckBox(QStringLiteral("Match &case"), dialog);
        matchCase->setObjectName(QStringLiteral("DlgSearchMatchCase"));
        auto* wholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), dialog);
        wholeWord->setObjectName(QStringLiteral("DlgSearchWholeWord"));
        auto* find = new QPushButton(QStringLiteral("&Find Next"), dialog);
        find->setObjectName(QStringLiteral("DlgSearchFind"));
        find->setDefault(true);
        auto* close = new QPushButton(QStringLiteral("Close"), dialog);
        close->setObjectName(QStringLiteral("DlgSearchClose"));
        layout->addWidget(label, 0, 0);
        layout->addWidget(text, 0, 1);
        layout->addWidget(find, 0, 2);
        layout->addWidget(wholeWord, 1, 0, 1, 2);
        layout->addWidget(close, 1, 2);
        layout->addWidget(matchCase, 2, 0, 1, 2);
        connect(find, &QPushButton::clicked, this, [this, text, matchCase, wholeWord] {
            DlgSearchFind(text->text(), matchCase->isChecked(), wholeWord->isChecked());
        });
        connect(close, &QPushButton::clicked, dialog, &QDialog::close);
        TranslateForm(*dialog);
        m_searchDialog = dialog;
    }
    // It stays open beside the window, like every find dialog.
    m_searchDialog->show();
    m_searchDialog->raise();
    m_searchDialog->activateWindow();
}

bool TFormMain::DlgSearchFind(const QString& text, bool matchCase, bool wholeWord)
{
    if (!m_data || text.isEmpty())
        return false;
    StatusShowAction(QStringLiteral("Searching ..."));
    QTreeWidgetItem* before = selectedNode();
    QTreeWidgetItem* start = nextInTreeOrder(*m_treeProject, before);
    db::Dataset& projects = m_data->table(QStringLiteral("TableProjects"));
    db::Dataset& products = m_data->table(QStringLiteral("TableProducts"));
    db::Dataset& accessories = m_data->table(QStringLiteral("TableAccessories"));
    auto matches = [&](QTreeWidgetItem* n) {
        auto* info = NodeInfoAs<TItemInfo>(n);
        if (!info)
            return false;
        db::Dataset* table = nullptr;
        switch (NodeKindOf(n)) {
        case NodeKindProject:
            table = &projects;
            break;
        case NodeKindProduct:
            // The products follow the project located before them.
            if (auto* project = NodeInfoAs<TProjInfo>(RootNodeOf(n)))
                projects.locate(QStringLiteral("ID"), project->ID);
            table = &products;
            break;
        case NodeKindAccessory:
            if (auto* project = NodeInfoAs<TProjInfo>(RootNodeOf(n)))
                projects.locate(QStringLiteral("ID"), project->ID);
            if (auto* product = NodeInfoAs<TProdInfo>(ProductNodeOf(n)))
                products.locate(QStringLiteral("ID"), product->ID);
            table = &accessories;
            break;
        default:
            return false;
        }
        return table->locate(QStringLiteral("ID"), info->ID) && recordMatches(*table, text, matchCase, wholeWord);
    };
    QTreeWidgetItem* found = nullptr;
    m_treeProject->beginUpdate();
    for (QTreeWidgetItem* n = start; n && !found; n = nextInTreeOrder(*m_treeProject, n)) {
        if (matches(n))
            found = n;
    }
    // One more pass from the top, up to where the first one began.
    if (!found && start != m_treeProject->topLevelItem(0)) {
        for (QTreeWidgetItem* n = m_treeProject->topLevelItem(0); n && !found; n = nextInTreeOrder(*m_treeProject, n)) {
            if (matches(n))
                found = n;
            if (n == before)
                break;
        }
    }
    m_treeProject->endUpdate();
    StatusHideAction();
    if (found) {
        m_treeProject->setCurrentItem(found);
        m_treeProject->scrollToItem(found);
        TreeProjectChange(found);
        return true;
    }
    if (before)
        TreeProjectChange(before);
    MsgOK(QStringLiteral("5"), {text});
    return false;
}

} // namespace kiro
