#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace kiro {

class ThmHeaderCheckListBox;

namespace pdb {
class PDBConfigurator;
}

// The part list of the configured code, with the comments of the code
// below it. As a form it only shows the list (kept on top, not modal, every
// item disabled); as a dialog it lets the user pick one part of every type
// that has several (the radio buttons) and confirms with OK, which is
// enabled only while every type with items has one ticked.
//
// It shows the configurator's part list model and writes the user's choice
// back into it. Main thread only.
class TFormPartList : public QDialog {
    Q_OBJECT
public:
    explicit TFormPartList(QWidget* parent = nullptr);
    ~TFormPartList() override;

    void setConfigurator(pdb::PDBConfigurator* configurator);
    pdb::PDBConfigurator* configurator() const { return m_cfg; }

    void ShowAsForm();
    // Kind 1: choices to make; 2 or 3: required parts are missing. True when
    // the user confirmed.
    bool ShowAsDialog(int kind);
    bool dialogMode() const { return m_dialogMode; }
    // The list and the comments from the model.
    void refreshFromModel();
    bool SelectionOK() const;
    void EnableButtons();

    ThmHeaderCheckListBox* listBox() const { return m_list; }
    QString infoText() const;

signals:
    // The form was closed by the user (not by ShowAsDialog).
    void formClosed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void setCommandPanelVisible(bool visible);

    pdb::PDBConfigurator* m_cfg = nullptr;
    ThmHeaderCheckListBox* m_list = nullptr;
    QPlainTextEdit* m_comments = nullptr;
    QWidget* m_commandPanel = nullptr;
    QLabel* m_info = nullptr;
    QPushButton* m_ok = nullptr;
    bool m_dialogMode = false;
    bool m_switching = false;
};

} // namespace kiro
