#pragma once

#include <QComboBox>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QHeaderView;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QStandardItemModel;

namespace kiro {

class ThmCheckListBox;

namespace pdb {
class PDBConfigurator;
}

// A row's drop-down list: tells before it drops down (the class look-ahead
// and leaving restored mode run then) and draws its closed field with the
// entry's colour and code column.
class TPDBComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TPDBComboBox(QWidget* parent = nullptr);

    // Item data roles of an entry.
    enum Role : int {
        RoleHasEntry = Qt::UserRole + 1, // false: "ERROR!"
        RoleCode,                        // the character of the code column
        RoleClass,                       // the class column's text
        RoleInvalid,                     // drawn in red
    };

    std::function<void()> beforePopup;
    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The contents of the configurator tab: the series list and the article
// number at the top, one row per code position (TORVA mark, label,
// information image, drop-down list or check list, class label, lock box)
// in a scroll box under a header, and the command buttons with the version
// line at the bottom.
//
// The rows are drawn from the configurator's row views; every control event
// is turned into an action of PDARavova, after which the whole tab is drawn
// again. What the buttons store, load or create is not here: the tab tells
// through its signals. Main thread only.
class TTabPDB : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRows = 16;
    static constexpr int kFixedColumn = 19;
    static constexpr int kInfoColumn = 16;
    static constexpr int kRowHeight = 21;
    static constexpr int kCheckItemHeight = 13;
    static constexpr int kMinValueColumn = 100;

    explicit TTabPDB(pdb::PDBConfigurator& configurator, QWidget* parent = nullptr);
    ~TTabPDB() override;

    pdb::PDBConfigurator& configurator() const { return m_cfg; }

    // Runs an action of the configurator and draws the tab again.
    void PDARavova(int action, int position = 0, bool live = false);
    // Draws every control from the configurator's state.
    void refresh();
    // Places the columns and rows.
    void PDBLayoutRows();
    void TabPDBEnableButtons();
    // Buttons disabled until an item has been loaded from an open database.
    void disableButtons();
    void showVersions(const QString& storedVersion, const QString& currentVersion, const QString& directory,
                      bool oldVersion);
    // The selection as text: one line per visible row, label, separator and
    // value (the ticked boxes joined by ", "); transposed on request.
    QString GetPDBInfo(QChar separator, bool transpose) const;
    // The pending-change state, as the configurator judges it.
    bool isModified() const;

    // The part list window's check box, set without running its handler.
    void setViewPartListChecked(bool checked);

    // The controls of a row (n = 1..16), for the window that hosts the tab.
    TPDBComboBox* comboSelection(int n) const { return m_rows[std::size_t(n - 1)].combo; }
    ThmCheckListBox* checkListBox(int n) const { return m_rows[std::size_t(n - 1)].checkList; }
    QCheckBox* lockBox(int n) const { return m_rows[std::size_t(n - 1)].lock; }
    QLabel* rowLabel(int n) const { return m_rows[std::size_t(n - 1)].label; }
    QLabel* infoImage(int n) const { return m_rows[std::size_t(n - 1)].image; }

signals:
    // "Update", "Accessories ...", and the TORVA-independent windows.
    void updateClicked();
    void undoClicked();
    void accessoriesClicked();
    void viewPartListToggled(bool checked);
    // A visible information image was double-clicked.
    void infoImageDoubleClicked(int n);
    // After every action and redraw.
    void refreshed(int action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        QLabel* torva = nullptr;
        QLabel* label = nullptr;
        QLabel* image = nullptr;
        TPDBComboBox* combo = nullptr;
        ThmCheckListBox* checkList = nullptr;
        QLabel* classLabel = nullptr;
        QCheckBox* lock = nullptr;
        QLabel* lockLabel = nullptr;
    };

    void buildTopBar();
    void buildSelectionArea();
    void buildBottom();
    void buildRow(int n);
    void fillSeriesList();
    void fillRow(int n);
    void fillCombo(int n);
    void fillCheckList(int n);

    void TabPDBSelectionProductsClick(int index);
    void TabPDBComboSelectionChange(int n);
    void TabPDBCheckBoxClick(int n);
    void TabPDBComboSelectionDropDown(int n);
    void TabPDBEditArtNrOnChange(const QString& text);
    void TabPDBEditArtNrNoDotsKeyPress();
    void TabPDBEditArtNrKeyPress();
    void TabPDBHeaderSectionResize(int section, int oldSize, int newSize);
    void TabPDBScrollBoxSelectionsResize();
    void copySelection(bool transpose);

    pdb::PDBConfigurator& m_cfg;
    std::array<Row, kRows> m_rows{};

    QComboBox* m_series = nullptr;
    QLineEdit* m_artNrNoDots = nullptr;
    QLineEdit* m_artNr = nullptr;
    QLabel* m_totClass = nullptr;
    QHeaderView* m_header = nullptr;
    QStandardItemModel* m_headerModel = nullptr;
    QScrollArea* m_scrollBox = nullptr;
    QWidget* m_scrollContents = nullptr;
    QWidget* m_panelTorva = nullptr;
    QWidget* m_panelLabels = nullptr;
    QWidget* m_panelInfo = nullptr;
    QWidget* m_panelSelection = nullptr;
    QWidget* m_panelClass = nullptr;
    QWidget* m_panelLocks = nullptr;
    QLabel* m_productPdbVer = nullptr;
    QLabel* m_pdbVer = nullptr;
    QLabel* m_pdbPath = nullptr;
    QLabel* m_oldVersion = nullptr;
    QPushButton* m_btnUpdate = nullptr;
    QPushButton* m_btnUndo = nullptr;
    QPushButton* m_btnClear = nullptr;
    QPushButton* m_btnClearAll = nullptr;
    QPushButton* m_btnGetUserDef = nullptr;
    QPushButton* m_btnSetUserDef = nullptr;
    QPushButton* m_btnGetFactDef = nullptr;
    QPushButton* m_btnAccessories = nullptr;
    QCheckBox* m_chkViewPartList = nullptr;

    int m_labelWidth = 200;
    bool m_layingOut = false;
    bool m_filling = false;
    bool m_buttonsAllowed = false;
};

// The pen picture of a value whose code is "X" (a description the user typed).
const QPixmap& PDBPenPixmap();
// The information image of a row.
const QPixmap& PDBInfoPixmap();

} // namespace kiro
