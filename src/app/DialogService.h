#pragma once

#include "app/core/Interaction.h"

class QDialog;

namespace kiro {

// The real interaction service of the program: message boxes are TDlgMsg,
// plain notices a QMessageBox, file choices the desktop's file dialog.
// Every modal dialog of the program is run through execDialog(), which is
// the one place tests replace to answer dialogs by script.
class DialogService : public Interaction {
public:
    int showMessage(const MessageRequest& request) override;
    void showPlainMessage(const QString& text) override;
    QStringList chooseFiles(const FileRequest& request) override;

    // Runs a modal dialog and returns its result code.
    virtual int execDialog(QDialog& dialog);
};

// Runs a modal dialog through the installed service (a plain exec() when the
// installed service has no widgets).
int ExecDialog(QDialog& dialog);

} // namespace kiro
