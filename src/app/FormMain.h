#pragma once

#include "app/core/Progress.h"
#include "tree/TreeHost.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QPdfDocument;
class QPdfView;

namespace kiro {

class TFormData;
class TFormDataPDB;
class LanguageSource;
class OfficePreview;
class TProjectTree;
class ThmTreeView;
class TQuotationPage;
class TDetailedPricePage;

// The main window: project tree, detail pages, menus and the status bar.
// It owns the order of the program's life: settings at creation, the
// deferred opening of the databases after it is first shown, and the
// orderly shutdown. Main thread only.
class TFormMain : public QMainWindow, public ProgressDisplay, public TreeHost {
    Q_OBJECT
public:
    static constexpr int SetupMessage = 1000 + 101; // offset of the deferred set-up event

    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // The data modules exist only after a successful logon; the window
    // works without them until then.
    void attachDataModules(TFormData* data, TFormDataPDB* pdb);

    void FormCreate();
    void SetupMain();
    void CloseMain();
    void SetupTitle();
    void SetupMenus();
    void SetupAppMode();
    void ProjectExit();

    // Language (the interface follows the chosen language everywhere).
    QString GetLangID() const;
    void SetLangApplication(const QString& language);
    void SetLangOther(const QString& language);
    void TranslateAllForms();
    void OptionsLanguages();
    // The windows translated with the main window, in creation order.
    void registerForm(QWidget* form);
    // Captions of the tree's folder nodes: products, documents, accessories.
    const QStringList& folderCaptions() const { return m_folderCaptions; }

    // Users.
    void OptionsUserInfo();
    // The password typed at logon; checked against the system database
    // when it is open, then forgotten.
    void setChampionPassword(const QString& password) { m_championPassword = password; }

    // The Database menu.
    void DatabaseDirectories();
    void DatabaseProjectSelect();
    void DatabaseProjectNew();
    void DatabaseProjectEmpty();
    void DatabaseProjectClose();
    void DatabaseRepair();

    // Status bar (also what the tree reports through TreeHost).
    void StatusSetUser(const QString& text);
    void StatusSetSorting();
    void StatusSetSorting(const QString& text) override;
    void StatusSetFilter(const QString& text) override;
    void StatusShowAction(const QString& text) override;
    void StatusHideAction() override;
    void HideDetailPages() override;

    // --- detail tabs and the selection -------------------------------------
    // Which set of tabs is on screen: 0 none yet, 1 project, 2 product, 3
    // external or spare product, 5 accessory, 6 external or spare accessory,
    // 7 Products group, 8 Accessories group, 9 project Documents group, 10
    // product Documents group, 11 project document, 12 product document.
    int ViewKind() const { return m_viewKind; }
    void TreeProjectChange(QTreeWidgetItem* node);
    bool TreeProjectChanging(QTreeWidgetItem* to);
    bool PageDetailsChanging(QWidget* leaving);
    void PageDetailsChange();
    void HideAllTabs();
    void showTab(const QString& name);
    void setTabShown(const QString& name, bool shown);
    void restoreActiveOr(const QString& fallback);
    bool tabShown(const QString& name) const;
    void activateTab(const QString& name);
    QString activeTabName() const;

    void ViewProject(QTreeWidgetItem* node);
    void ViewProductList();
    void ViewProduct();
    void ViewProdExt();
    void ViewAccessoryList();
    void ViewAccessory();
    void ViewAccExt();
    void ViewProjDocList();
    void ViewProdDocList();
    void ViewDoc(const QString& file);
    void ViewDOV(const QString& name);
    void SelectActiveTab() {}

    void SyncProjectRecord(QTreeWidgetItem* node);
    void SyncProductRecord(QTreeWidgetItem* node);
    void SyncAccessoryRecord(QTreeWidgetItem* node);
    void SyncDocumentRecord(QTreeWidgetItem* node);
    void SyncProdDocRecord(QTreeWidgetItem* node);

    bool TabTechDataCheckUpdate();
    void FillOverview();
    // What the "nothing" viewer says, and which document the viewers show.
    QString viewerNothingText() const;
    QString viewedDocument() const { return m_viewedDocument; }
    // Opens the previewed office document in its own application.
    void ViewerOLEOpen();

    // --- menus and commands -----------------------------------------------
    void MenuProjectEnable();
    void MenuEditEnable();
    void MenuPrintoutEnable();
    void PopupTreePopup();
    void EditUndo();
    void EditCut();
    void EditCopy();
    void EditCopyText();
    void EditPaste();
    void EditDelete();
    void EditSelAll();
    // The edit requests sent to a focused control other than the tree.
    enum class EditRequest { Undo, Cut, Copy, Paste, SelectAll };
    void sendEditRequest(EditRequest request);
    // Transfer files of tree items (FormMainTransfer.cpp): the file of a
    // project, product or accessory node (empty when none could be
    // written), and a file inserted below a node, giving the new node.
    QString CreateKIROFileOf(QTreeWidgetItem* node);
    QTreeWidgetItem* InsertDocumentAt(QTreeWidgetItem* target, const QString& file, bool ask);
    // Whether the tree is the control the edit commands act on.
    bool treeIsActiveControl() const;
    // Whether the clipboard offers transfer files of this program.
    static bool clipboardHasTransferFiles();

