#include "dialogs/SelDir.h"

#include "app/DialogService.h"
#include "app/InputText.h"
#include "app/Translate.h"
#include "app/core/AppContext.h"
#include "app/core/Messages.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace kiro {

TDlgSelDir::TDlgSelDir(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgSelDir"));
    setWindowTitle(QStringLiteral("Select directory"));
    resize(460, 420);

    auto* layout = new QVBoxLayout(this);
    auto* pathLabel = new QLabel(QStringLiteral("&Directory"), this);
    pathLabel->setObjectName(QStringLiteral("DlgSelDirLblPath"));
    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("DlgSelDirPath"));
    pathLabel->setBuddy(m_path);
    layout->addWidget(pathLabel);
    layout->addWidget(m_path);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QStringLiteral("/"));
    m_model->setReadOnly(true);
    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("DlgSelDirTree"));
    m_tree->setModel(m_model);
    for (int c = 1; c < m_model->columnCount(); ++c)
        m_tree->hideColumn(c);
    m_tree->header()->hide();
    layout->addWidget(m_tree, 1);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    m_path->setText(QDir::toNativeSeparators(m_model->filePath(current)));
            });
    connect(m_path, &QLineEdit::returnPressed, this, [this] {
        if (QDir(m_path->text()).exists())
            listDirectory(m_path->text());
    });

    auto* buttons = new QHBoxLayout;
    m_new = new QPushButton(QStringLiteral("&New ..."), this);
    m_new->setObjectName(QStringLiteral("BtnNew"));
    m_new->setAutoDefault(false);
    connect(m_new, &QPushButton::clicked, this, &TDlgSelDir::newSubdirectory);
    buttons->addWidget(m_new);
    buttons->addStretch(1);
    auto* box = new QDialogButtonBox(this);
    box->addButton(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BtnOK"));
    box->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BtnCancel"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    buttons->addWidget(box);
    layout->addLayout(buttons);
}

void TDlgSelDir::setAllowNew(bool allow)
{
    m_new->setVisible(allow);
}

void TDlgSelDir::listDirectory(const QString& path)
{
    const QString absolute = QDir(path).absolutePath();
    const QModelIndex index = m_model->index(absolute);
    m_path->setText(QDir::toNativeSeparators(absolute));
    if (index.isValid()) {
        m_tree->setCurrentIndex(index);
        m_tree->scrollTo(index);
        m_tree->expand(index);
    }
}

QString TDlgSelDir::directory() const
{
    return AppContext::withSlash(QDir::fromNativeSeparators(m_path->text()));
}

void TDlgSelDir::newSubdirectory()
{
    QString name;
    if (!InputText(MsgText(QStringLiteral("Enter a new subdirectory")), name))
        return;
    name = name.trimmed();
    QDir parent(directory());
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || !parent.mkdir(name)) {
        ShowPlainMessage(QStringLiteral("Could not create directory!"));
        return;
    }
    listDirectory(parent.absoluteFilePath(name));
}

void TDlgSelDir::accept()
{
    if (!QDir(directory()).exists()) {
        MsgOK(QStringLiteral("Could not find directory: %s!"), {m_path->text()});
        return;
    }
    QDialog::accept();
}

bool ExecuteSelDir(QString& path, bool allowNew)
{
    TDlgSelDir dialog(QApplication::activeWindow());
    TranslateForm(dialog);
    dialog.setAllowNew(allowNew);
    if (!path.isEmpty() && QDir(path).exists()) {
        dialog.listDirectory(path);
    } else {
        MsgOK(QStringLiteral("Could not find directory: %s!"), {QDir::toNativeSeparators(path)});
        dialog.listDirectory(app().exeDir());
    }
    if (ExecDialog(dialog) != QDialog::Accepted)
        return false;
    path = dialog.directory();
    return true;
}

} // namespace kiro
