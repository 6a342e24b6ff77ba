#include "tree/ProjectTree.h"

#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/MsgFormat.h"
#include "app/core/Progress.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/FilterExpression.h"
#include "db/Query.h"
#include "platform/Shell.h"
#include "tree/DlgDateSelect.h"
#include "tree/FormLegend.h"
#include "tree/NodeInfo.h"
#include "tree/ThmTreeView.h"
#include "tree/TreeFunctions.h"
#include "tree/TreeHost.h"
#include "tree/TreeImages.h"

#include <QAction>
#include <QActionGroup>
#include <QDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>

#include <cmath>
#include <unordered_map>
#include <vector>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

const QString kID = QStringLiteral("ID");

// The current record's ID; empty when the dataset is closed or empty.
QString currentID(db::Dataset& d)
{
    if (!d.isActive() || d.isEmpty())
        return QString();
    return d.fieldByName(kID).asString();
}

// --- reading payloads from a record (a dataset's current record or a query's row)

template <class Record>
struct ProductFields {
    explicit ProductFields(Record& r)
        : ID(r.fieldByName(kID))
        , ProjectID(r.fieldByName(s("ProjectID")))
        , Order(r.fieldByName(s("Order")))
        , Name(r.fieldByName(s("Name")))
        , Tag(r.fieldByName(s("Tag")))
        , Description(r.fieldByName(s("Description")))
        , Qty(r.fieldByName(s("Qty")))
        , PDB(r.fieldByName(s("PDB")))
        , TORVA(r.fieldByName(s("TORVA")))
        , External(r.fieldByName(s("External")))
        , Spare(r.fieldByName(s("Spare")))
        , Alternate(r.fieldByName(s("Alternate")))
        , AddOption(r.fieldByName(s("AddOption")))
        , Complex(r.fieldByName(s("Complex")))
    {
    }
    void read(TProdInfo& i) const
    {
        i.ID = ID.asString();
        i.ProjectID = ProjectID.asString();
        i.Order = Order.asInteger();
        i.Name = Name.asString();
        i.Tag = Tag.asString();
        i.Description = Description.asString();
        i.Qty = Qty.asInteger();
        i.PDB = PDB.asBoolean();
        i.TORVA = TORVA.asBoolean();
        i.External = External.asBoolean();
        i.Spare = Spare.asBoolean();
        i.Alternate = Alternate.asBoolean();
        i.AddOption = AddOption.asBoolean();
        i.Complex = Complex.asBoolean();
    }
    db::Field ID, ProjectID, Order, Name, Tag, Description, Qty, PDB, TORVA, External, Spare, Alternate, AddOption,
        Complex;
};

template <class Record>
struct AccessoryFields {
    explicit AccessoryFields(Record& r)
        : ID(r.fieldByName(kID))
        , ProductID(r.fieldByName(s("ProductID")))
        , Order(r.fieldByName(s("Order")))
        , Name(r.fieldByName(s("Name")))
        , Tag(r.fieldByName(s("Tag")))
        , Description(r.fieldByName(s("Description")))
        , Qty(r.fieldByName(s("Qty")))
        , PDB(r.fieldByName(s("PDB")))
        , External(r.fieldByName(s("External")))
        , Spare(r.fieldByName(s("Spare")))
        , Alternate(r.fieldByName(s("Alternate")))
        , AddOption(r.fieldByName(s("AddOption")))
    {
    }
    void read(TAccInfo& i) const
    {
        i.ID = ID.asString();
        i.ProductID = ProductID.asString();
        i.Order = Order.asInteger();
        i.Name = Name.asString();
        i.Tag = Tag.asString();
        i.Description = Description.asString();
        i.Qty = Qty.asInteger();
        i.PDB = PDB.asBoolean();
        i.External = External.asBoolean();
        i.Spare = Spare.asBoolean();
        i.Alternate = Alternate.asBoolean();
        i.AddOption = AddOption.asBoolean();
    }
    db::Field ID, ProductID, Order, Name, Tag, Description, Qty, PDB, External, Spare, Alternate, AddOption;
};

// Documents (parent "ProjectID") and ProdDocuments (parent "ProductID").
template <class Record>
struct DocFields {
    DocFields(Record& r, const QString& parentField)
        : ID(r.fieldByName(kID))
        , Parent(r.fieldByName(parentField))
        , Name(r.fieldByName(s("Name")))
    {
    }
    db::Field ID, Parent, Name;
};

const char* const kProductColumns =
    "ID, ProjectID, \"Order\", Name, Tag, Description, Qty, PDB, TORVA, External, Spare, Alternate, AddOption, Complex";
const char* const kAccessoryColumns =
    "ID, ProductID, \"Order\", Name, Tag, Description, Qty, PDB, External, Spare, Alternate, AddOption";

template <class Info>
using RowsByParent = std::unordered_map<QString, std::vector<Info>>;

template <class Info>
std::vector<Info> takeRows(RowsByParent<Info>& rows, const QString& parent)
{
    auto it = rows.find(parent);
    if (it == rows.end())
        return {};
    std::vector<Info> out = std::move(it->second);
    rows.erase(it);
    return out;
}

// Rows arrive ordered by parent: the bucket of the previous row is reused
// while the parent stays the same, instead of a hash lookup per row.
template <class Info>
class BucketFiller {
public:
    explicit BucketFiller(RowsByParent<Info>& rows)
        : m_rows(rows)
    {
    }
    void add(const QString& parent, Info&& info)
    {
        if (!m_bucket || parent != m_parent) {
            m_bucket = &m_rows[parent];
            m_parent = parent;
        }
        m_bucket->push_back(std::move(info));
    }

private:
    RowsByParent<Info>& m_rows;
    std::vector<Info>* m_bucket = nullptr;
    QString m_parent;
};

// A rebuild below this many projects reads each project's rows by its ID;
// above it, each table is read once as a whole, which costs the same for
// any number of projects.
constexpr int kPerProjectLimit = 40;

} // namespace

// The rows below the projects, grouped by parent, in the order of the
// detail tables (parent, Order; documents in the order of their parent
// index). Either every row of each table, read once, or the rows of one
// project or one product, read when asked for.
class TProjectTree::RowReader {
public:
    enum class Scope { All, PerProject };

    RowReader(db::Connection& connection, Scope scope)
        : m_connection(connection)
        , m_scope(scope)
    {
        if (scope == Scope::All) {
            readProducts(QString(), {});
            readAccessories(QString(), {});
            readProjDocs(QString(), {});
            readProdDocs(QString(), {});
        }
    }

    // Reads the rows of one project (per-project scope only).
    void loadProject(const QString& projectID)
    {
        if (m_scope != Scope::PerProject)
            return;
        m_products.clear();
        m_accessories.clear();
        m_projDocs.clear();
        m_prodDocs.clear();
        const QVariantMap p{{s("p"), projectID}};
        readProducts(s("WHERE ProjectID = :p"), p);
        const QString ofProject = s("WHERE ProductID IN (SELECT ID FROM Products WHERE ProjectID = :p)");
        readAccessories(ofProject, p);
        readProjDocs(s("WHERE ProjectID = :p"), p);
        readProdDocs(ofProject, p);
    }
    // Reads the accessories and product documents of one product.
    void loadProduct(const QString& productID)
    {
        m_accessories.clear();
        m_prodDocs.clear();
        const QVariantMap p{{s("p"), productID}};
        readAccessories(s("WHERE ProductID = :p"), p);
        readProdDocs(s("WHERE ProductID = :p"), p);
    }

