// The detail tabs of the main window: which tabs a selected node shows, how
// the data module's tables follow the selection, the guards on leaving a
// node or a tab with pending edits, the document viewers and the overview.

#include "app/FormMain.h"

#include "app/InputText.h"
#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "data/FormData.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/Query.h"
#include "platform/OfficePreview.h"
#include "platform/Shell.h"
#include "tree/NodeInfo.h"
#include "tree/ProjectTree.h"
#include "tree/ThmTreeView.h"
#include "tree/TreeFunctions.h"
#include "tree/pages/DetailedPricePage.h"
#include "tree/pages/QuotationPage.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLocale>
#include <QPdfDocument>
#include <QPdfView>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kiro {

namespace {

// Office documents are previewed; the first four are the formats the
// program has always embedded, the rest are what Linux users keep.
bool isOfficeExtension(const QString& ext)
{
    static const QStringList list = {QStringLiteral(".XLS"),  QStringLiteral(".DOC"),  QStringLiteral(".PPT"),
                                     QStringLiteral(".PUB"),  QStringLiteral(".XLSX"), QStringLiteral(".DOCX"),
                                     QStringLiteral(".PPTX"), QStringLiteral(".ODT"),  QStringLiteral(".ODS"),
                                     QStringLiteral(".ODP"),  QStringLiteral(".RTF")};
    return list.contains(ext);
}

bool isPictureExtension(const QString& ext)
{
    // Metafiles have no reader here; they fall through to the picture tab
    // only when an image plug-in can read them.
    static const QStringList list = {QStringLiteral(".BMP"), QStringLiteral(".ICO"), QStringLiteral(".WMF"),
                                     QStringLiteral(".EMF"), QStringLiteral(".PNG"), QStringLiteral(".JPG"),
                                     QStringLiteral(".JPEG"), QStringLiteral(".GIF"), QStringLiteral(".SVG")};
    return list.contains(ext);
}

QString upperExtension(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix.toUpper();
}

bool hasRows(TFormData& data, const char* table)
{
    db::Dataset& t = data.table(QString::fromLatin1(table));
    return t.isActive() && !t.isEmpty();
}

} // namespace

// --- tab row ----------------------------------------------------------------

void TFormMain::showTab(const QString& name)
{
    QWidget* sheet = m_tabs.value(name);
    if (!sheet)
        return;
    const int index = m_pageDetails->indexOf(sheet);
    m_pageDetails->setTabVisible(index, true);
}

void TFormMain::setTabShown(const QString& name, bool shown)
{
    if (QWidget* sheet = m_tabs.value(name))
        m_pageDetails->setTabVisible(m_pageDetails->indexOf(sheet), shown);
}

bool TFormMain::tabShown(const QString& name) const
{
    QWidget* sheet = m_tabs.value(name);
    return sheet && m_pageDetails->isTabVisible(m_pageDetails->indexOf(sheet));
}

void TFormMain::activateTab(const QString& name)
{
    if (QWidget* sheet = m_tabs.value(name))
        m_pageDetails->setCurrentWidget(sheet);
}

QString TFormMain::activeTabName() const
{
    QWidget* current = m_pageDetails->currentWidget();
    if (!current || !m_pageDetails->isTabVisible(m_pageDetails->currentIndex()))
        return {};
    return current->objectName();
}

void TFormMain::restoreActiveOr(const QString& fallback)
{
    // Hiding a tab lets the tab row pick a neighbour; the page the user had
    // open wins when it is still there, else the node's first page.
    activateTab(tabShown(m_activeBeforeView) ? m_activeBeforeView : fallback);
}

void TFormMain::HideAllTabs()
{
    // Hiding tabs moves the current page; that is no switch the user asked
    // for, so the guards stay out of it.
    const bool reverting = m_revertingPage;
    m_revertingPage = true;
    for (int i = 0; i < m_pageDetails->count(); ++i)
        m_pageDetails->setTabVisible(i, false);
    m_revertingPage = reverting;
    if (m_viewKind == 0)
        m_pageDetails->setVisible(false);
}

