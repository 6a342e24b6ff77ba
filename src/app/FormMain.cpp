#include "app/FormMain.h"

#include "app/DialogService.h"
#include "app/FormTranslation.h"
#include "app/InputText.h"
#include "links/LogView.h"
#include "app/LanguageSource.h"
#include "app/Translate.h"
#include "dialogs/Lang.h"
#include "dialogs/OptCurr.h"
#include "dialogs/OptDiscMarg.h"
#include "dialogs/OptProj.h"
#include "dialogs/OptUnits.h"
#include "dialogs/UserInfo.h"
#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "db/Dataset.h"
#include "pdb/DataPDB.h"
#include "tree/ProjectTree.h"
#include "tree/ThmTreeView.h"
#include "tree/TreeFunctions.h"
#include "tree/pages/QuotationPage.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kiro {

namespace {

const QEvent::Type SetupEventType = static_cast<QEvent::Type>(QEvent::User + 101);

struct TabSheet {
    const char* name;
    const char* caption;
};

// The detail pages in page order; each node kind shows a subset of them.
constexpr TabSheet DetailTabs[] = {
    {"TabQuotation", "Quotation"},
    {"TabOverview", "Overview"},
    {"TabCustomerOrder", "Customer Order"},
    {"TabPurchaseOrder", "Purchase Order"},
    {"TabProjectInformation", "Project information"},
    {"TabProdList", "Product list"},
    {"TabProjDocs", "Project documents"},
    {"TabPDB", "PDB"},
    {"TabTechProd", "Technical Data - Product"},
    {"TabTechAcc", "Technical Data - Accessory"},
    {"TabDetailedPrice", "Detailed Price"},
    {"TabCurve", "Curve"},
    {"TabProdDocs", "Documents"},
    {"TabAccList", "Accessory List"},
    {"TabViewOLE", "View - OLE"},
    {"TabViewPDF", "View - PDF"},
    {"TabViewPict", "View - Picture"},
    {"TabViewNothing", "View - Unknown"},
};

constexpr int StatusPanelWidths[] = {60, 120, 60, 120, 60, 600};

QString baseTitle()
{
    return QStringLiteral("ZEK - KIRO");
}

} // namespace

TFormMain::TFormMain(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(baseTitle());
    m_folderCaptions = {QStringLiteral("Products"), QStringLiteral("Documents"), QStringLiteral("Accessories")};
    m_forms.append(this);
    resize(1024, 720);
    buildMenus();
    buildWorkspace();
    FormCreate();
}

TFormMain::~TFormMain()
{
    if (m_languageSource)
        setFormTranslator({});
    setProgressDisplay(nullptr);
    if (m_busyCursor)
        QApplication::restoreOverrideCursor();
}

void TFormMain::attachDataModules(TFormData* data, TFormDataPDB* pdb)
{
    m_data = data;
    m_pdb = pdb;
    if (data) {
        data->setTextInput([](const QString& prompt, QString& value) { return InputText(prompt, value); });
        m_languageSource = std::make_unique<LanguageSource>(*data);
        setFormTranslator([source = m_languageSource.get()](QWidget& form) { translateForm(form, *source); });
        m_projectTree = std::make_unique<TProjectTree>(*data, *m_treeProject, *this);
        m_projectTree->BuildViewMenu(*m_menus.value(QStringLiteral("MenuView")));
        connectTree();
        buildPages();
    }
}

void TFormMain::connectTree()
{
    m_treeProject->setChangingHandler([this](QTreeWidgetItem* to) { return TreeProjectChanging(to); });
    connect(m_treeProject, &ThmTreeView::nodeChanged, this, &TFormMain::TreeProjectChange);
    connect(m_treeProject, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QTreeWidgetItem* node = m_treeProject->itemAt(pos))
            m_treeProject->setCurrentItem(node);
        m_popupTree->popup(m_treeProject->viewport()->mapToGlobal(pos));
    });
}

void TFormMain::selectNodeOfKind(int kind, const QString& id)
{
    if (QTreeWidgetItem* node = FindNodeByKindAndID(*m_treeProject, kind, id))
        m_treeProject->setCurrentItem(node);
}

