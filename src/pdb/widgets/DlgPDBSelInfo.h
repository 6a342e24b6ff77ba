#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace kiro {

class TTabPDB;

// The information texts of the configuration: for every row that has any,
// the row's label upper-cased and its texts. A window kept on top of the
// main window, shown without blocking it and refreshed after every action
// while it is visible. Main thread only.
class TdlgPDBSelInfo : public QDialog {
    Q_OBJECT
public:
    explicit TdlgPDBSelInfo(QWidget* parent = nullptr);

    // Where the rows come from; null: nothing to show.
    void setTab(TTabPDB* tab) { m_tab = tab; }
    void UpdateInfoList();
    QString infoText() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TTabPDB* m_tab = nullptr;
    QPlainTextEdit* m_memo = nullptr;
    QPushButton* m_print = nullptr;
};

} // namespace kiro