void TFormMain::HideDetailPages()
{
    m_pageDetails->setVisible(false);
}

// --- selection --------------------------------------------------------------

QTreeWidgetItem* TFormMain::selectedNode() const
{
    return m_treeProject ? m_treeProject->currentItem() : nullptr;
}

void TFormMain::TreeProjectChange(QTreeWidgetItem* node)
{
    if (!node || !m_data)
        return;
    TNodeInfo* info = NodeInfoOf(node);
    if (!info)
        return;
    SyncProjectRecord(RootNodeOf(node));

    const int kind = NodeKindOf(node);
    int newKind = m_viewKind;
    std::function<void()> view;
    switch (kind) {
    case NodeKindProject:
        newKind = 1;
        view = [this, node] { ViewProject(node); };
        break;
    case NodeKindProduct: {
        auto* prod = static_cast<TProdInfo*>(info);
        SyncProductRecord(node);
        if (prod->External || prod->Spare) {
            newKind = 3;
            view = [this] { ViewProdExt(); };
        } else {
            newKind = 2;
            view = [this] { ViewProduct(); };
        }
        break;
    }
    case NodeKindProjDoc:
        newKind = 11;
        SyncDocumentRecord(node);
        view = [this, node] { ViewDoc(node->text(0)); };
        break;
    case NodeKindAccessory: {
        auto* acc = static_cast<TAccInfo*>(info);
        SyncProductRecord(ProductNodeOf(node));
        SyncAccessoryRecord(node);
        if (acc->External || acc->Spare) {
            newKind = 6;
            view = [this] { ViewAccExt(); };
        } else {
            newKind = 5;
            view = [this] { ViewAccessory(); };
        }
        break;
    }
    case NodeKindProdDoc:
        newKind = 12;
        SyncProductRecord(ProductNodeOf(node));
        SyncProdDocRecord(node);
        view = [this, node] { ViewDOV(node->text(0)); };
        break;
    case NodeKindProductGroup:
        newKind = 7;
        view = [this] { ViewProductList(); };
        break;
    case NodeKindDocGroup:
        newKind = 9;
        view = [this] { ViewProjDocList(); };
        break;
    case NodeKindAccGroup:
        newKind = 8;
        SyncProductRecord(ProductNodeOf(node));
        view = [this] { ViewAccessoryList(); };
        break;
    case NodeKindProdDocGroup:
        newKind = 10;
        SyncProductRecord(ProductNodeOf(node));
        view = [this] { ViewProdDocList(); };
        break;
    default:
        HideAllTabs();
        return;
    }

    // Moving between nodes of one kind keeps the tab row and the active tab;
    // documents and document lists always start afresh.
    m_activeBeforeView = activeTabName();
    const bool alwaysReset = kind == NodeKindProjDoc || kind == NodeKindProdDoc
                             || kind == NodeKindProdDocGroup;
    if (alwaysReset || newKind != m_viewKind)
        HideAllTabs();
    m_pageDetails->setVisible(true);
    const bool reverting = m_revertingPage;
    m_revertingPage = true;
    view();
    m_revertingPage = reverting;
    m_viewKind = newKind;
    m_lastPage = m_pageDetails->currentWidget();
}

bool TFormMain::TreeProjectChanging(QTreeWidgetItem* to)
{
    Q_UNUSED(to);
    if (m_suspendChangeCheck)
        return true;
    bool allowed = true;
    if (tabShown(QStringLiteral("TabPDB")))
        allowed = TabPDBCheckUpdate();
    if (tabShown(QStringLiteral("TabTechProd")))
        allowed = TabTechDataCheckUpdate();
    if (allowed)
        ResetPDBTab();
    return allowed;
}

bool TFormMain::PageDetailsChanging(QWidget* leaving)
{
    if (!leaving)
        return true;
    if (leaving->objectName() == QLatin1String("TabPDB"))
        return TabPDBCheckUpdate();
    if (leaving->objectName() == QLatin1String("TabTechProd"))
        return TabTechDataCheckUpdate();
    return true;
}