void TFormMain::registerForm(QWidget* form)
{
    m_forms.append(form);
}

QMenu* TFormMain::addMenu(const QString& name, const QString& caption)
{
    QMenu* m = menuBar()->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    m_menus.insert(name, m);
    return m;
}

QAction* TFormMain::addAction(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    m_actions.insert(name, a);
    return a;
}

void TFormMain::buildMenus()
{
    menuBar()->setObjectName(QStringLiteral("MainMenu"));

    QMenu* project = addMenu(QStringLiteral("MenuProject"), QStringLiteral("&Project"));
    QAction* projectExit = addAction(project, QStringLiteral("MenuProjectExit"), QStringLiteral("E&xit"));
    connect(projectExit, &QAction::triggered, this, &TFormMain::ProjectExit);
    buildProjectMenu();

    addMenu(QStringLiteral("MenuEdit"), QStringLiteral("&Edit"));
    buildEditMenu();
    addMenu(QStringLiteral("MenuView"), QStringLiteral("&View"));
    addMenu(QStringLiteral("MenuPrintout"), QStringLiteral("P&rintout"));
    buildPrintoutMenu();
    QMenu* tools = addMenu(QStringLiteral("MenuTools"), QStringLiteral("&Tools"));
    connect(addAction(tools, QStringLiteral("MenuToolsLog"), QStringLiteral("View &log ...")), &QAction::triggered,
            this, [this] {
                if (!m_data || !m_data->projectsConnected())
                    return;
                // The projects the Projects table shows, as the tree would.
                QList<LogTreeNode> nodes;
                db::Dataset& projects = m_data->table(QStringLiteral("TableProjects"));
                const int id = projects.fieldByName(QStringLiteral("ID")).index();
                const int name = projects.fieldByName(QStringLiteral("Name")).index();
                const int revision = projects.fieldByName(QStringLiteral("Revision")).index();
                for (int r = 0; r < projects.recordCount(); ++r)
                    nodes.append({projects.rowValue(r, id).toString(),
                                  QStringLiteral("%1:%2").arg(projects.rowValue(r, name).toString(),
                                                              projects.rowValue(r, revision).toString()),
                                  QIcon(),
                                  {}});
                ToolsViewLogs(*m_data, nodes, this);
            });
    buildToolsMenu();

    QMenu* db = addMenu(QStringLiteral("MenuDB"), QStringLiteral("&Database"));
    connect(addAction(db, QStringLiteral("MenuDBDirectories"), QStringLiteral("&Directories ...")),
            &QAction::triggered, this, &TFormMain::DatabaseDirectories);
    connect(addAction(db, QStringLiteral("MenuDBProjectSelect"), QStringLiteral("&Select project database ...")),
            &QAction::triggered, this, &TFormMain::DatabaseProjectSelect);
    connect(addAction(db, QStringLiteral("MenuDBProjectNew"), QStringLiteral("Create &new project database ...")),
            &QAction::triggered, this, &TFormMain::DatabaseProjectNew);
    QAction* sep1 = db->addSeparator();
    sep1->setObjectName(QStringLiteral("MenuDB_1"));
    m_actions.insert(sep1->objectName(), sep1);
    connect(addAction(db, QStringLiteral("MenuDBProjectEmpty"), QStringLiteral("&Empty project database ...")),
            &QAction::triggered, this, &TFormMain::DatabaseProjectEmpty);
    connect(addAction(db, QStringLiteral("MenuDBProjectClose"), QStringLiteral("&Close project database")),
            &QAction::triggered, this, &TFormMain::DatabaseProjectClose);
    QAction* sep2 = db->addSeparator();
    sep2->setObjectName(QStringLiteral("MenuDB_2"));
    m_actions.insert(sep2->objectName(), sep2);
    connect(addAction(db, QStringLiteral("MenuDBRepairTable"), QStringLiteral("&Repair table ...")),
            &QAction::triggered, this, &TFormMain::DatabaseRepair);
    QAction* sep3 = db->addSeparator();
    sep3->setObjectName(QStringLiteral("MenuDB_3"));
    m_actions.insert(sep3->objectName(), sep3);
    QAction* dbExit = addAction(db, QStringLiteral("MenuDBExit"), QStringLiteral("E&xit"));
    connect(dbExit, &QAction::triggered, this, &TFormMain::ProjectExit);

    QMenu* options = addMenu(QStringLiteral("MenuOptions"), QStringLiteral("&Options"));
    connect(addAction(options, QStringLiteral("MenuOptionsUserInfo"), QStringLiteral("User &information ...")),
            &QAction::triggered, this, &TFormMain::OptionsUserInfo);
    connect(addAction(options, QStringLiteral("MenuOptionsLanguage"), QStringLiteral("&Language ...")),
            &QAction::triggered, this, &TFormMain::OptionsLanguages);
    options->addSeparator();
    // The price options act on the system data until the tree offers a
    // selected project or item to act on.
    connect(addAction(options, QStringLiteral("MenuOptionsCurrencies"), QStringLiteral("&Currencies ...")),
            &QAction::triggered, this, [this] {
                if (m_data)
                    OptionsCurrencies(*m_data, false, this);
            });
    connect(addAction(options, QStringLiteral("MenuOptionsDiscounts"), QStringLiteral("Di&scounts and margins ...")),
            &QAction::triggered, this, [this] {
                if (m_data)
                    OptionsDiscounts(*m_data, false, false, this);
            });
    connect(addAction(options, QStringLiteral("MenuOptionsUnits"), QStringLiteral("U&nits ...")),
            &QAction::triggered, this, [this] {
                if (m_data)
                    OptionUnits(*m_data, false, false, false, this);
            });
    connect(addAction(options, QStringLiteral("MenuOptionsProject"), QStringLiteral("&Project ...")),
            &QAction::triggered, this, [this] {
                OptionsProject(
                    [this] {
                        if (m_projectTree)
                            m_projectTree->RetextTree();
                    },
                    this);
            });
    options->addSeparator();
    // The options of the configurator and of the links to other programs
    // come with those functions.
    for (const auto& item : {std::pair{"MenuOptionsPDB", "&Manufacturing plant ..."},
                             std::pair{"MenuOptionsTORVA", "&TORVA ..."}, std::pair{"MenuOptionsDOV", "&DOV ..."}})
        addAction(options, QString::fromLatin1(item.first), QString::fromUtf8(item.second))->setEnabled(false);

    QMenu* help = addMenu(QStringLiteral("MenuHelp"), QStringLiteral("&Help"));
    QAction* index = addAction(help, QStringLiteral("MenuHelpIndex"), QStringLiteral("&Index ..."));
    index->setShortcut(QKeySequence(Qt::Key_F1));
    connect(index, &QAction::triggered, this, [] { OpenHelp(); });
    QAction* about = addAction(help, QStringLiteral("MenuHelpAbout"), QStringLiteral("&About ..."));
    connect(about, &QAction::triggered, this, [this] {
        QDialog dialog(this);
        dialog.setObjectName(QStringLiteral("DlgAbout"));
        dialog.setWindowTitle(QStringLiteral("About"));
        auto* layout = new QVBoxLayout(&dialog);
        auto* text = new QLabel(QStringLiteral("<h3>%1</h3><p>%2 %3</p><p>Sales tool for the pumps and "
                                               "accessories of the ZEK range.</p>")
                                    .arg(baseTitle(), programName(), programVersion()),
                                &dialog);
        text->setObjectName(QStringLiteral("DlgAboutText"));
        layout->addWidget(text);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
        connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        layout->addWidget(buttons);
        TranslateForm(dialog);
        ExecDialog(dialog);
    });

    // Top-level commands beside the menus.
    QAction* quick = menuBar()->addAction(QStringLiteral("QuickProd!"));
    quick->setObjectName(QStringLiteral("QuickProd1"));
    m_actions.insert(quick->objectName(), quick);
    connect(quick, &QAction::triggered, this, &TFormMain::QuickProd1Click);
    for (const char* hidden : {"Test1", "Overview1"}) {
        QAction* a = menuBar()->addAction(QString::fromLatin1(hidden) == QLatin1String("Test1") ? QStringLiteral("Test!")
                                                                                                 : QStringLiteral("Overview!"));
        a->setObjectName(QString::fromLatin1(hidden));
        a->setVisible(false);
        m_actions.insert(a->objectName(), a);
    }
}