    std::vector<TProdInfo> products(const QString& projectID) { return takeRows(m_products, projectID); }
    std::vector<TAccInfo> accessories(const QString& productID) { return takeRows(m_accessories, productID); }
    std::vector<TDocInfo> projDocs(const QString& projectID) { return takeRows(m_projDocs, projectID); }
    std::vector<TProdDocInfo> prodDocs(const QString& productID) { return takeRows(m_prodDocs, productID); }

private:
    void run(db::Query& q, const QString& sql, const QVariantMap& params)
    {
        q.setSql(sql);
        for (auto it = params.cbegin(); it != params.cend(); ++it)
            q.bindValue(it.key(), it.value());
        q.open();
    }

    void readProducts(const QString& where, const QVariantMap& params)
    {
        db::Query q(m_connection);
        run(q, s("SELECT %1 FROM Products %2 ORDER BY ProjectID, \"Order\"").arg(s(kProductColumns), where), params);
        if (q.eof())
            return;
        const ProductFields<db::Query> f(q);
        BucketFiller<TProdInfo> fill(m_products);
        do {
            TProdInfo info;
            f.read(info);
            const QString parent = info.ProjectID;
            fill.add(parent, std::move(info));
        } while (q.next());
    }

    void readAccessories(const QString& where, const QVariantMap& params)
    {
        db::Query q(m_connection);
        run(q, s("SELECT %1 FROM Accessories %2 ORDER BY ProductID, \"Order\"").arg(s(kAccessoryColumns), where),
            params);
        if (q.eof())
            return;
        const AccessoryFields<db::Query> f(q);
        BucketFiller<TAccInfo> fill(m_accessories);
        do {
            TAccInfo info;
            f.read(info);
            const QString parent = info.ProductID;
            fill.add(parent, std::move(info));
        } while (q.next());
    }

    void readProjDocs(const QString& where, const QVariantMap& params)
    {
        db::Query q(m_connection);
        run(q, s("SELECT ID, ProjectID, Name FROM Documents %1 ORDER BY ProjectID").arg(where), params);
        if (q.eof())
            return;
        const DocFields<db::Query> f(q, s("ProjectID"));
        BucketFiller<TDocInfo> fill(m_projDocs);
        do {
            TDocInfo info;
            info.ID = f.ID.asString();
            info.ProjectID = f.Parent.asString();
            info.Name = f.Name.asString();
            const QString parent = info.ProjectID;
            fill.add(parent, std::move(info));
        } while (q.next());
    }

    void readProdDocs(const QString& where, const QVariantMap& params)
    {
        db::Query q(m_connection);
        run(q, s("SELECT ID, ProductID, Name FROM ProdDocuments %1 ORDER BY ProductID").arg(where), params);
        if (q.eof())
            return;
        const DocFields<db::Query> f(q, s("ProductID"));
        BucketFiller<TProdDocInfo> fill(m_prodDocs);
        do {
            TProdDocInfo info;
            info.ID = f.ID.asString();
            info.ProductID = f.Parent.asString();
            info.Name = f.Name.asString();
            const QString parent = info.ProductID;
            fill.add(parent, std::move(info));
        } while (q.next());
    }

    db::Connection& m_connection;
    Scope m_scope;
    RowsByParent<TProdInfo> m_products;
    RowsByParent<TAccInfo> m_accessories;
    RowsByParent<TDocInfo> m_projDocs;
    RowsByParent<TProdDocInfo> m_prodDocs;
};

// --- view state -------------------------------------------------------------------

TTreeViewState TTreeViewState::fromSettings(const ProjectSettings& p)
{
    TTreeViewState v;
    v.Sorting = p.Sorting;
    v.FilterUser = p.FilterUser;
    v.FilterStatus = p.FilterStatus;
    v.FilterValDate = p.FilterValDate;
    v.FilterValDateFrom = p.FilterValDateFrom;
    v.FilterValDateTo = p.FilterValDateTo;
    v.FilterCustomer = p.FilterCustomer;
    v.FilterCustomerID = p.FilterCustomerID;
    v.FilterRevisionLast = p.FilterRevisionLast;
    return v;
}

void TTreeViewState::toSettings(ProjectSettings& p) const
{
    p.Sorting = Sorting;
    p.FilterUser = FilterUser;
    p.FilterStatus = FilterStatus;
    p.FilterValDate = FilterValDate;
    p.FilterValDateFrom = FilterValDateFrom.isValid() ? FilterValDateFrom : IniFile::dayZero();
    p.FilterValDateTo = FilterValDateTo.isValid() ? FilterValDateTo : IniFile::dayZero();
    p.FilterCustomer = FilterCustomer;
    p.FilterCustomerID = FilterCustomerID;
    p.FilterRevisionLast = FilterRevisionLast;
}

QString ViewFilterText(const TTreeViewState& v)
{
    // A bound the settings hold as day 0 filters from (or up to) that day,
    // as it always has; only the dialog proposes today instead.
    auto day = [](const QDate& d) {
        return (d.isValid() ? d : IniFile::dayZero()).toString(Qt::ISODate);
    };
    QStringList parts;
    if (!v.FilterUser.isEmpty())
        parts << s("(QuotHandledBy = %1)").arg(db::FilterExpression::quoted(v.FilterUser));
    if (v.FilterStatus != 0)
        parts << s("(ProjectStatus = %1)").arg(v.FilterStatus);
    if (v.FilterValDate)
        parts << s("((QuotValidDate >= '%1') AND (QuotValidDate <= '%2'))")
                     .arg(day(v.FilterValDateFrom), day(v.FilterValDateTo));
    if (v.FilterCustomer)
        parts << s("(QuotCustID = %1)").arg(db::FilterExpression::quoted(v.FilterCustomerID));
    if (v.FilterRevisionLast)
        parts << s("(Latest)");
    return parts.join(s(" AND "));
}

QString SortingStatusText(const QString& sorting)
{
    if (sorting.isEmpty())
        return MsgText(s("35"));
    if (sorting == QLatin1String("Name"))
        return MsgText(s("36"));
    if (sorting == QLatin1String("QuotCustName"))
        return MsgText(s("37"));
    return QString();
}

// --- construction ----------------------------------------------------------------

TProjectTree::TProjectTree(TFormData& data, ThmTreeView& view, TreeHost& host, QObject* parent)
    : QObject(parent)
    , m_data(data)
    , m_view(view)
    , m_host(host)
{
    LoadViewState();
    m_view.installEventFilter(this);
    connect(&m_view, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* n) { TreeProjectExpanding(n); });
    connect(&m_view, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* n) { TreeProjectCollapsing(n); });
    connect(&m_view, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* n, int) { TreeProjectDblClick(n); });
    bindDataModule();
}

TProjectTree::~TProjectTree()
{
    m_data.setSelectedProjectCheck({});
    m_data.setReselectNodeHook({});
    m_view.removeEventFilter(this);
    if (m_ownsLegend && m_legend)
        delete m_legend.data();
}

