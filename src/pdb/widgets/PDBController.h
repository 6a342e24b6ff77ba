#pragma once

#include "pdb/Store.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QTreeWidgetItem;

namespace kiro {

class TFormMain;
class TFormPartList;
class TTabPDB;
class TdlgPDBSelInfo;

namespace pdb {
class PDBConfigurator;
}

// The configurator inside the main window: it owns the configurator state
// and its store, puts the tab into the window's "PDB" page, and is the
// store's host: the tree, the tab and the dialogs the store needs in the
// middle of its steps. The part list and selection information windows are
// the program's own (created at start); when there are none, it makes them.
// Main thread only.
class TPDBController : public QObject, public pdb::PDBStoreHost {
    Q_OBJECT
public:
    TPDBController(TFormMain& main, TFormData& data, TFormDataPDB& dataPDB);
    ~TPDBController() override;

    pdb::PDBConfigurator& configurator() const { return *m_cfg; }
    pdb::PDBStore& store() const { return *m_store; }
    TTabPDB* tab() const { return m_tab; }
    TFormPartList* partListWindow();
    TdlgPDBSelInfo* selectionInfoWindow();

    // What the window's handlers call.
    bool TabPDBCheckUpdate();
    void InitPDBTab(bool accessory);
    void ResetPDBTab();
    void OptionsPDB();
    void ProjectNewProductPDB();
    void ProjectNewAccPDB();
    void ProjectNewProductExtComplex();
    void QuickProd1Click();
    void TabPDBBtnAccessoriesClick();
    void TabPDBBtnUpdateClick();
    void TabPDBBtnUndoClick();

    // --- PDBStoreHost
    int selectedNodeKind() const override;
    void showPDBTab() override;
    void showVersions(const QString& storedVersion, const QString& currentVersion, const QString& directory,
                      bool oldVersion) override;
    void enableButtons() override;
    void repaint() override;
    bool showPartListDialog(int state) override;
    std::optional<QString> inputText(const QString& prompt, const QString& value) override;
    void productNodeStored(bool valid, bool torva) override;
    void accessoryNodeStored(bool valid) override;
    bool hasProductsGroup() const override;
    bool hasAccessoriesGroup() const override;
    void productCreated(const QString& productID) override;
    void accessoryCreated(const QString& accessoryID) override;
    std::optional<QList<int>> chooseAccessories(const QStringList& texts) override;
    void rememberSelection() override;
    void restoreSelection() override;

private:
    QTreeWidgetItem* selectedNode() const;
    bool tabActive() const;
    // The windows that follow the configurator after every action.
    void followState();
    void ViewPartList(bool checked);
    void TabPDBImgDblClick(int n);

    TFormMain& m_main;
    TFormData& m_data;
    TFormDataPDB& m_dataPDB;
    std::unique_ptr<pdb::PDBConfigurator> m_cfg;
    std::unique_ptr<pdb::PDBStore> m_store;
    TTabPDB* m_tab = nullptr;
    QPointer<TFormPartList> m_partList;
    QPointer<TdlgPDBSelInfo> m_selInfo;
    QString m_rememberedID;
    int m_rememberedNodeKind = 0;
};

} // namespace kiro