    // Item commands (each belongs to the item, order, link or configurator
    // functions that carry it out).
    void ProjectNewProject();
    void ProjectNewProductPDB();
    void ProjectNewAccPDB();
    void ProjectNewAccExtSimple();
    void ProjectNewAccSpare();
    void ProjectNewProductTORVA();
    void ProjectEditProductTORVA();
    void ProjectNewProductExtSimple();
    void ProjectNewProductExtComplex();
    void ProjectNewProductSpare();
    void ProjectAddDocument();
    void ProjectNewRevision();
    void ProjectCustomerOrder();
    void ProjectPurchaseOrder();
    void ProjectRenameItem();
    void ProjectSearch();
    void ProjectSendAsEmail();
    void ProjectSendPurchaseOrder();
    void ProjectDisplayItemNumbers();
    void DeleteSelectedItem();
    // Deletes the item of a node (asking first when confirm is set) and
    // gives the node selected afterwards.
    QTreeWidgetItem* DeleteItem(QTreeWidgetItem* node, bool confirm);
    // One press of the search dialog's find button; true when found.
    bool DlgSearchFind(const QString& text, bool matchCase, bool wholeWord);
    void QuickProd1Click();

    // --- the configurator in the window (FormMainPDB.cpp) -------------------
    // Whether the configurator's pending change may be left (asks first).
    bool TabPDBCheckUpdate();
    // The configurator tab shows the selected product or accessory.
    void InitPDBTab(bool accessory);
    // The node changed: the configurator forgets its working state.
    void ResetPDBTab();
    void OptionsPDB();
    // Builds the configurator tab's contents (once the data modules exist).
    void buildPDBTab();
    // The configurator's state, store and tab; null before buildPDBTab.
    class TPDBController* pdbController() const;

    // ProgressDisplay.
    void showProgress(const QString& text, int position) override;
    void hideProgress() override;

    // Named parts of the window, for the code that fills them.
    QAction* action(const QString& name) const { return m_actions.value(name); }
    QMenu* menu(const QString& name) const { return m_menus.value(name); }
    QTabWidget* pageDetails() const { return m_pageDetails; }
    ThmTreeView* treeProject() const { return m_treeProject; }
    TProjectTree* projectTree() const { return m_projectTree.get(); }
    QToolBar* toolBar() const { return m_toolBar; }
    QMenu* popupTree() const { return m_popupTree; }
    QWidget* tabSheet(const QString& name) const { return m_tabs.value(name); }

    bool workspaceVisible() const;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildProjectMenu();
    void buildEditMenu();
    void buildPrintoutMenu();
    void buildToolsMenu();
    void buildPopupTree();
    void buildToolBar();
    void buildWorkspace();
    void buildViewers();
    void buildPages();
    void connectTree();
    void selectNodeOfKind(int kind, const QString& id);
    void showNothingViewer(const QString& path);
    void showPdf(const QString& path, const QString& tab);
    bool hasProjects() const;
    QTreeWidgetItem* selectedNode() const;
    void commandComesLater(const QString& what);
    bool copySelectedToClipboard();
    void buildBottomPanel();
    QAction* addAction(QMenu* menu, const QString& name, const QString& caption);
    QMenu* addMenu(const QString& name, const QString& caption);

    void FormShow();
    bool FormCloseQuery();
    void FormClose();

    // The tree and the options that later parts of the program fill in.
    bool closeEmbeddedDocument();
    void OptionsTORVA();
    void OptionsDOV();

    TFormData* m_data = nullptr;
    TFormDataPDB* m_pdb = nullptr;
    std::unique_ptr<LanguageSource> m_languageSource;
    QList<QPointer<QWidget>> m_forms;
    QStringList m_folderCaptions;
    QString m_championPassword;
    bool m_shownOnce = false;
    bool m_closed = false;

    QHash<QString, QAction*> m_actions;
    QHash<QString, QMenu*> m_menus;
    QHash<QString, QWidget*> m_tabs;

    QWidget* m_panelEmptyWorkspace = nullptr;
    QWidget* m_panelWorkspace = nullptr;
    QToolBar* m_toolBar = nullptr;
    ThmTreeView* m_treeProject = nullptr;
    std::unique_ptr<TProjectTree> m_projectTree;
    QMenu* m_popupTree = nullptr;
    int m_viewKind = 0;
    bool m_suspendChangeCheck = false;
    QString m_activeBeforeView;
    QPointer<QDialog> m_searchDialog;
    QWidget* m_lastPage = nullptr;
    bool m_revertingPage = false;
    QString m_viewedDocument;
    QLabel* m_viewerNothing = nullptr;
    QLabel* m_viewPictImage = nullptr;
    QPdfView* m_viewerPdf = nullptr; // created on first use
    QPdfDocument* m_pdfDocument = nullptr;
    QPdfView* m_viewerOle = nullptr;
    QPdfDocument* m_oleDocument = nullptr;
    QLabel* m_oleStatus = nullptr;
    OfficePreview* m_officePreview = nullptr;
    QTreeWidget* m_overviewGrid = nullptr;
    TQuotationPage* m_quotationPage = nullptr;
    TDetailedPricePage* m_detailedPricePage = nullptr;
    QSplitter* m_splitter = nullptr;
    QTabWidget* m_pageDetails = nullptr;
    QWidget* m_panelProgress = nullptr;
    QLabel* m_lblProgress = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QList<QLabel*> m_statusPanels;
    bool m_busyCursor = false;
};

} // namespace kiro