void TProjectTree::bindDataModule()
{
    connect(&m_data, &TFormData::projectLabelChanged, this, [this](const QString& id) {
        QTreeWidgetItem* node = FindNodeByKindAndID(m_view, NodeKindProject, id);
        if (node && currentID(projects()) == id)
            RefreshProjectNode(node, projects());
    });
    connect(&m_data, &TFormData::productLabelChanged, this,
            [this](const QString& id) { refreshItemNode(NodeKindProduct, id); });
    connect(&m_data, &TFormData::accessoryLabelChanged, this,
            [this](const QString& id) { refreshItemNode(NodeKindAccessory, id); });
    connect(&m_data, &TFormData::itemOrderChanged, this, [this](int kind, const QString& id) {
        if (kind != NodeKindProduct && kind != NodeKindAccessory)
            return;
        QTreeWidgetItem* node = FindNodeByKindAndID(m_view, kind, id);
        if (!node || !node->parent())
            return;
        reReadOrders(node->parent(), kind);
        if (kind == NodeKindProduct)
            SortProductNodes(node);
        else
            SortAccessoryNodes(node);
    });
    connect(&m_data, &TFormData::productTorvaViolated, this, [this](const QString& id) {
        QTreeWidgetItem* node = FindNodeByKindAndID(m_view, NodeKindProduct, id);
        if (auto* info = NodeInfoAs<TProdInfo>(node)) {
            info->TORVA = false;
            SetProductImage(RootNodeOf(node), node);
        }
    });
    m_data.setSelectedProjectCheck([this](const QString& projectID) {
        const auto* info = NodeInfoAs<TProjInfo>(RootNodeOf(m_view.currentItem()));
        return info && info->ID == projectID;
    });
    m_data.setReselectNodeHook([this] { m_view.reselectCurrent(); });
}

db::Dataset& TProjectTree::projects() const
{
    return m_data.table(s("TableProjects"));
}

void TProjectTree::LoadViewState()
{
    m_state = TTreeViewState::fromSettings(settings().project());
}

void TProjectTree::SaveViewState() const
{
    m_state.toSettings(settings().project());
}

void TProjectTree::reportError(const QString& operation, const QString& detail)
{
    MsgOK(s("%s\n\n%s"), {MsgText(operation), detail});
}

// --- building ----------------------------------------------------------------------

QTreeWidgetItem* TProjectTree::addGroup(QTreeWidgetItem* parent, std::unique_ptr<TNodeInfo> info, const QString& text)
{
    // Nodes are finished before they join the tree: every change of a node
    // in the tree is an event of the view's model.
    auto* node = new TTreeNode(std::move(info));
    node->setText(0, text);
    node->setImageIndex(ImageForRevision(TreeImage::FolderClosed, NodeProjectIsLatest(parent)));
    parent->addChild(node);
    return node;
}

void TProjectTree::groupImage(QTreeWidgetItem* group)
{
    if (TTreeNode* t = TreeNodeOf(group))
        t->setImageIndex(ImageForRevision(group->isExpanded() ? TreeImage::FolderOpen : TreeImage::FolderClosed,
                                          NodeProjectIsLatest(group)));
}

QTreeWidgetItem* TProjectTree::addProjectNode(std::unique_ptr<TProjInfo> info, RowReader& rows)
{
    // Built apart from the tree; the caller puts it in.
    const QString id = info->ID;
    rows.loadProject(id);
    auto* node = new TTreeNode();
    const bool latest = info->Latest;
    node->setText(0, ProjectNodeText(*info));
    node->setInfo(std::move(info));
    node->setImageIndex(latest ? TreeImage::FolderClosed : TreeImage::FolderClosed + 1);
    fillProducts(node, rows);
    fillProjDocs(node, rows);
    return node;
}

void TProjectTree::fillProducts(QTreeWidgetItem* projectNode, RowReader& rows)
{
    const auto* project = NodeInfoAs<TProjInfo>(projectNode);
    QTreeWidgetItem* group = addGroup(projectNode, std::make_unique<TProdGroupInfo>(), m_textProducts);
    if (!project)
        return;
    for (TProdInfo& p : rows.products(project->ID))
        addProductNode(group, std::make_unique<TProdInfo>(std::move(p)), &rows);
}

void TProjectTree::fillProjDocs(QTreeWidgetItem* projectNode, RowReader& rows)
{
    const auto* project = NodeInfoAs<TProjInfo>(projectNode);
    QTreeWidgetItem* group = addGroup(projectNode, std::make_unique<TDocGroupInfo>(), m_textDocuments);
    if (!project)
        return;
    for (TDocInfo& d : rows.projDocs(project->ID))
        addProjDocNode(group, std::make_unique<TDocInfo>(std::move(d)));
}

void TProjectTree::fillProdDocs(QTreeWidgetItem* productNode, RowReader& rows)
{
    QTreeWidgetItem* group = ProdDocGroupOf(productNode);
    if (group) {
        // Deleting the children hands a selection among them to the group.
        qDeleteAll(group->takeChildren());
        if (TTreeNode* t = TreeNodeOf(group))
            t->setInfo(std::make_unique<TProdDocGroupInfo>());
        groupImage(group);
    } else {
        group = addGroup(productNode, std::make_unique<TProdDocGroupInfo>(), m_textDocuments);
    }
    if (const auto* product = NodeInfoAs<TProdInfo>(productNode)) {
        for (TProdDocInfo& d : rows.prodDocs(product->ID))
            addProdDocNode(group, std::make_unique<TProdDocInfo>(std::move(d)));
    }
}

void TProjectTree::fillAccessories(QTreeWidgetItem* productNode, RowReader& rows)
{
    QTreeWidgetItem* group = addGroup(productNode, std::make_unique<TAccGroupInfo>(), m_textAccessories);
    if (const auto* product = NodeInfoAs<TProdInfo>(productNode)) {
        for (TAccInfo& a : rows.accessories(product->ID))
            addAccessoryNode(group, std::make_unique<TAccInfo>(std::move(a)));
    }
}

QTreeWidgetItem* TProjectTree::addProductNode(QTreeWidgetItem* group, std::unique_ptr<TProdInfo> info,
                                              RowReader* rows)
{
    auto* node = new TTreeNode();
    node->setText(0, ProductNodeText(*info));
    node->setInfo(std::move(info));
    SetProductImage(RootNodeOf(group), node);
    // Below a product the Documents group comes first, the Accessories second.
    if (rows) {
        fillProdDocs(node, *rows);
        fillAccessories(node, *rows);
        group->addChild(node);
    } else {
        // The refills read by the node's project, so the node joins first.
        group->addChild(node);
        DBGetProdDocs(node);
        DBGetAccessories(node);
    }
    return node;
}

QTreeWidgetItem* TProjectTree::addAccessoryNode(QTreeWidgetItem* group, std::unique_ptr<TAccInfo> info)
{
    auto* node = new TTreeNode();
    node->setText(0, AccessoryNodeText(*info));
    node->setInfo(std::move(info));
    SetAccessoryImage(RootNodeOf(group), node);
    group->addChild(node);
    return node;
}

QTreeWidgetItem* TProjectTree::addProjDocNode(QTreeWidgetItem* group, std::unique_ptr<TDocInfo> info)
{
    auto* node = new TTreeNode();
    node->setText(0, info->Name);
    node->setInfo(std::move(info));
    node->setImageIndex(ImageForRevision(TreeImage::Document, NodeProjectIsLatest(group)));
    group->addChild(node);
    return node;
}

QTreeWidgetItem* TProjectTree::addProdDocNode(QTreeWidgetItem* group, std::unique_ptr<TProdDocInfo> info)
{
    auto* node = new TTreeNode();
    node->setText(0, info->Name);
    node->setInfo(std::move(info));
    node->setImageIndex(ImageForRevision(TreeImage::Document, NodeProjectIsLatest(group)));
    group->addChild(node);
    return node;
}

