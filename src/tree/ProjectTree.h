#pragma once

#include <QDate>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QMenu;
class QTreeWidgetItem;

namespace kiro {

namespace db {
class Dataset;
}

class TFormData;
class TFormLegend;
class ThmTreeView;
class TreeHost;
struct ProjectSettings;
struct TNodeInfo;
struct TAccInfo;
struct TDocInfo;
struct TProdDocInfo;
struct TProdInfo;
struct TProjInfo;

// Which projects the tree shows and in which order. Read from and written to
// section "Project" of the settings under the same names.
struct TTreeViewState {
    QString Sorting; // index fields of Projects: "Name", "QuotCustName" or empty
    QString FilterUser;
    int FilterStatus = 0; // 0 all, 1 quotation, 2 customer order, 3 purchase order
    bool FilterValDate = false;
    QDate FilterValDateFrom; // invalid (day 0 in the settings): no bound chosen yet
    QDate FilterValDateTo;
    bool FilterCustomer = false;
    QString FilterCustomerID;
    bool FilterRevisionLast = false;

    static TTreeViewState fromSettings(const ProjectSettings& project);
    void toSettings(ProjectSettings& project) const;
    bool operator==(const TTreeViewState&) const = default;
};

// The filter expression of a view state on the Projects table; empty shows
// every project. Quotes inside values are doubled; dates are yyyy-MM-dd.
QString ViewFilterText(const TTreeViewState& state);
// The status bar's sorting text: messages 35 (none), 36 (Name), 37 (QuotCustName).
QString SortingStatusText(const QString& sorting);

// The project tree: builds the nodes of ThmTreeView from the project tables
// under the view state, keeps captions, images and order in step with the
// data module's label events, and runs the View menu.
//
// Building reads the rows by identifier with queries of its own and never
// moves the data module's cursors (the selection alone positions the
// tables, through the view's nodeChanged signal, which the window follows);
// a full rebuild reads each table once. Drawing never reads a table.
//
// It binds the data module's tree hooks (the selected-project check, the
// reselect hook) and releases them when destroyed. Main thread only.
class TProjectTree : public QObject {
    Q_OBJECT
public:
    TProjectTree(TFormData& data, ThmTreeView& view, TreeHost& host, QObject* parent = nullptr);
    ~TProjectTree() override;

    ThmTreeView& view() const { return m_view; }

    // --- view state
    TTreeViewState& viewState() { return m_state; }
    const TTreeViewState& viewState() const { return m_state; }
    // From and to the settings held in memory (the file is written at shutdown).
    void LoadViewState();
    void SaveViewState() const;

    // --- building
    // Clears and rebuilds the whole tree under the view state, then selects
    // the first project.
    void DBGetProjects();
    // Adds the project as a new top-level node with all its items; null
    // (after telling the user) when the filter hides it or it does not exist.
    QTreeWidgetItem* AddProjectToTree(const QString& id);
    // The Products group and the project Documents group of the project of
    // `node`, each with one child per record.
    void DBGetProducts(QTreeWidgetItem* node);
    void DBGetProjDocs(QTreeWidgetItem* node);
    // One item node below a group from the current record of `dataset`.
    QTreeWidgetItem* DBGetProduct(QTreeWidgetItem* group, db::Dataset& dataset);
    QTreeWidgetItem* DBGetAccessory(QTreeWidgetItem* group, db::Dataset& dataset);
    QTreeWidgetItem* DBGetProjDoc(QTreeWidgetItem* group, db::Dataset& dataset);
    QTreeWidgetItem* DBGetProdDoc(QTreeWidgetItem* group, db::Dataset& dataset);
    // (Re)builds the product's Documents group: an existing one is emptied
    // and refilled.
    void DBGetProdDocs(QTreeWidgetItem* productNode);
    // Adds the product's Accessories group with its accessories.
    void DBGetAccessories(QTreeWidgetItem* productNode);
    // Stores each file as an external document of the project or product
    // that `node` belongs to and adds its node; the last node added, null
    // when nothing was stored (a failure is reported and stores nothing).
    QTreeWidgetItem* AddDocToTree(QTreeWidgetItem* node, const QStringList& files);

    // Image and overlay of an item node from its payload flags.
    void SetProductImage(QTreeWidgetItem* projectNode, QTreeWidgetItem* productNode);
    void SetAccessoryImage(QTreeWidgetItem* projectNode, QTreeWidgetItem* accessoryNode);

    // Makes revision `revision` of project `name` the latest one, in the
    // table and in the tree. The table's filter and position are restored.
    void FixLatestProject(const QString& name, int revision);