void TFormMain::buildWorkspace()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("PanelMain"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_panelEmptyWorkspace = new QWidget(central);
    m_panelEmptyWorkspace->setObjectName(QStringLiteral("PanelEmptyWorkspace"));
    m_panelEmptyWorkspace->setAutoFillBackground(true);
    {
        QPalette pal = m_panelEmptyWorkspace->palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::Dark));
        pal.setColor(QPalette::WindowText, pal.color(QPalette::BrightText));
        m_panelEmptyWorkspace->setPalette(pal);
        auto* emptyLayout = new QVBoxLayout(m_panelEmptyWorkspace);
        auto* hint = new QLabel(QStringLiteral("No project database is open.\n"
                                               "Choose the databases in the Database menu."),
                                m_panelEmptyWorkspace);
        hint->setObjectName(QStringLiteral("LblEmptyWorkspace"));
        hint->setAlignment(Qt::AlignCenter);
        emptyLayout->addWidget(hint);
    }
    layout->addWidget(m_panelEmptyWorkspace, 1);

    m_panelWorkspace = new QWidget(central);
    m_panelWorkspace->setObjectName(QStringLiteral("PanelWorkspace"));
    auto* workLayout = new QHBoxLayout(m_panelWorkspace);
    workLayout->setContentsMargins(0, 0, 0, 0);

    m_splitter = new QSplitter(Qt::Horizontal, m_panelWorkspace);
    m_splitter->setObjectName(QStringLiteral("Splitter"));
    m_splitter->setChildrenCollapsible(false);

    auto* panelTree = new QWidget(m_splitter);
    panelTree->setObjectName(QStringLiteral("PanelTree"));
    panelTree->setMinimumWidth(60);
    auto* treeLayout = new QVBoxLayout(panelTree);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->setSpacing(0);
    m_toolBar = new QToolBar(panelTree);
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setFixedHeight(28);
    m_toolBar->setIconSize(QSize(17, 17));
    // Nine buttons share the tree's width; tight buttons keep them all in view.
    m_toolBar->setContentsMargins(0, 0, 0, 0);
    m_toolBar->layout()->setSpacing(0);
    m_toolBar->setStyleSheet(QStringLiteral("QToolButton { padding: 1px; margin: 0px; }"));
    treeLayout->addWidget(m_toolBar);
    m_treeProject = new ThmTreeView(panelTree);
    m_treeProject->setObjectName(QStringLiteral("TreeProject"));
    m_treeProject->setHeaderHidden(true);
    m_treeProject->setContextMenuPolicy(Qt::CustomContextMenu);
    treeLayout->addWidget(m_treeProject, 1);
    buildToolBar();

    auto* panelDetails = new QWidget(m_splitter);
    panelDetails->setObjectName(QStringLiteral("PanelDetails"));
    panelDetails->setMinimumWidth(60);
    auto* detailsLayout = new QVBoxLayout(panelDetails);
    detailsLayout->setContentsMargins(0, 0, 0, 0);
    m_pageDetails = new QTabWidget(panelDetails);
    m_pageDetails->setObjectName(QStringLiteral("PageDetails"));
    m_pageDetails->setFocusPolicy(Qt::NoFocus);
    for (const TabSheet& tab : DetailTabs) {
        auto* sheet = new QWidget(m_pageDetails);
        sheet->setObjectName(QString::fromLatin1(tab.name));
        m_pageDetails->addTab(sheet, QString::fromLatin1(tab.caption));
        m_tabs.insert(sheet->objectName(), sheet);
    }
    detailsLayout->addWidget(m_pageDetails);

    buildViewers();
    connect(m_pageDetails, &QTabWidget::currentChanged, this, [this](int) {
        QWidget* now = m_pageDetails->currentWidget();
        if (m_revertingPage) {
            m_lastPage = now;
            return;
        }
        if (now == m_lastPage)
            return;
        // The tab row has no "changing" notice; a refused switch goes back
        // to the page that was left.
        if (!PageDetailsChanging(m_lastPage)) {
            m_revertingPage = true;
            m_pageDetails->setCurrentWidget(m_lastPage);
            m_revertingPage = false;
            return;
        }
        m_lastPage = now;
        PageDetailsChange();
    });
    buildPopupTree();

    m_splitter->addWidget(panelTree);
    m_splitter->addWidget(panelDetails);
    m_splitter->setStretchFactor(1, 1);
    // Wide enough for the nine toolbar buttons and the usual captions.
    m_splitter->setSizes({250, 774});
    workLayout->addWidget(m_splitter);
    layout->addWidget(m_panelWorkspace, 1);

    buildBottomPanel();
    layout->addWidget(findChild<QWidget*>(QStringLiteral("PanelBottom")));
    setCentralWidget(central);
}