void TProjectTree::DBGetProjects()
{
    ShowProgress(s("50"), {QString()}, 0);
    ViewFilter();
    m_view.clear();
    m_host.HideDetailPages();

    db::Dataset& table = projects();
    if (!table.isActive()) {
        HideProgress();
        return;
    }
    const int count = table.recordCount();
    m_view.beginUpdate();
    QList<QTreeWidgetItem*> built; // the projects join the tree together, at the end
    try {
        // The rows are taken from the table as it shows them, without moving
        // its cursor: a move would have every detail table follow each project.
        const int cId = table.fieldByName(kID).index();
        const int cName = table.fieldByName(s("Name")).index();
        const int cRevision = table.fieldByName(s("Revision")).index();
        const int cLatest = table.fieldByName(s("Latest")).index();
        const int cCustomer = table.fieldByName(s("QuotCustName")).index();
        RowReader rows(*table.connection(),
                       count <= kPerProjectLimit ? RowReader::Scope::PerProject : RowReader::Scope::All);
        int shown = -1;
        built.reserve(count);
        for (int i = 0; i < count; ++i) {
            auto info = std::make_unique<TProjInfo>();
            info->ID = table.rowValue(i, cId).toString();
            info->Name = table.rowValue(i, cName).toString();
            info->Revision = table.rowValue(i, cRevision).toInt();
            info->Latest = table.rowValue(i, cLatest).toBool();
            info->QuotCustName = table.rowValue(i, cCustomer).toString();
            // Halves go to the even neighbour; the bar moves only when its position does.
            const int position = int(std::nearbyint(double(i + 1) * 100.0 / double(count)));
            if (position != shown) {
                ShowProgress(s("50"), {QString()}, position);
                shown = position;
            }
            built << addProjectNode(std::move(info), rows);
        }
        m_view.addTopLevelItems(built);
        built.clear();
    } catch (const db::DatabaseError& e) {
        qDeleteAll(built);
        HideProgress();
        m_view.endUpdate();
        reportError(s("Could not read the projects!"), e.message());
        return;
    }

    try {
        table.first();
    } catch (const db::DatabaseError& e) {
        reportError(s("Could not read the projects!"), e.message());
    }
    if (m_view.topLevelItemCount() == 0)
        m_host.HideDetailPages();
    else
        m_view.setCurrentItem(m_view.topLevelItem(0));
    HideProgress();
    m_view.endUpdate();
    m_view.setFocus();
}

QTreeWidgetItem* TProjectTree::AddProjectToTree(const QString& id)
{
    db::Dataset& table = projects();
    if (!table.isActive())
        return nullptr;
    try {
        // The name for the message, also when the filter hides the row.
        QString name;
        {
            db::Query q(*table.connection(), s("SELECT Name FROM Projects WHERE ID = :id"));
            q.bindValue(s("id"), id);
            q.open();
            name = q.eof() ? (table.isEmpty() ? QString() : table.fieldByName(s("Name")).asString())
                           : q.value(s("Name")).toString();
        }
        if (!ViewFilter())
            return nullptr;
        const QString fields = s("Name;Revision;Latest;QuotCustName");
        QVariant found = table.lookup(kID, id, fields);
        if (found.isNull()) {
            // Rows written by SQL (an import, a transfer file) are not among
            // the rows the table holds until it reads the file again.
            table.refresh();
            found = table.lookup(kID, id, fields);
        }
        if (found.isNull()) {
            MsgOK(s("Project %s is hidden by filter settings!"), {name});
            return nullptr;
        }
        const QVariantList values = found.toList();
        auto info = std::make_unique<TProjInfo>();
        info->ID = id;
        info->Name = values.value(0).toString();
        info->Revision = values.value(1).toInt();
        info->Latest = values.value(2).toBool();
        info->QuotCustName = values.value(3).toString();
        RowReader rows(*table.connection(), RowReader::Scope::PerProject);
        QTreeWidgetItem* node = addProjectNode(std::move(info), rows);
        m_view.addTopLevelItem(node);
        return node;
    } catch (const db::DatabaseError& e) {
        reportError(s("Could not read the project!"), e.message());
        return nullptr;
    }
}

void TProjectTree::DBGetProducts(QTreeWidgetItem* node)
{
    QTreeWidgetItem* root = RootNodeOf(node);
    const auto* project = NodeInfoAs<TProjInfo>(root);
    if (!project)
        return;
    try {
        RowReader rows(*projects().connection(), RowReader::Scope::PerProject);
        rows.loadProject(project->ID);
        fillProducts(root, rows);
    } catch (const db::DatabaseError& e) {
        reportError(s("Could not read the products!"), e.message());
    }
}

void TProjectTree::DBGetProjDocs(QTreeWidgetItem* node)
{
    QTreeWidgetItem* root = RootNodeOf(node);
    const auto* project = NodeInfoAs<TProjInfo>(root);
    if (!project)
        return;
    try {
        RowReader rows(*projects().connection(), RowReader::Scope::PerProject);
        rows.loadProject(project->ID);
        fillProjDocs(root, rows);
    } catch (const db::DatabaseError& e) {
        reportError(s("Could not read the documents!"), e.message());
    }
}

QTreeWidgetItem* TProjectTree::DBGetProduct(QTreeWidgetItem* group, db::Dataset& dataset)
{
    if (!group || !dataset.isActive() || dataset.isEmpty())
        return nullptr;
    auto info = std::make_unique<TProdInfo>();
    ProductFields<db::Dataset>(dataset).read(*info);
    return addProductNode(group, std::move(info), nullptr);
}

QTreeWidgetItem* TProjectTree::DBGetAccessory(QTreeWidgetItem* group, db::Dataset& dataset)
{
    if (!group || !dataset.isActive() || dataset.isEmpty())
        return nullptr;
    auto info = std::make_unique<TAccInfo>();
    AccessoryFields<db::Dataset>(dataset).read(*info);
    return addAccessoryNode(group, std::move(info));
}

QTreeWidgetItem* TProjectTree::DBGetProjDoc(QTreeWidgetItem* group, db::Dataset& dataset)
{
    if (!group || !dataset.isActive() || dataset.isEmpty())
        return nullptr;
    const DocFields<db::Dataset> f(dataset, s("ProjectID"));
    auto info = std::make_unique<TDocInfo>();
    info->ID = f.ID.asString();
    info->ProjectID = f.Parent.asString();
    info->Name = f.Name.asString();
    return addProjDocNode(group, std::move(info));
}

QTreeWidgetItem* TProjectTree::DBGetProdDoc(QTreeWidgetItem* group, db::Dataset& dataset)
{
    if (!group || !dataset.isActive() || dataset.isEmpty())
        return nullptr;
    const DocFields<db::Dataset> f(dataset, s("ProductID"));
    auto info = std::make_unique<TProdDocInfo>();
    info->ID = f.ID.asString();
    info->ProductID = f.Parent.asString();
    info->Name = f.Name.asString();
    return addProdDocNode(group, std::move(info));
}

void TProjectTree::DBGetProdDocs(QTreeWidgetItem* productNode)
{
    const auto* product = NodeInfoAs<TProdInfo>(productNode);
    if (!product)
        return;
    try {
        RowReader rows(*projects().connection(), RowReader::Scope::PerProject);
        rows.loadProduct(product->ID);
        fillProdDocs(productNode, rows);
    } catch (const db::DatabaseError& e) {
        reportError(s("Could not read the documents!"), e.message());
    }
}

void TProjectTree::DBGetAccessories(QTreeWidgetItem* productNode)
{
    const auto* product = NodeInfoAs<TProdInfo>(productNode);
    if (!product)
        return;
    try {
        RowReader rows(*projects().connection(), RowReader::Scope::PerProject);
        rows.loadProduct(product->ID);
        fillAccessories(productNode, rows);
    } catch (const db::DatabaseError& e) {
        reportError(s("Could not read the accessories!"), e.message());
    }
}