void TFormMain::PageDetailsChange()
{
    const QString page = activeTabName();
    if (page == QLatin1String("TabOverview"))
        FillOverview();
    else if (page == QLatin1String("TabDetailedPrice") && m_detailedPricePage)
        m_detailedPricePage->UpdatePriceRowPanels();
    else if (page == QLatin1String("TabPDB") && NodeInfoOf(selectedNode()))
        InitPDBTab(NodeKindOf(selectedNode()) == NodeKindAccessory);
    // The curve page, the configurator and the detailed price page fill
    // themselves from the positioned tables when they are built.
}

void TFormMain::SyncProjectRecord(QTreeWidgetItem* node)
{
    auto* info = node ? dynamic_cast<TProjInfo*>(NodeInfoOf(node)) : nullptr;
    if (!info || !m_data)
        return;
    db::Dataset& projects = m_data->table(QStringLiteral("TableProjects"));
    if (projects.isActive() && projects.locate(QStringLiteral("ID"), info->ID))
        projects.refresh();
}

void TFormMain::SyncProductRecord(QTreeWidgetItem* node)
{
    auto* info = node ? dynamic_cast<TProdInfo*>(NodeInfoOf(node)) : nullptr;
    if (!info || !m_data)
        return;
    db::Dataset& products = m_data->table(QStringLiteral("TableProducts"));
    if (products.isActive() && products.locate(QStringLiteral("ID"), info->ID))
        products.refresh();
}

void TFormMain::SyncAccessoryRecord(QTreeWidgetItem* node)
{
    auto* info = node ? dynamic_cast<TAccInfo*>(NodeInfoOf(node)) : nullptr;
    if (!info || !m_data)
        return;
    db::Dataset& accessories = m_data->table(QStringLiteral("TableAccessories"));
    if (accessories.isActive() && accessories.locate(QStringLiteral("ID"), info->ID))
        accessories.refresh();
}

void TFormMain::SyncDocumentRecord(QTreeWidgetItem* node)
{
    auto* info = node ? dynamic_cast<TDocInfo*>(NodeInfoOf(node)) : nullptr;
    if (!info || !m_data)
        return;
    db::Dataset& documents = m_data->table(QStringLiteral("TableDocuments"));
    if (documents.isActive())
        documents.locate(QStringLiteral("ID"), info->ID);
}

void TFormMain::SyncProdDocRecord(QTreeWidgetItem* node)
{
    auto* info = node ? dynamic_cast<TProdDocInfo*>(NodeInfoOf(node)) : nullptr;
    if (!info || !m_data)
        return;
    db::Dataset& documents = m_data->table(QStringLiteral("TableProdDocuments"));
    if (documents.isActive() && documents.locate(QStringLiteral("ID"), info->ID))
        documents.refresh();
}

// --- view functions ---------------------------------------------------------

void TFormMain::ViewProject(QTreeWidgetItem* node)
{
    Q_UNUSED(node);
    showTab(QStringLiteral("TabQuotation"));
    if (m_quotationPage)
        m_quotationPage->UpdateProductsPanel();
    showTab(QStringLiteral("TabOverview"));
    // Moving from one project to another keeps the tab row, so the order
    // tabs must also go when the new project has no orders.
    setTabShown(QStringLiteral("TabCustomerOrder"), hasRows(*m_data, "TableCustOrders"));
    setTabShown(QStringLiteral("TabPurchaseOrder"), hasRows(*m_data, "TablePurchOrders"));
    showTab(QStringLiteral("TabProjectInformation"));
    db::Dataset& projects = m_data->table(QStringLiteral("TableProjects"));
    if (projects.isActive())
        projects.refresh();
    restoreActiveOr(QStringLiteral("TabQuotation"));
    if (activeTabName() == QLatin1String("TabOverview"))
        FillOverview();
    SelectActiveTab();
}

