#include "dialogs/CopyFiles.h"

#include "app/DialogService.h"
#include "app/Translate.h"
#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "dialogs/SelDir.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace kiro {

TDlgCopyFiles::TDlgCopyFiles(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgCopyFiles"));
    setWindowTitle(QStringLiteral("Copy files"));
    resize(520, 0);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto addRow = [&](int row, const char* name, const char* caption, bool allowNew) {
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setObjectName(QStringLiteral("DlgCopyFilesLbl") + QString::fromLatin1(name));
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("DlgCopyFilesEdit") + QString::fromLatin1(name));
        label->setBuddy(edit);
        auto* browse = new QToolButton(this);
        browse->setObjectName(QStringLiteral("DlgCopyFilesBrowse") + QString::fromLatin1(name));
        browse->setText(QStringLiteral("..."));
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(browse, row, 2);
        connect(browse, &QToolButton::clicked, this, [edit, allowNew] {
            QString path = QDir::fromNativeSeparators(edit->text());
            // A source that is gone starts the search in the start directory.
            if (!allowNew && !QDir(path).exists())
                path = app().workDir();
            if (ExecuteSelDir(path, allowNew))
                edit->setText(QDir::toNativeSeparators(path));
        });
        return edit;
    };
    m_source = addRow(0, "Source", "&Source path", false);
    m_destination = addRow(1, "Destination", "&Destination path", true);

    auto* box = new QDialogButtonBox(this);
    box->addButton(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BtnOK"));
    box->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BtnCancel"));
    connect(box, &QDialogButtonBox::accepted, this, &TDlgCopyFiles::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);
}

TDlgCopyFiles::Result TDlgCopyFiles::copyFiles(const QString& source, const QString& destination, QString* error)
{
    QDir from(source);
    if (!from.exists() || !QDir().mkpath(destination)) {
        if (error)
            *error = QStringLiteral("The folder '%1' cannot be used.").arg(from.exists() ? destination : source);
        return Result::Failed;
    }
    const QStringList files = from.entryList(QDir::Files | QDir::Hidden);
    QDir to(destination);
    if (from.canonicalPath() == to.canonicalPath())
        return Result::Copied; // nothing to do: a file copied onto itself would be lost
    QProgressDialog progress(QApplication::activeWindow());
    progress.setObjectName(QStringLiteral("DlgCopyFilesProgress"));
    progress.setWindowTitle(QStringLiteral("Copy files"));
    progress.setRange(0, int(files.size()));
    progress.setMinimumDuration(500);
    for (int i = 0; i < files.size(); ++i) {
        progress.setValue(i);
        progress.setLabelText(files.at(i));
        if (progress.wasCanceled())
            return Result::Aborted;
        const QString target = to.absoluteFilePath(files.at(i));
        // Copy beside the target first, so that a failed copy never costs
        // the file that was there.
        const QString partial = target + QStringLiteral(".part");
        QFile::remove(partial);
        if (!QFile::copy(from.absoluteFilePath(files.at(i)), partial)
            || (QFile::exists(target) && !QFile::remove(target)) || !QFile::rename(partial, target)) {
            QFile::remove(partial);
            if (error)
                *error = target;
            return Result::Failed;
        }
    }
    progress.setValue(int(files.size()));
    return Result::Copied;
}

void TDlgCopyFiles::accept()
{
    const QString source = QDir::fromNativeSeparators(m_source->text().trimmed());
    const QString destination = QDir::fromNativeSeparators(m_destination->text().trimmed());
    switch (copyFiles(source, destination)) {
    case Result::Copied:
        ShowPlainMessage(QStringLiteral("All files are copied!"));
        QDialog::accept();
        break;
    case Result::Aborted:
        ShowPlainMessage(QStringLiteral("File copy operation aborted!"));
        break;
    case Result::Failed:
        ShowPlainMessage(QStringLiteral("File copy operation failed!"));
        break;
    }
}

bool ExecuteCopyFiles(QString& source, QString& destination, bool focusOnSource)
{
    TDlgCopyFiles dialog(QApplication::activeWindow());
    TranslateForm(dialog);
    dialog.sourceEdit()->setText(QDir::toNativeSeparators(source));
    dialog.destinationEdit()->setText(QDir::toNativeSeparators(destination));
    (focusOnSource ? dialog.sourceEdit() : dialog.destinationEdit())->setFocus();
    const bool ok = ExecDialog(dialog) == QDialog::Accepted;
    source = AppContext::withSlash(QDir::fromNativeSeparators(dialog.sourceEdit()->text().trimmed()));
    destination = AppContext::withSlash(QDir::fromNativeSeparators(dialog.destinationEdit()->text().trimmed()));
    return ok;
}

} // namespace kiro