void TFormMain::buildBottomPanel()
{
    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("PanelBottom"));
    auto* layout = new QVBoxLayout(bottom);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_panelProgress = new QWidget(bottom);
    m_panelProgress->setObjectName(QStringLiteral("FormMainPanelProgress"));
    auto* progressLayout = new QHBoxLayout(m_panelProgress);
    progressLayout->setContentsMargins(4, 1, 4, 1);
    m_lblProgress = new QLabel(QStringLiteral("Working ..."), m_panelProgress);
    m_lblProgress->setObjectName(QStringLiteral("FormMainLblProgress"));
    m_lblProgress->setFixedWidth(400);
    m_progressBar = new QProgressBar(m_panelProgress);
    m_progressBar->setObjectName(QStringLiteral("FormMainProgressBar"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setTextVisible(false);
    progressLayout->addWidget(m_lblProgress);
    progressLayout->addWidget(m_progressBar, 1);
    m_panelProgress->setVisible(false);
    layout->addWidget(m_panelProgress);

    m_statusBar = new QStatusBar(bottom);
    m_statusBar->setObjectName(QStringLiteral("FormMainStatusBar"));
    m_statusBar->setSizeGripEnabled(true);
    const char* labels[] = {"User", "", "Sorting", "", "Filter", ""};
    for (int i = 0; i < 6; ++i) {
        auto* panel = new QLabel(QString::fromLatin1(labels[i]), m_statusBar);
        panel->setObjectName(QStringLiteral("FormMainStatusPanel%1").arg(i));
        const bool bevel = (i % 2) == 1;
        if (bevel) {
            panel->setFrameShape(QFrame::Panel);
            panel->setFrameShadow(QFrame::Sunken);
        }
        panel->setProperty("bevel", bevel);
        if (i < 5)
            panel->setFixedWidth(StatusPanelWidths[i]);
        else
            panel->setMinimumWidth(120);
        m_statusBar->addWidget(panel, i == 5 ? 1 : 0);
        m_statusPanels.append(panel);
    }
    layout->addWidget(m_statusBar);
}

void TFormMain::FormCreate()
{
    app().setWorkDir(QDir::currentPath());
    app().setApplicationTitle(baseTitle());

    m_treeProject->clear();
    for (int i = 0; i < m_pageDetails->count(); ++i)
        m_pageDetails->setTabVisible(i, false);
    m_pageDetails->setVisible(false);

    // The settings file lives in the start directory; a first run there
    // starts from the defaults shipped beside the program, and an existing
    // file is never overwritten.
    const QString iniName = QStringLiteral("KIRO.INI");
    const QString target = app().workDir() + iniName;
    const QString shipped = app().exeDir() + iniName;
    if (!QFile::exists(target) && !app().exeDir().isEmpty() && QFile::exists(shipped)
        && QFileInfo(shipped).canonicalFilePath() != QFileInfo(target).absoluteFilePath()) {
        if (!QFile::copy(shipped, target))
            ShowPlainMessage(QStringLiteral("Could not copy default settings!"));
        else
            QFile(target).setPermissions(QFile(target).permissions() | QFileDevice::WriteOwner);
    }
    settings().open(target);

    settings().LoadSystemSettings();
    settings().LoadSpecialSettings();
    settings().LoadProjectSettings();
    settings().LoadPDBSettings();
    settings().LoadPrintoutSettings();
    settings().LoadCurveSettings();

    setAcceptDrops(true);
    setProgressDisplay(this);
}

void TFormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        FormShow();
    }
}