void TFormMain::ViewProductList()
{
    m_data->ReorderItems(m_data->table(QStringLiteral("TableProducts")));
    showTab(QStringLiteral("TabProdList"));
    if (QWidget* grid = m_tabs.value(QStringLiteral("TabProdList"))->findChild<QWidget*>(QStringLiteral("TabProdListGrid")))
        grid->setVisible(hasRows(*m_data, "TableProducts"));
    activateTab(QStringLiteral("TabProdList"));
    SelectActiveTab();
}

void TFormMain::ViewAccessoryList()
{
    m_data->ReorderItems(m_data->table(QStringLiteral("TableAccessories")));
    showTab(QStringLiteral("TabAccList"));
    if (QWidget* grid = m_tabs.value(QStringLiteral("TabAccList"))->findChild<QWidget*>(QStringLiteral("TabAccListGrid")))
        grid->setVisible(hasRows(*m_data, "TableAccessories"));
    activateTab(QStringLiteral("TabAccList"));
    SelectActiveTab();
}

void TFormMain::ViewProjDocList()
{
    showTab(QStringLiteral("TabProjDocs"));
    if (QWidget* grid = m_tabs.value(QStringLiteral("TabProjDocs"))->findChild<QWidget*>(QStringLiteral("TabProjDocsGrid")))
        grid->setVisible(hasRows(*m_data, "TableDocuments"));
    activateTab(QStringLiteral("TabProjDocs"));
    SelectActiveTab();
}

void TFormMain::ViewProdDocList()
{
    showTab(QStringLiteral("TabProdDocs"));
    if (QWidget* grid = m_tabs.value(QStringLiteral("TabProdDocs"))->findChild<QWidget*>(QStringLiteral("TabProdDocsGrid")))
        grid->setVisible(hasRows(*m_data, "TableProdDocuments"));
    activateTab(QStringLiteral("TabProdDocs"));
    SelectActiveTab();
}

void TFormMain::ViewProduct()
{
    showTab(QStringLiteral("TabPDB"));
    showTab(QStringLiteral("TabTechProd"));
    showTab(QStringLiteral("TabDetailedPrice"));
    if (m_detailedPricePage)
        m_detailedPricePage->UpdatePriceRowPanels();
    showTab(QStringLiteral("TabCurve"));
    if (QWidget* button = m_tabs.value(QStringLiteral("TabPDB"))->findChild<QWidget*>(QStringLiteral("TabPDBBtnAccessories")))
        button->setVisible(true);
    restoreActiveOr(QStringLiteral("TabPDB"));
    if (activeTabName() == QLatin1String("TabPDB"))
        InitPDBTab(false);
    SelectActiveTab();
}

void TFormMain::ViewProdExt()
{
    showTab(QStringLiteral("TabTechProd"));
    showTab(QStringLiteral("TabDetailedPrice"));
    restoreActiveOr(QStringLiteral("TabTechProd"));
    SelectActiveTab();
}

void TFormMain::ViewAccessory()
{
    showTab(QStringLiteral("TabPDB"));
    showTab(QStringLiteral("TabTechAcc"));
    if (QWidget* button = m_tabs.value(QStringLiteral("TabPDB"))->findChild<QWidget*>(QStringLiteral("TabPDBBtnAccessories")))
        button->setVisible(false);
    restoreActiveOr(QStringLiteral("TabPDB"));
    if (activeTabName() == QLatin1String("TabPDB"))
        InitPDBTab(true);
    SelectActiveTab();
}

void TFormMain::ViewAccExt()
{
    showTab(QStringLiteral("TabTechAcc"));
    activateTab(QStringLiteral("TabTechAcc"));
    SelectActiveTab();
}

void TFormMain::ViewDOV(const QString& name)
{
    QString file = name;
    db::Dataset& dov = m_data->table(QStringLiteral("TableDOV"));
    if (dov.isActive()) {
        const QVariant path = dov.lookup(QStringLiteral("Name"), name, QStringLiteral("Path"));
        // The lookup is exact; document names are matched without case.
        if (!path.isNull() && !path.toString().isEmpty())
            file = path.toString();
        else if (dov.locate(QStringLiteral("Name"), name, db::LocateOption::CaseInsensitive))
            file = dov.fieldByName(QStringLiteral("Path")).asString();
    }
    ViewDoc(file);
}