bool TProjectTree::fileNameFits(const QStringList& files, int width)
{
    for (const QString& f : files) {
        if (f.size() > width) {
            // A path cut to the field's width would name another file.
            MsgOK(s("The file name is too long to be stored (at most %d characters):\n%s"), {width, f});
            return false;
        }
    }
    return true;
}

QTreeWidgetItem* TProjectTree::AddDocToTree(QTreeWidgetItem* node, const QStringList& files)
{
    const int kind = NodeKindOf(node);
    const bool toProject = kind == NodeKindProject || kind == NodeKindProjDoc || kind == NodeKindDocGroup;
    const bool toProduct = kind == NodeKindProduct || kind == NodeKindProdDoc || kind == NodeKindProdDocGroup;
    if ((!toProject && !toProduct) || files.isEmpty())
        return nullptr;
    QTreeWidgetItem* group = toProject ? DocGroupOf(node) : ProdDocGroupOf(ProductNodeOf(node));
    const auto* project = NodeInfoAs<TProjInfo>(RootNodeOf(node));
    const auto* product = NodeInfoAs<TProdInfo>(ProductNodeOf(node));
    if (!group || !project || (toProduct && !product))
        return nullptr;

    db::Dataset& projectTable = projects();
    db::Dataset& owner = toProject ? projectTable : m_data.table(s("TableProducts"));
    db::Dataset& docs = m_data.table(toProject ? s("TableDocuments") : s("TableProdDocuments"));
    if (!projectTable.isActive() || !owner.isActive() || !docs.isActive())
        return nullptr;
    const db::Field nameField = docs.fieldByName(s("Name"));
    if (!fileNameFits(files, nameField.size() > 0 ? nameField.size() : 255))
        return nullptr;

    // Selecting the group positions the owner record; the guard may refuse.
    m_view.setCurrentItem(group);
    if (m_view.currentItem() != group)
        return nullptr;

    std::vector<std::unique_ptr<TNodeInfo>> added;
    try {
        // The window's selection handler normally did this already.
        if (currentID(projectTable) != project->ID && !projectTable.locate(kID, project->ID))
            throw db::DatabaseError(s("The project is not in the table."));
        if (toProduct && currentID(owner) != product->ID && !owner.locate(kID, product->ID))
            throw db::DatabaseError(s("The product is not in the table."));
        db::Transaction transaction(*docs.connection());
        owner.edit();
        for (const QString& file : files) {
            docs.append();
            docs.fieldByName(s("Name")).setValue(file);
            docs.fieldByName(s("External")).setValue(true);
            if (!docs.post())
                throw db::DatabaseError(s("The document was refused."));
            if (toProject) {
                auto info = std::make_unique<TDocInfo>();
                info->ID = docs.fieldByName(kID).asString();
                info->ProjectID = docs.fieldByName(s("ProjectID")).asString();
                info->Name = docs.fieldByName(s("Name")).asString();
                added.push_back(std::move(info));
            } else {
                auto info = std::make_unique<TProdDocInfo>();
                info->ID = docs.fieldByName(kID).asString();
                info->ProductID = docs.fieldByName(s("ProductID")).asString();
                info->Name = docs.fieldByName(s("Name")).asString();
                added.push_back(std::move(info));
            }
        }
        owner.post();
        transaction.commit();
    } catch (const db::DatabaseError& e) {
        // Nothing was stored; the tables read the file again.
        try {
            docs.cancel();
            owner.cancel();
            docs.refresh();
            owner.refresh();
        } catch (const db::DatabaseError&) {
        }
        reportError(s("Could not add the document!"), e.message());
        return nullptr;
    }
    QTreeWidgetItem* last = nullptr;
    for (auto& info : added) {
        if (toProject)
            last = addProjDocNode(group, std::unique_ptr<TDocInfo>(static_cast<TDocInfo*>(info.release())));
        else
            last = addProdDocNode(group, std::unique_ptr<TProdDocInfo>(static_cast<TProdDocInfo*>(info.release())));
    }
    return last;
}

// --- images ---------------------------------------------------------------------

void TProjectTree::SetProductImage(QTreeWidgetItem* projectNode, QTreeWidgetItem* productNode)
{
    TTreeNode* node = TreeNodeOf(productNode);
    const auto* info = NodeInfoAs<TProdInfo>(productNode);
    if (!node || !info)
        return;
    const auto* project = NodeInfoAs<TProjInfo>(projectNode);
    node->setImageIndex(ImageForRevision(ProductImageIndex(*info), project ? project->Latest : true));
    node->setOverlayIndex(ItemOverlayIndex(info->Alternate, info->AddOption));
}

void TProjectTree::SetAccessoryImage(QTreeWidgetItem* projectNode, QTreeWidgetItem* accessoryNode)
{
    TTreeNode* node = TreeNodeOf(accessoryNode);
    const auto* info = NodeInfoAs<TAccInfo>(accessoryNode);
    if (!node || !info)
        return;
    const auto* project = NodeInfoAs<TProjInfo>(projectNode);
    node->setImageIndex(ImageForRevision(AccessoryImageIndex(*info), project ? project->Latest : true));
    node->setOverlayIndex(ItemOverlayIndex(info->Alternate, info->AddOption));
}

// --- latest revision --------------------------------------------------------------

void TProjectTree::FixLatestProject(const QString& name, int revision)
{
    db::Dataset& table = projects();
    if (!table.isActive())
        return;
    const QString remembered = currentID(table);
    const QString filter = table.filter();
    const bool filtered = table.isFiltered();
    try {
        table.setFiltered(false);
        table.setFilter(QString());
        table.refresh();
        if (!remembered.isEmpty() && table.locate(kID, remembered)) {
            const db::Bookmark mark = table.bookmark();
            if (table.locate(s("Name;Revision"), QVariantList{name, revision})) {
                if (!table.fieldByName(s("Latest")).asBoolean()) {
                    table.edit();
                    table.fieldByName(s("Latest")).setValue(true);
                    table.post();
                }
                if (QTreeWidgetItem* node = FindProjectNode(m_view, name, revision)) {
                    if (auto* info = NodeInfoAs<TProjInfo>(node)) {
                        info->Latest = true;
                        node->setText(0, ProjectNodeText(*info));
                    }
                    m_view.viewport()->update();
                }
            }
            if (table.bookmarkValid(mark))
                table.gotoBookmark(mark);
        }
    } catch (const db::DatabaseError& e) {
        try {
            table.cancel();
        } catch (const db::DatabaseError&) {
        }
        reportError(s("Could not mark the latest revision!"), e.message());
    }
    // The filter comes back on every path.
    try {
        table.setFilter(filter);
        table.setFiltered(filtered);
        table.refresh();
        if (!remembered.isEmpty())
            table.locate(kID, remembered);
    } catch (const db::DatabaseError& e) {
        reportError(s("Could not restore the project filter!"), e.message());
    }
}

// --- sorting and filter -----------------------------------------------------------

bool TProjectTree::ViewFilter()
{
    const QString text = ViewFilterText(m_state);
    db::Dataset& table = projects();
    if (table.filter() != text || !table.isFiltered()) {
        const QString oldText = table.filter();
        const bool oldFiltered = table.isFiltered();
        try {
            table.setFiltered(false);
            table.setFilter(text);
            table.setFiltered(true);
        } catch (const db::DatabaseError& e) {
            try {
                table.setFilter(oldText);
                table.setFiltered(oldFiltered);
            } catch (const db::DatabaseError&) {
            }
            reportError(s("Could not set the project filter!"), e.message());
            return false;
        }
    }
    m_host.StatusSetFilter(text);
    return true;
}