void TFormMain::FormShow()
{
    SetupAppMode();
    StatusSetUser(app().currentUserID());
    CloseMain();
    // The databases open after the window has painted: the event is
    // delivered by the event loop, never from inside the show.
    QCoreApplication::postEvent(this, new QEvent(SetupEventType));
}

bool TFormMain::event(QEvent* event)
{
    if (event->type() == SetupEventType) {
        SetupMain();
        return true;
    }
    return QMainWindow::event(event);
}

void TFormMain::SetupMain()
{
    bool ok = m_data && m_pdb;
    const QString language = GetLangID();
    ok = ok && m_data->OpenSession() && m_data->OpenSystem();
    if (ok && !m_championPassword.isEmpty()) {
        const bool granted = m_data->ChampionPasswordMatches(m_championPassword);
        m_championPassword.clear();
        if (granted) {
            app().setAppMode(AppContext::Champion);
            SetupAppMode();
        } else {
            MsgOK(QStringLiteral("The password for champion access is not correct. You work with standard access."));
        }
    }
    ok = ok && m_data->OpenLang();
    if (ok)
        SetLangApplication(language);
    ok = ok && m_data->OpenAddress() && m_data->OpenProjects() && m_data->OpenExternal() && m_data->OpenSpares()
         && m_pdb->OpenPDB(settings().databases().PDB);

    if (!ok) {
        if (m_data)
            m_data->CloseSession();
    } else {
        SetLangOther(language);
        m_panelEmptyWorkspace->setVisible(false);
        m_panelWorkspace->setVisible(true);
        repaint();
        m_projectTree->ViewFilter();
        m_projectTree->ViewSort(settings().project().Sorting);
        QString id = app().currentUserID();
        QString name = app().currentUserName();
        QString company = app().currentUserCompany();
        if (m_data->UsersFindFullName(id, name, company)
            || ExecuteUserInfo(*m_data, id, name, company, true)) {
            app().setCurrentUserID(id);
            app().setCurrentUserName(name);
            app().setCurrentUserCompany(company);
        }
        StatusSetSorting();
    }
    SetupTitle();
    SetupMenus();

    if (settings().isOpen()) {
        if (settings().file().readBool(QStringLiteral("TORVA"), QStringLiteral("DisplayAtStart"), true))
            OptionsTORVA();
        if (settings().file().readBool(QStringLiteral("DOV"), QStringLiteral("DisplayAtStart"), true))
            OptionsDOV();
    }
}