// --- document viewers -------------------------------------------------------

void TFormMain::showNothingViewer(const QString& path)
{
    m_viewedDocument = path;
    showTab(QStringLiteral("TabViewNothing"));
    activateTab(QStringLiteral("TabViewNothing"));
    m_viewerNothing->setText(QStringLiteral("Could not find/view file: '") + path + QStringLiteral("' !"));
}

QString TFormMain::viewerNothingText() const
{
    return m_viewerNothing ? m_viewerNothing->text() : QString();
}

void TFormMain::showPdf(const QString& path, const QString& tab)
{
    QPdfDocument* document = tab == QLatin1String("TabViewOLE") ? m_oleDocument : m_pdfDocument;
    QPdfView* view = tab == QLatin1String("TabViewOLE") ? m_viewerOle : m_viewerPdf;
    document->close();
    if (document->load(path) != QPdfDocument::Error::None) {
        if (tab == QLatin1String("TabViewOLE")) {
            view->setVisible(false);
            m_oleStatus->setText(QStringLiteral("The preview of '%1' could not be read.").arg(m_viewedDocument));
            return;
        }
        showNothingViewer(path);
        return;
    }
    view->setVisible(true);
    view->setPageMode(QPdfView::PageMode::MultiPage);
    view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
}

void TFormMain::ViewDoc(const QString& file)
{
    if (!QFileInfo(file).isFile()) {
        showNothingViewer(file);
        return;
    }
    m_viewedDocument = file;
    const QString ext = upperExtension(file);
    if (ext == QLatin1String(".PDF")) {
        if (!m_viewerPdf) {
            // Created on first use and kept; a failure is told once per try
            // and the next PDF tries again.
            QWidget* tab = m_tabs.value(QStringLiteral("TabViewPDF"));
            m_pdfDocument = new QPdfDocument(this);
            auto* view = new QPdfView(tab);
            view->setObjectName(QStringLiteral("ViewerPDF"));
            if (!view) {
                MsgOK(QStringLiteral("1"));
                showNothingViewer(file);
                return;
            }
            view->setDocument(m_pdfDocument);
            tab->layout()->addWidget(view);
            m_viewerPdf = view;
        }
        showTab(QStringLiteral("TabViewPDF"));
        activateTab(QStringLiteral("TabViewPDF"));
        showPdf(file, QStringLiteral("TabViewPDF"));
        return;
    }
    if (isOfficeExtension(ext)) {
        showTab(QStringLiteral("TabViewOLE"));
        activateTab(QStringLiteral("TabViewOLE"));
        m_viewerOle->setVisible(false);
        m_oleStatus->setText(QStringLiteral("Preparing a preview of '%1' ...").arg(file));
        m_officePreview->request(file);
        return;
    }
    if (isPictureExtension(ext)) {
        QImageReader reader(file);
        reader.setAutoTransform(true);
        const QImage image = reader.read();
        if (image.isNull()) {
            showNothingViewer(file);
            return;
        }
        showTab(QStringLiteral("TabViewPict"));
        activateTab(QStringLiteral("TabViewPict"));
        m_viewPictImage->setPixmap(QPixmap::fromImage(image));
        m_viewPictImage->adjustSize();
        return;
    }
    showNothingViewer(file);
}

void TFormMain::ViewerOLEOpen()
{
    if (m_viewedDocument.isEmpty())
        return;
    StatusShowAction(QStringLiteral("Opening: '%1'...").arg(m_viewedDocument));
    ShellOpen(m_viewedDocument);
    StatusHideAction();
}