    // Sorting and filter of the Projects table. ViewFilter gives false when
    // the filter could not be set (reported; the table shows what it showed).
    void ViewSort(const QString& names);
    bool ViewFilter();

    // --- View menu
    void ViewSortName();
    void ViewSortCustomer();
    void ViewSortNothing();
    void ViewAllProjects();
    void ViewMyProjects();
    void ViewAllRevisions();
    void ViewLatestRevisions();
    void ViewAllCustomers();
    void ViewCurrentCustomer();
    void ViewProjectStatus(int status);
    void ViewValidityDate();
    void ViewCollapseTree();
    void ViewUpdateTree();
    void ViewLegend();
    // Fills a menu with the View commands (objectNames MenuView...) and
    // connects its aboutToShow to MenuViewEnable.
    void BuildViewMenu(QMenu& menu);
    void MenuViewEnable();
    QAction* viewAction(const QString& name) const { return m_actions.value(name); }

    // The legend window; made on first use when none was given.
    void setLegendWindow(TFormLegend* legend);
    TFormLegend* legendWindow();

    // --- keeping nodes in step with the tables
    void RefreshProjectNode(QTreeWidgetItem* node, db::Dataset& dataset);
    void RefreshProductNode(QTreeWidgetItem* node, db::Dataset& dataset);
    void RefreshAccessoryNode(QTreeWidgetItem* node, db::Dataset& dataset);
    void RefreshItemOverlay(QTreeWidgetItem* node, db::Dataset& dataset);
    // Every caption from its payload: items by template, groups by the
    // current language texts; document nodes keep theirs.
    void RetextTree();
    void SortProductNodes(QTreeWidgetItem* node);
    void SortAccessoryNodes(QTreeWidgetItem* node);

    // The group captions of the active language (LangMain), then RetextTree
    // and the sorting text: run after every change of language.
    void LanguageChanged();
    const QString& productsText() const { return m_textProducts; }
    const QString& documentsText() const { return m_textDocuments; }
    const QString& accessoriesText() const { return m_textAccessories; }
    // The sorting text of the view state to the status bar.
    void StatusSetSorting();

    // --- tree events
    void TreeProjectExpanding(QTreeWidgetItem* node);
    void TreeProjectCollapsing(QTreeWidgetItem* node);
    // Shift+Up / Shift+Down move a product or accessory; true when the key
    // was taken (any node with a payload).
    bool TreeProjectKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void TreeProjectDblClick(QTreeWidgetItem* node);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class RowReader;

    db::Dataset& projects() const;
    QTreeWidgetItem* addGroup(QTreeWidgetItem* parent, std::unique_ptr<TNodeInfo> info, const QString& text);
    QTreeWidgetItem* addProjectNode(std::unique_ptr<TProjInfo> info, RowReader& rows);
    QTreeWidgetItem* addProductNode(QTreeWidgetItem* group, std::unique_ptr<TProdInfo> info, RowReader* rows);
    QTreeWidgetItem* addAccessoryNode(QTreeWidgetItem* group, std::unique_ptr<TAccInfo> info);
    QTreeWidgetItem* addProjDocNode(QTreeWidgetItem* group, std::unique_ptr<TDocInfo> info);
    QTreeWidgetItem* addProdDocNode(QTreeWidgetItem* group, std::unique_ptr<TProdDocInfo> info);
    void fillProducts(QTreeWidgetItem* projectNode, RowReader& rows);
    void fillProjDocs(QTreeWidgetItem* projectNode, RowReader& rows);
    void fillProdDocs(QTreeWidgetItem* productNode, RowReader& rows);
    void fillAccessories(QTreeWidgetItem* productNode, RowReader& rows);
    void rebuild();
    void changeViewState(const std::function<void(TTreeViewState&)>& change);
    void sortChildren(QTreeWidgetItem* group);
    void refreshItemNode(int kind, const QString& id);
    void reReadOrders(QTreeWidgetItem* group, int kind);
    void groupImage(QTreeWidgetItem* group);
    bool fileNameFits(const QStringList& files, int width);
    void reportError(const QString& operation, const QString& detail);
    void bindDataModule();

    TFormData& m_data;
    ThmTreeView& m_view;
    TreeHost& m_host;
    TTreeViewState m_state;
    QString m_textProducts = QStringLiteral("Products");
    QString m_textDocuments = QStringLiteral("Documents");
    QString m_textAccessories = QStringLiteral("Accessories");
    QHash<QString, QAction*> m_actions;
    QPointer<TFormLegend> m_legend;
    bool m_ownsLegend = false;
};

} // namespace kiro
