#pragma once

#include "app/core/Progress.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QTreeWidget;

namespace kiro {

class TFormData;
class TFormDataPDB;
class LanguageSource;

// The main window: project tree, detail pages, menus and the status bar.
// It owns the order of the program's life: settings at creation, the
// deferred opening of the databases after it is first shown, and the
// orderly shutdown. Main thread only.
class TFormMain : public QMainWindow, public ProgressDisplay {
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

    // Status bar.
    void StatusSetUser(const QString& text);
    void StatusSetSorting();
    void StatusSetFilter(const QString& text);
    void StatusShowAction(const QString& text);
    void StatusHideAction();

    // ProgressDisplay.
    void showProgress(const QString& text, int position) override;
    void hideProgress() override;

    // Named parts of the window, for the code that fills them.
    QAction* action(const QString& name) const { return m_actions.value(name); }
    QMenu* menu(const QString& name) const { return m_menus.value(name); }
    QTabWidget* pageDetails() const { return m_pageDetails; }
    QTreeWidget* treeProject() const { return m_treeProject; }
    QWidget* tabSheet(const QString& name) const { return m_tabs.value(name); }

    bool workspaceVisible() const;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildWorkspace();
    void buildBottomPanel();
    QAction* addAction(QMenu* menu, const QString& name, const QString& caption);
    QMenu* addMenu(const QString& name, const QString& caption);

    void FormShow();
    bool FormCloseQuery();
    void FormClose();

    // The tree and the options that later parts of the program fill in.
    void ViewFilter();
    void ViewSort(const QString& names);
    bool TabPDBCheckUpdate();
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
    QTreeWidget* m_treeProject = nullptr;
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