void TProjectTree::ViewSort(const QString& names)
{
    db::Dataset& table = projects();
    try {
        if (names.isEmpty())
            table.setIndexName(QString());
        else
            table.setIndexFieldNames(names);
    } catch (const db::DatabaseError& e) {
        reportError(s("Could not sort the projects!"), e.message());
        return;
    }
    m_state.Sorting = names;
    SaveViewState();
    DBGetProjects();
}

void TProjectTree::changeViewState(const std::function<void(TTreeViewState&)>& change)
{
    change(m_state);
    SaveViewState();
    DBGetProjects();
}

void TProjectTree::StatusSetSorting()
{
    m_host.StatusSetSorting(SortingStatusText(m_state.Sorting));
}

void TProjectTree::ViewSortName()
{
    ViewSort(s("Name"));
    StatusSetSorting();
}

void TProjectTree::ViewSortCustomer()
{
    ViewSort(s("QuotCustName"));
    StatusSetSorting();
}

void TProjectTree::ViewSortNothing()
{
    ViewSort(QString());
    StatusSetSorting();
}

void TProjectTree::ViewAllProjects()
{
    changeViewState([](TTreeViewState& v) { v.FilterUser.clear(); });
}

void TProjectTree::ViewMyProjects()
{
    changeViewState([](TTreeViewState& v) { v.FilterUser = app().currentUserName(); });
}

void TProjectTree::ViewAllRevisions()
{
    changeViewState([](TTreeViewState& v) { v.FilterRevisionLast = false; });
}

void TProjectTree::ViewLatestRevisions()
{
    changeViewState([](TTreeViewState& v) { v.FilterRevisionLast = true; });
}

void TProjectTree::ViewAllCustomers()
{
    changeViewState([](TTreeViewState& v) {
        v.FilterCustomer = false;
        v.FilterCustomerID.clear();
    });
}

void TProjectTree::ViewCurrentCustomer()
{
    db::Dataset& table = projects();
    const QString customer = table.isActive() && !table.isEmpty() ? table.fieldByName(s("QuotCustID")).asString()
                                                                  : QString();
    changeViewState([&](TTreeViewState& v) {
        v.FilterCustomer = true;
        v.FilterCustomerID = customer;
    });
}

void TProjectTree::ViewProjectStatus(int status)
{
    changeViewState([status](TTreeViewState& v) { v.FilterStatus = status; });
}

void TProjectTree::ViewValidityDate()
{
    bool filter = m_state.FilterValDate;
    auto proposed = [](const QDate& d) {
        return (!d.isValid() || d == IniFile::dayZero()) ? QDate::currentDate() : d;
    };
    QDate from = proposed(m_state.FilterValDateFrom);
    QDate to = proposed(m_state.FilterValDateTo);
    TDlgDateSelect dialog(m_host.dialogParent());
    if (dialog.ShowDialog(filter, from, to) != QDialog::Accepted)
        return;
    changeViewState([&](TTreeViewState& v) {
        v.FilterValDate = filter;
        v.FilterValDateFrom = from;
        v.FilterValDateTo = to;
    });
}

void TProjectTree::ViewCollapseTree()
{
    m_view.collapseAll();
}

void TProjectTree::ViewUpdateTree()
{
    DBGetProjects();
}

void TProjectTree::setLegendWindow(TFormLegend* legend)
{
    if (m_ownsLegend && m_legend && m_legend != legend)
        delete m_legend.data();
    m_legend = legend;
    m_ownsLegend = false;
}

TFormLegend* TProjectTree::legendWindow()
{
    if (!m_legend) {
        m_legend = new TFormLegend(m_view.window());
        m_ownsLegend = true;
    }
    return m_legend;
}

void TProjectTree::ViewLegend()
{
    TFormLegend* legend = legendWindow();
    if (legend->isVisible())
        legend->HideIt();
    else
        legend->ShowIt();
    if (QAction* item = m_actions.value(s("MenuViewLegend")))
        item->setChecked(legend->isVisible());
}

void TProjectTree::BuildViewMenu(QMenu& menu)
{
    auto add = [&](QMenu& into, const char* name, const char* caption, auto handler, QActionGroup* group = nullptr) {
        auto* action = new QAction(s(caption), &into);
        action->setObjectName(s(name));
        if (group) {
            action->setCheckable(true);
            group->addAction(action);
        }
        into.addAction(action);
        connect(action, &QAction::triggered, this, handler);
        m_actions.insert(s(name), action);
        return action;
    };
    auto radio = [&](QMenu& into) {
        auto* group = new QActionGroup(&into);
        group->setExclusive(true);
        return group;
    };

    QMenu* sort = menu.addMenu(s("&Sort"));
    sort->menuAction()->setObjectName(s("MenuViewSort"));
    m_actions.insert(s("MenuViewSort"), sort->menuAction());
    QActionGroup* sorting = radio(*sort);
    add(*sort, "MenuViewSortName", "&Name", [this] { ViewSortName(); }, sorting);
    add(*sort, "MenuViewSortCustomer", "&Customer", [this] { ViewSortCustomer(); }, sorting);
    add(*sort, "MenuViewSortNothing", "&Don't sort", [this] { ViewSortNothing(); }, sorting);

    menu.addSeparator();
    QActionGroup* users = radio(menu);
    add(menu, "MenuViewAllProjects", "&All projects", [this] { ViewAllProjects(); }, users);
    add(menu, "MenuViewMyProjects", "&My projects", [this] { ViewMyProjects(); }, users);
    menu.addSeparator();
    QActionGroup* revisions = radio(menu);
    add(menu, "MenuViewAllRevisions", "All &revisions", [this] { ViewAllRevisions(); }, revisions);
    add(menu, "MenuViewLatestRevisions", "&Latest revision", [this] { ViewLatestRevisions(); }, revisions);
    menu.addSeparator();
    QActionGroup* customers = radio(menu);
    add(menu, "MenuViewAllCustomers", "All customers", [this] { ViewAllCustomers(); }, customers);
    add(menu, "MenuViewCurrentCustomer", "Current customer", [this] { ViewCurrentCustomer(); }, customers);
    menu.addSeparator();
    QActionGroup* statuses = radio(menu);
    const struct {
        const char* name;
        const char* caption;
        int tag;
    } statusItems[] = {
        {"MenuViewProjectStatusAll", "All &project statuses", 0},
        {"MenuViewProjectStatusQuotation", "Project status = &Quotation", 1},
        {"MenuViewProjectStatusCustomerOrder", "Project status = &Customer order", 2},
        {"MenuViewProjectStatusPurchaseOrder", "Project status = Purchase &order", 3},
    };
    for (const auto& item : statusItems) {
        const int tag = item.tag;
        QAction* a = add(menu, item.name, item.caption, [this, tag] { ViewProjectStatus(tag); }, statuses);
        a->setData(tag);
    }
    menu.addSeparator();
    QAction* validity = add(menu, "MenuViewValidityDate", "&Validity date ...", [this] { ViewValidityDate(); });
    validity->setCheckable(true);
    menu.addSeparator();
    add(menu, "MenuViewCollapseTree", "Co&llapse tree", [this] { ViewCollapseTree(); });
    QAction* update = add(menu, "MenuViewUpdateTree", "&Update tree", [this] { ViewUpdateTree(); });
    update->setShortcut(QKeySequence(Qt::Key_F5));
    menu.addSeparator();
    QAction* legend = add(menu, "MenuViewLegend", "View legend", [this] { ViewLegend(); });
    legend->setCheckable(true);

    connect(&menu, &QMenu::aboutToShow, this, [this] { MenuViewEnable(); });
}