void TFormMain::CloseMain()
{
    m_panelWorkspace->setVisible(false);
    m_panelEmptyWorkspace->setVisible(true);
    repaint();
    if (m_data)
        m_data->CloseSession();
    SetupTitle();
    SetupMenus();
}

void TFormMain::SetupTitle()
{
    QString title = baseTitle();
    if (m_data && m_data->projectsConnected())
        title = QStringLiteral("%1 : [%2]").arg(baseTitle(), QDir::toNativeSeparators(m_data->projectsDirectory()));
    app().setApplicationTitle(title);
    setWindowTitle(title);
}

void TFormMain::SetupMenus()
{
    const bool connected = m_data && m_data->projectsConnected();
    for (const char* name : {"MenuProject", "MenuEdit", "MenuView", "MenuPrintout", "MenuOptions", "MenuHelp"})
        m_menus.value(QString::fromLatin1(name))->menuAction()->setVisible(connected);
    m_actions.value(QStringLiteral("QuickProd1"))->setVisible(connected);
    // The maintenance commands are for champion access only.
    m_menus.value(QStringLiteral("MenuTools"))
        ->menuAction()
        ->setVisible(connected && app().appMode() == AppContext::Champion);
    m_actions.value(QStringLiteral("MenuDBProjectEmpty"))->setEnabled(connected);
    m_actions.value(QStringLiteral("MenuDBProjectClose"))->setEnabled(connected);
    m_actions.value(QStringLiteral("MenuDB_3"))->setVisible(!connected);
    m_actions.value(QStringLiteral("MenuDBRepairTable"))->setEnabled(!connected);
    m_actions.value(QStringLiteral("MenuDBExit"))->setVisible(!connected);
    // Alt+X exits from whichever Exit item is on offer; two actions holding
    // the same shortcut would make it ambiguous.
    const QKeySequence exitKey(Qt::ALT | Qt::Key_X);
    m_actions.value(QStringLiteral("MenuProjectExit"))->setShortcut(connected ? exitKey : QKeySequence());
    m_actions.value(QStringLiteral("MenuDBExit"))->setShortcut(connected ? QKeySequence() : exitKey);
}