void TFormMain::buildViewers()
{
    // The "nothing" viewer.
    {
        QWidget* tab = m_tabs.value(QStringLiteral("TabViewNothing"));
        auto* layout = new QVBoxLayout(tab);
        m_viewerNothing = new QLabel(tab);
        m_viewerNothing->setObjectName(QStringLiteral("ViewerNothing"));
        m_viewerNothing->setAlignment(Qt::AlignCenter);
        m_viewerNothing->setWordWrap(true);
        m_viewerNothing->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(m_viewerNothing);
    }
    // Pictures in a scroll box.
    {
        QWidget* tab = m_tabs.value(QStringLiteral("TabViewPict"));
        auto* layout = new QVBoxLayout(tab);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* scroll = new QScrollArea(tab);
        scroll->setObjectName(QStringLiteral("TabViewPictScrollBox"));
        scroll->setAlignment(Qt::AlignCenter);
        m_viewPictImage = new QLabel(scroll);
        m_viewPictImage->setObjectName(QStringLiteral("TabViewPictImage"));
        scroll->setWidget(m_viewPictImage);
        layout->addWidget(scroll);
    }
    // The PDF viewer comes on first use; its tab only needs a layout.
    {
        QWidget* tab = m_tabs.value(QStringLiteral("TabViewPDF"));
        auto* layout = new QVBoxLayout(tab);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    // Office documents: a converted preview and the way to the real thing.
    {
        QWidget* tab = m_tabs.value(QStringLiteral("TabViewOLE"));
        auto* layout = new QVBoxLayout(tab);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* bar = new QWidget(tab);
        bar->setObjectName(QStringLiteral("ViewerOLEBar"));
        auto* barLayout = new QHBoxLayout(bar);
        barLayout->setContentsMargins(6, 4, 6, 4);
        m_oleStatus = new QLabel(bar);
        m_oleStatus->setObjectName(QStringLiteral("ViewerOLEStatus"));
        m_oleStatus->setWordWrap(true);
        auto* open = new QPushButton(QStringLiteral("&Open in its application"), bar);
        open->setObjectName(QStringLiteral("ViewerOLEOpen"));
        connect(open, &QPushButton::clicked, this, &TFormMain::ViewerOLEOpen);
        barLayout->addWidget(m_oleStatus, 1);
        barLayout->addWidget(open);
        layout->addWidget(bar);
        m_oleDocument = new QPdfDocument(this);
        m_viewerOle = new QPdfView(tab);
        m_viewerOle->setObjectName(QStringLiteral("ViewerOLE"));
        m_viewerOle->setDocument(m_oleDocument);
        m_viewerOle->setVisible(false);
        layout->addWidget(m_viewerOle, 1);
        m_officePreview = new OfficePreview(this);
        connect(m_officePreview, &OfficePreview::ready, this, [this](const QString& document, const QString& pdf) {
            if (document != m_viewedDocument)
                return;
            m_oleStatus->setText(QStringLiteral("Preview of '%1' (read-only).").arg(document));
            showPdf(pdf, QStringLiteral("TabViewOLE"));
        });
        connect(m_officePreview, &OfficePreview::failed, this, [this](const QString& document, const QString& reason) {
            if (document != m_viewedDocument)
                return;
            m_viewerOle->setVisible(false);
            m_oleStatus->setText(reason);
        });
    }
    // The overview: one row per product with its accessories.
    {
        QWidget* tab = m_tabs.value(QStringLiteral("TabOverview"));
        auto* layout = new QVBoxLayout(tab);
        layout->setContentsMargins(0, 0, 0, 0);
        m_overviewGrid = new QTreeWidget(tab);
        m_overviewGrid->setObjectName(QStringLiteral("TabOverviewGrid"));
        m_overviewGrid->setRootIsDecorated(false);
        m_overviewGrid->setAlternatingRowColors(true);
        m_overviewGrid->setWordWrap(true);
        m_overviewGrid->setHeaderLabels({QStringLiteral("ID"), QStringLiteral("Pos"), QStringLiteral("Type"),
                                         QStringLiteral("Description"), QStringLiteral("Qty"),
                                         QStringLiteral("Accessories"), QStringLiteral("Total net/each")});
        m_overviewGrid->setColumnHidden(0, true);
        m_overviewGrid->header()->setStretchLastSection(false);
        m_overviewGrid->header()->setSectionResizeMode(5, QHeaderView::Stretch);
        layout->addWidget(m_overviewGrid);
    }
}

// --- overview ---------------------------------------------------------------

void TFormMain::FillOverview()
{
    if (!m_overviewGrid || !m_data || !m_data->projectsConnected())
        return;
    m_overviewGrid->setUpdatesEnabled(false);
    m_overviewGrid->clear();
    const QString projectID = m_data->table(QStringLiteral("TableProjects")).fieldByName(QStringLiteral("ID")).asString();
    const QLocale locale;
    try {
        db::Connection& connection = m_data->database(QStringLiteral("DatabaseProjects"));
        db::Query products(connection);
        products.setSql(QStringLiteral(
            "SELECT Products.ID, Products.Tag, Products.Name, Products.Description, Products.Qty, "
            "Products.TotalPriceQuotPriceSum / Products.Qty AS TotalPriceNetEach FROM Products "
            "WHERE Products.ProjectID = :project ORDER BY Products.\"Order\""));
        products.bindValue(QStringLiteral("project"), projectID);
        db::Query accessories(connection);
        accessories.setSql(QStringLiteral("SELECT Name FROM Accessories WHERE ProductID = :product ORDER BY \"Order\""));
        for (products.open(); !products.eof(); products.next()) {
            QStringList names;
            accessories.bindValue(QStringLiteral("product"), products.value(QStringLiteral("ID")));
            for (accessories.open(); !accessories.eof(); accessories.next())
                names.append(accessories.value(QStringLiteral("Name")).toString());
            accessories.close();
            auto* row = new QTreeWidgetItem(m_overviewGrid);
            row->setText(0, products.value(QStringLiteral("ID")).toString());
            row->setText(1, products.value(QStringLiteral("Tag")).toString());
            row->setText(2, products.value(QStringLiteral("Name")).toString());
            row->setText(3, products.value(QStringLiteral("Description")).toString());
            row->setText(4, products.value(QStringLiteral("Qty")).toString());
            row->setText(5, names.join(QStringLiteral(", ")));
            const QVariant each = products.value(QStringLiteral("TotalPriceNetEach"));
            if (!each.isNull())
                row->setText(6, locale.toString(each.toDouble(), 'f', 0));
            row->setTextAlignment(4, Qt::AlignRight | Qt::AlignVCenter);
            row->setTextAlignment(6, Qt::AlignRight | Qt::AlignVCenter);
        }
    } catch (const db::DatabaseError&) {
        // The overview shows what could be read.
    }
    for (int c = 1; c < m_overviewGrid->columnCount(); ++c) {
        if (c != 5)
            m_overviewGrid->resizeColumnToContents(c);
    }
    m_overviewGrid->setUpdatesEnabled(true);
}

// --- technical data guard ---------------------------------------------------

bool TFormMain::TabTechDataCheckUpdate()
{
    if (!m_data)
        return true;
    db::Dataset& techData = m_data->table(QStringLiteral("TableProdTechData"));
    if (!techData.isActive() || techData.state() == db::DatasetState::Browse
        || techData.state() == db::DatasetState::Inactive)
        return true;
    const int answer = MsgYesNoCancel(QStringLiteral("Save changed value in technical data?"));
    if (answer == MsgCodeNo) {
        techData.cancel();
        return true;
    }
    if (answer != MsgCodeYes)
        return false;
    if (!techData.fieldByName(QStringLiteral("TORVA")).asBoolean()) {
        techData.post();
        return true;
    }
    if (MsgNoYes(QStringLiteral("30")) != MsgCodeYes)
        return false;
    QString comment;
    if (!InputText(MsgText(QStringLiteral("39")), comment))
        return false;
    const QString product = m_data->table(QStringLiteral("TableProducts")).fieldByName(QStringLiteral("Name")).asString();
    if (!m_data->AddLogEntry(2, product, QStringLiteral("TORVA"), comment, app().currentUserName(),
                             QStringLiteral("TORVA techdata violated"), QStringLiteral("Warning"))) {
        MsgOK(QStringLiteral("Failed to add entry to log!"));
        return false;
    }
    techData.post();
    m_data->TORVASetViolation();
    return true;
}

} // namespace kiro