void TProjectTree::MenuViewEnable()
{
    auto check = [this](const char* name, bool on) {
        if (QAction* a = m_actions.value(s(name)))
            a->setChecked(on);
    };
    auto enable = [this](const char* name, bool on) {
        if (QAction* a = m_actions.value(s(name)))
            a->setEnabled(on);
    };
    const bool hasProjects = m_view.topLevelItemCount() > 0;
    enable("MenuViewSort", hasProjects);
    enable("MenuViewCollapseTree", hasProjects);
    check("MenuViewSortName", m_state.Sorting == QLatin1String("Name"));
    check("MenuViewSortCustomer", m_state.Sorting == QLatin1String("QuotCustName"));
    check("MenuViewSortNothing", m_state.Sorting.isEmpty());
    check("MenuViewAllProjects", m_state.FilterUser.isEmpty());
    check("MenuViewMyProjects", !m_state.FilterUser.isEmpty());
    check("MenuViewAllRevisions", !m_state.FilterRevisionLast);
    check("MenuViewLatestRevisions", m_state.FilterRevisionLast);
    check("MenuViewAllCustomers", !m_state.FilterCustomer);
    check("MenuViewCurrentCustomer", m_state.FilterCustomer);
    const int status = (m_state.FilterStatus >= 1 && m_state.FilterStatus <= 3) ? m_state.FilterStatus : 0;
    check("MenuViewProjectStatusAll", status == 0);
    check("MenuViewProjectStatusQuotation", status == 1);
    check("MenuViewProjectStatusCustomerOrder", status == 2);
    check("MenuViewProjectStatusPurchaseOrder", status == 3);
    check("MenuViewValidityDate", m_state.FilterValDate);
    check("MenuViewLegend", m_legend && m_legend->isVisible());
}

// --- keeping nodes in step ------------------------------------------------------------

void TProjectTree::RefreshProjectNode(QTreeWidgetItem* node, db::Dataset& dataset)
{
    QTreeWidgetItem* root = RootNodeOf(node);
    auto* info = NodeInfoAs<TProjInfo>(root);
    if (!info || !dataset.isActive() || dataset.isEmpty())
        return;
    info->Name = dataset.fieldByName(s("Name")).asString();
    info->Revision = dataset.fieldByName(s("Revision")).asInteger();
    info->Latest = dataset.fieldByName(s("Latest")).asBoolean();
    info->QuotCustName = dataset.fieldByName(s("QuotCustName")).asString();
    root->setText(0, ProjectNodeText(*info));
    m_view.viewport()->update(); // Latest may have switched the images of the whole project
}

namespace {

QTreeWidgetItem* childWithID(QTreeWidgetItem* group, const QString& id)
{
    if (!group)
        return nullptr;
    for (int i = 0; i < group->childCount(); ++i) {
        const auto* info = dynamic_cast<const TItemInfo*>(NodeInfoOf(group->child(i)));
        if (info && info->ID == id)
            return group->child(i);
    }
    return nullptr;
}

} // namespace

void TProjectTree::RefreshProductNode(QTreeWidgetItem* node, db::Dataset& dataset)
{
    if (!dataset.isActive() || dataset.isEmpty())
        return;
    QTreeWidgetItem* product = childWithID(ProductGroupOf(node), dataset.fieldByName(kID).asString());
    auto* info = NodeInfoAs<TProdInfo>(product);
    if (!info)
        return;
    info->Order = dataset.fieldByName(s("Order")).asInteger();
    info->Name = dataset.fieldByName(s("Name")).asString();
    info->Tag = dataset.fieldByName(s("Tag")).asString();
    info->Description = dataset.fieldByName(s("Description")).asString();
    info->Qty = dataset.fieldByName(s("Qty")).asInteger();
    product->setText(0, ProductNodeText(*info));
}

void TProjectTree::RefreshAccessoryNode(QTreeWidgetItem* node, db::Dataset& dataset)
{
    if (!dataset.isActive() || dataset.isEmpty())
        return;
    QTreeWidgetItem* accessory = childWithID(AccessoryGroupOf(node), dataset.fieldByName(kID).asString());
    auto* info = NodeInfoAs<TAccInfo>(accessory);
    if (!info)
        return;
    info->Order = dataset.fieldByName(s("Order")).asInteger();
    info->Name = dataset.fieldByName(s("Name")).asString();
    info->Tag = dataset.fieldByName(s("Tag")).asString();
    info->Description = dataset.fieldByName(s("Description")).asString();
    info->Qty = dataset.fieldByName(s("Qty")).asInteger();
    accessory->setText(0, AccessoryNodeText(*info));
}

void TProjectTree::RefreshItemOverlay(QTreeWidgetItem* node, db::Dataset& dataset)
{
    if (!dataset.isActive() || dataset.isEmpty())
        return;
    QTreeWidgetItem* item = nullptr;
    if (dataset.name() == QLatin1String("TableProducts"))
        item = childWithID(ProductGroupOf(node), dataset.fieldByName(kID).asString());
    else if (dataset.name() == QLatin1String("TableAccessories"))
        item = childWithID(AccessoryGroupOf(node), dataset.fieldByName(kID).asString());
    TTreeNode* t = TreeNodeOf(item);
    if (!t)
        return;
    const bool alternate = dataset.fieldByName(s("Alternate")).asBoolean();
    const bool addOption = dataset.fieldByName(s("AddOption")).asBoolean();
    if (auto* p = NodeInfoAs<TProdInfo>(item)) {
        p->Alternate = alternate;
        p->AddOption = addOption;
    } else if (auto* a = NodeInfoAs<TAccInfo>(item)) {
        a->Alternate = alternate;
        a->AddOption = addOption;
    }
    t->setOverlayIndex(ItemOverlayIndex(alternate, addOption));
    m_view.viewport()->update();
}

void TProjectTree::refreshItemNode(int kind, const QString& id)
{
    // The table normally stands on the item whose label changed; when it
    // does not (a change made through another view), the row is read from
    // the file.
    const bool isProduct = kind == NodeKindProduct;
    db::Dataset* table = m_data.findTable(isProduct ? s("TableProducts") : s("TableAccessories"));
    QTreeWidgetItem* node = nullptr;
    if (table && currentID(*table) == id) {
        const QString parentID = table->fieldByName(isProduct ? s("ProjectID") : s("ProductID")).asString();
        QTreeWidgetItem* parent = FindNodeByKindAndID(m_view, isProduct ? NodeKindProject : NodeKindProduct, parentID);
        node = childWithID(isProduct ? ProductGroupOf(parent) : AccessoryGroupOf(parent), id);
    }
    if (!node)
        node = FindNodeByKindAndID(m_view, kind, id);
    if (!node)
        return;
    try {
        if (isProduct) {
            auto* info = NodeInfoAs<TProdInfo>(node);
            if (table && currentID(*table) == id) {
                ProductFields<db::Dataset>(*table).read(*info);
            } else {
                db::Query q(*projects().connection(),
                            s("SELECT %1 FROM Products WHERE ID = :id").arg(s(kProductColumns)));
                q.bindValue(s("id"), id);
                q.open();
                if (q.eof())
                    return;
                ProductFields<db::Query>(q).read(*info);
            }
            node->setText(0, ProductNodeText(*info));
            SetProductImage(RootNodeOf(node), node);
        } else {
            auto* info = NodeInfoAs<TAccInfo>(node);
            if (table && currentID(*table) == id) {
                AccessoryFields<db::Dataset>(*table).read(*info);
            } else {
                db::Query q(*projects().connection(),
                            s("SELECT %1 FROM Accessories WHERE ID = :id").arg(s(kAccessoryColumns)));
                q.bindValue(s("id"), id);
                q.open();
                if (q.eof())
                    return;
                AccessoryFields<db::Query>(q).read(*info);
            }
            node->setText(0, AccessoryNodeText(*info));
            SetAccessoryImage(RootNodeOf(node), node);
        }
    } catch (const db::DatabaseError&) {
        // A label that cannot be read keeps its caption; the next rebuild mends it.
    }
}