void TFormMain::SetupAppMode()
{
    const bool champion = app().appMode() == AppContext::Champion;
    for (const char* name : {"MenuDBProjectEmpty", "MenuDB_2", "MenuDBRepairTable"})
        m_actions.value(QString::fromLatin1(name))->setVisible(champion);
    m_menus.value(QStringLiteral("MenuTools"))
        ->menuAction()
        ->setVisible(champion && m_data && m_data->projectsConnected());
}

void TFormMain::ProjectExit()
{
    if (closeEmbeddedDocument())
        return;
    close();
}

bool TFormMain::closeEmbeddedDocument()
{
    // The embedded document viewer comes with the detail pages; until then
    // nothing is ever open in place.
    return false;
}

void TFormMain::OptionsTORVA() {}

void TFormMain::OptionsDOV() {}

bool TFormMain::FormCloseQuery()
{
    if (m_pageDetails->isVisible() && m_pageDetails->currentWidget() == m_tabs.value(QStringLiteral("TabPDB")))
        return TabPDBCheckUpdate();
    return true;
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TFormMain::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_data) {
        m_data->CloseSession();
        m_data->CleanupPrivateDir();
    }
    if (settings().isOpen()) {
        try {
            // The Databases group belongs to a logged-on session only.
            if (m_data)
                settings().SaveDatabaseSettings();
            settings().SaveSpecialSettings();
            settings().SaveProjectSettings();
            settings().SaveCurveSettings();
            settings().SaveSystemSettings();
        } catch (const SettingsError& e) {
            ShowPlainMessage(QStringLiteral("Could not save the settings:\n%1").arg(e.message()));
        }
        settings().close();
    }
    setProgressDisplay(nullptr);
}

bool TFormMain::workspaceVisible() const
{
    return !m_panelWorkspace->isHidden();
}

void TFormMain::StatusSetUser(const QString& text)
{
    m_statusPanels.at(1)->setText(text);
}

void TFormMain::StatusSetSorting()
{
    const QString& sorting = settings().project().Sorting;
    QString text;
    if (sorting.isEmpty())
        text = MsgText(QStringLiteral("35"));
    else if (sorting == QLatin1String("Name"))
        text = MsgText(QStringLiteral("36"));
    else if (sorting == QLatin1String("QuotCustName"))
        text = MsgText(QStringLiteral("37"));
    StatusSetSorting(text);
}

void TFormMain::StatusSetSorting(const QString& text)
{
    m_statusPanels.at(3)->setText(text);
}

void TFormMain::StatusSetFilter(const QString& text)
{
    m_statusPanels.at(5)->setText(text);
}

void TFormMain::StatusShowAction(const QString& text)
{
    m_panelProgress->setVisible(false);
    m_statusBar->setVisible(true);
    if (!m_busyCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_busyCursor = true;
    }
    m_statusBar->showMessage(text);
    m_statusBar->repaint();
}

