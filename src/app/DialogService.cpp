#include "app/DialogService.h"

#include "app/Msg.h"
#include "app/Translate.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace kiro {

int DialogService::showMessage(const MessageRequest& request)
{
    QWidget* owner = QApplication::activeWindow();
    TDlgMsg dialog(owner);
    dialog.setup(owner ? owner->windowTitle() : QString(), request.text, request.buttons, request.defaultCode);
    // The key the caller named, for whoever needs to know which message this is.
    dialog.setProperty("messageKey", request.key);
    TranslateForm(dialog);
    return execDialog(dialog);
}

void DialogService::showPlainMessage(const QString& text)
{
    QWidget* owner = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Information, owner ? owner->windowTitle() : QApplication::applicationName(),
                    text, QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("PlainMessage"));
    execDialog(box);
}

QStringList DialogService::chooseFiles(const FileRequest& request)
{
    QFileDialog dialog(QApplication::activeWindow(), request.caption, request.directory, request.filter);
    dialog.setObjectName(QStringLiteral("FileDialog"));
    switch (request.kind) {
    case FileRequest::Kind::OpenFile:
        dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        break;
    case FileRequest::Kind::OpenFiles:
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        break;
    case FileRequest::Kind::SaveFile:
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        break;
    case FileRequest::Kind::Directory:
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        break;
    }
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (execDialog(dialog) != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

int DialogService::execDialog(QDialog& dialog)
{
    return dialog.exec();
}

int ExecDialog(QDialog& dialog)
{
    if (auto* service = dynamic_cast<DialogService*>(&interaction()))
        return service->execDialog(dialog);
    return dialog.exec();
}

} // namespace kiro
