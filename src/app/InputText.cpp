#include "app/InputText.h"

#include "app/DialogService.h"
#include "app/Translate.h"
#include "app/core/AppContext.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kiro {

namespace {

QDialogButtonBox* okCancel(QDialog& dialog)
{
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BtnOK"));
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BtnCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

} // namespace

bool InputText(const QString& prompt, QString& value)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("DlgInput"));
    dialog.setWindowTitle(app().applicationTitle());
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QPlainTextEdit(prompt, &dialog);
    text->setObjectName(QStringLiteral("Prompt"));
    text->setReadOnly(true);
    text->setFrameShape(QFrame::NoFrame);
    text->setFocusPolicy(Qt::NoFocus);
    text->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    text->setFixedHeight(text->fontMetrics().lineSpacing() * 3 + 8);
    auto* edit = new QLineEdit(value, &dialog);
    edit->setObjectName(QStringLiteral("Input"));
    edit->setMinimumWidth(320);
    layout->addWidget(text);
    layout->addWidget(edit);
    QDialogButtonBox* buttons = okCancel(dialog);
    QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
    help->setObjectName(QStringLiteral("BtnHelp"));
    QObject::connect(help, &QPushButton::clicked, &dialog, [] { OpenHelp(); });
    layout->addWidget(buttons);
    TranslateForm(dialog);
    edit->selectAll();
    edit->setFocus();
    if (ExecDialog(dialog) != QDialog::Accepted)
        return false;
    value = edit->text();
    return true;
}

bool ChooseItem(const QString& caption, const QString& prompt, const QStringList& items, QString& chosen)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("DlgChooseItem"));
    dialog.setWindowTitle(caption);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(prompt, &dialog);
    label->setObjectName(QStringLiteral("DlgChooseItemPrompt"));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("DlgChooseItemList"));
    list->addItems(items);
    const int current = items.indexOf(chosen);
    list->setCurrentRow(current >= 0 ? current : 0);
    layout->addWidget(label);
    layout->addWidget(list);
    QDialogButtonBox* buttons = okCancel(dialog);
    layout->addWidget(buttons);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    TranslateForm(dialog);
    if (ExecDialog(dialog) != QDialog::Accepted || !list->currentItem())
        return false;
    chosen = list->currentItem()->text();
    return true;
}

} // namespace kiro