void TFormMain::StatusHideAction()
{
    m_panelProgress->setVisible(false);
    m_statusBar->setVisible(true);
    m_statusBar->clearMessage();
    if (m_busyCursor) {
        QApplication::restoreOverrideCursor();
        m_busyCursor = false;
    }
}

void TFormMain::showProgress(const QString& text, int position)
{
    if (m_panelProgress->isHidden()) {
        m_statusBar->setVisible(false);
        m_panelProgress->setVisible(true);
        m_panelProgress->repaint();
    }
    if (m_lblProgress->text() != text) {
        m_lblProgress->setText(text);
        m_lblProgress->repaint();
    }
    m_progressBar->setValue(position);
    if (!m_busyCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_busyCursor = true;
    }
}

void TFormMain::hideProgress()
{
    m_panelProgress->setVisible(false);
    m_statusBar->setVisible(true);
    if (m_busyCursor) {
        QApplication::restoreOverrideCursor();
        m_busyCursor = false;
    }
}

} // namespace kiro

namespace kiro {

QString TFormMain::GetLangID() const
{
    const QString language = settings().system().Language;
    return language.isEmpty() ? QStringLiteral("UK") : language;
}

void TFormMain::TranslateAllForms()
{
    QList<QWidget*> forms;
    for (const QPointer<QWidget>& f : std::as_const(m_forms)) {
        if (f)
            forms.append(f);
    }
    for (int i = 0; i < forms.size(); ++i) {
        const int position = forms.size() > 1 ? i * 100 / (forms.size() - 1) : 100;
        ShowProgress(QStringLiteral("Translating application"), {}, position);
        TranslateForm(*forms.at(i));
    }
    HideProgress();
}

void TFormMain::SetLangApplication(const QString& language)
{
    SetHelpFile(language);
    if (m_data)
        m_data->SetLangSystem(language);
    TranslateAllForms();
    if (m_data) {
        const char* columns[] = {"TreeProjectProducts", "TreeProjectDocuments", "TreeProjectAccessories"};
        for (int i = 0; i < 3; ++i) {
            if (auto text = m_data->interfaceText(QStringLiteral("TableLangMain"), QString::fromLatin1(columns[i]));
                text && !text->isEmpty())
                m_folderCaptions[i] = *text;
        }
    }
    if (m_projectTree)
        m_projectTree->LanguageChanged();
    StatusSetSorting();
}

void TFormMain::SetLangOther(const QString& language)
{
    if (m_data)
        m_data->SetLangProject(language);
    if (m_quotationPage)
        m_quotationPage->setLanguage(language);
    if (m_pdb)
        m_pdb->SetActiveLanguage(language);
    SetHelpFile(language);
}

void TFormMain::OptionsLanguages()
{
    if (!m_data)
        return;
    const QString current = GetLangID();
    TDlgLang dialog(*m_data, current, this);
    TranslateForm(dialog);
    if (ExecDialog(dialog) == QDialog::Accepted && !dialog.chosen().isEmpty()) {
        settings().system().Language = dialog.chosen();
        const QString language = GetLangID();
        SetLangApplication(language);
        SetLangOther(language);
        return;
    }
    // Cancel: the tables go back to the language in use.
    for (const char* t : {"TableLangDialogs", "TableLangMain"}) {
        db::Dataset& table = m_data->table(QString::fromLatin1(t));
        if (table.isActive())
            table.locate(QStringLiteral("ID"), current, db::LocateOption::CaseInsensitive);
    }
}

void TFormMain::OptionsUserInfo()
{
    if (!m_data)
        return;
    QString id = app().currentUserID();
    QString name = app().currentUserName();
    QString company = app().currentUserCompany();
    if (ExecuteUserInfo(*m_data, id, name, company, false)) {
        app().setCurrentUserID(id);
        app().setCurrentUserName(name);
        app().setCurrentUserCompany(company);
    }
}

} // namespace kiro