void TProjectTree::reReadOrders(QTreeWidgetItem* group, int kind)
{
    if (!group || group->childCount() == 0)
        return;
    const bool isProduct = kind == NodeKindProduct;
    const auto* first = dynamic_cast<const TItemInfo*>(NodeInfoOf(group->child(0)));
    if (!first)
        return;
    QString parentID;
    if (const auto* p = NodeInfoAs<TProdInfo>(group->child(0)))
        parentID = p->ProjectID;
    else if (const auto* a = NodeInfoAs<TAccInfo>(group->child(0)))
        parentID = a->ProductID;
    try {
        db::Query q(*projects().connection(),
                    isProduct ? s("SELECT ID, \"Order\" FROM Products WHERE ProjectID = :p")
                              : s("SELECT ID, \"Order\" FROM Accessories WHERE ProductID = :p"));
        q.bindValue(s("p"), parentID);
        QHash<QString, int> orders;
        for (q.open(); !q.eof(); q.next())
            orders.insert(q.value(kID).toString(), q.value(s("Order")).toInt());
        for (int i = 0; i < group->childCount(); ++i) {
            QTreeWidgetItem* child = group->child(i);
            if (auto* p = NodeInfoAs<TProdInfo>(child); p && orders.contains(p->ID)) {
                p->Order = orders.value(p->ID);
                child->setText(0, ProductNodeText(*p));
            } else if (auto* a = NodeInfoAs<TAccInfo>(child); a && orders.contains(a->ID)) {
                a->Order = orders.value(a->ID);
                child->setText(0, AccessoryNodeText(*a));
            }
        }
    } catch (const db::DatabaseError&) {
        // The nodes keep the order they know.
    }
}

void TProjectTree::RetextTree()
{
    QList<QTreeWidgetItem*> walk;
    for (int i = 0; i < m_view.topLevelItemCount(); ++i)
        walk << m_view.topLevelItem(i);
    while (!walk.isEmpty()) {
        QTreeWidgetItem* node = walk.takeLast();
        switch (NodeKindOf(node)) {
        case NodeKindProject:
            node->setText(0, ProjectNodeText(*NodeInfoAs<TProjInfo>(node)));
            break;
        case NodeKindProduct:
            node->setText(0, ProductNodeText(*NodeInfoAs<TProdInfo>(node)));
            break;
        case NodeKindAccessory:
            node->setText(0, AccessoryNodeText(*NodeInfoAs<TAccInfo>(node)));
            break;
        case NodeKindProductGroup:
            node->setText(0, m_textProducts);
            break;
        case NodeKindDocGroup:
        case NodeKindProdDocGroup:
            node->setText(0, m_textDocuments);
            break;
        case NodeKindAccGroup:
            node->setText(0, m_textAccessories);
            break;
        default:
            break; // documents keep their file names
        }
        for (int i = 0; i < node->childCount(); ++i)
            walk << node->child(i);
    }
}

void TProjectTree::sortChildren(QTreeWidgetItem* group)
{
    auto order = [](const QTreeWidgetItem* n) {
        if (const auto* p = NodeInfoAs<TProdInfo>(n))
            return p->Order;
        if (const auto* a = NodeInfoAs<TAccInfo>(n))
            return a->Order;
        return -1;
    };
    m_view.sortChildren(group, [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) { return order(a) < order(b); });
}

void TProjectTree::SortProductNodes(QTreeWidgetItem* node)
{
    sortChildren(ProductGroupOf(node));
}

void TProjectTree::SortAccessoryNodes(QTreeWidgetItem* node)
{
    sortChildren(AccessoryGroupOf(node));
}

void TProjectTree::LanguageChanged()
{
    auto text = [this](const char* column, QString& into) {
        if (auto t = m_data.interfaceText(s("TableLangMain"), s(column)); t && !t->isEmpty())
            into = *t;
    };
    text("TreeProjectProducts", m_textProducts);
    text("TreeProjectDocuments", m_textDocuments);
    text("TreeProjectAccessories", m_textAccessories);
    RetextTree();
    StatusSetSorting();
}

// --- tree events -----------------------------------------------------------------

void TProjectTree::TreeProjectExpanding(QTreeWidgetItem* node)
{
    if (TTreeNode* t = TreeNodeOf(node))
        t->setImageIndex(ExpandedFolderImage(t->imageIndex()));
}

void TProjectTree::TreeProjectCollapsing(QTreeWidgetItem* node)
{
    if (TTreeNode* t = TreeNodeOf(node))
        t->setImageIndex(CollapsedFolderImage(t->imageIndex()));
}

bool TProjectTree::TreeProjectKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if ((modifiers & ~Qt::KeypadModifier) != Qt::ShiftModifier || (key != Qt::Key_Up && key != Qt::Key_Down))
        return false;
    QTreeWidgetItem* node = m_view.currentItem();
    const int kind = NodeKindOf(node);
    if (kind <= 0)
        return false;
    if (kind != NodeKindProduct && kind != NodeKindAccessory)
        return true; // swallowed: the selection does not move
    const auto* project = NodeInfoAs<TProjInfo>(RootNodeOf(node));
    const auto* product = NodeInfoAs<TProdInfo>(ProductNodeOf(node));
    if (!project || !product)
        return true;
    try {
        // The selection positioned the tables; make sure of it before a move.
        db::Dataset& projectTable = projects();
        db::Dataset& products = m_data.table(s("TableProducts"));
        if (currentID(projectTable) != project->ID && !projectTable.locate(kID, project->ID))
            return true;
        if (currentID(products) != product->ID && !products.locate(kID, product->ID))
            return true;
        db::Dataset* items = &products;
        if (kind == NodeKindAccessory) {
            db::Dataset& accessories = m_data.table(s("TableAccessories"));
            const QString id = NodeInfoAs<TAccInfo>(node)->ID;
            if (currentID(accessories) != id && !accessories.locate(kID, id))
                return true;
            items = &accessories;
        }
        if (key == Qt::Key_Up)
            m_data.MoveItemUp(*items);
        else
            m_data.MoveItemDown(*items);
    } catch (const db::DatabaseError& e) {
        reportError(s("Could not move the item!"), e.message());
    }
    return true;
}

void TProjectTree::TreeProjectDblClick(QTreeWidgetItem* node)
{
    if (NodeKindOf(node) != NodeKindProjDoc)
        return;
    const QString path = node->text(0);
    m_host.StatusShowAction(formatMessage(MsgText(s("Opening: '%s'...")), {path}));
    const bool local = !path.contains(QLatin1String("://"));
    const bool opened = (!local || QFileInfo::exists(path)) && ShellOpen(path);
    m_host.StatusHideAction();
    if (!opened)
        MsgOK(s("Could not open '%s'!"), {path});
}

bool TProjectTree::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_view && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (TreeProjectKeyDown(key->key(), key->modifiers())) {
            key->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kiro
