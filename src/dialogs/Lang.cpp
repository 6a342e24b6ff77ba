#include "dialogs/Lang.h"

#include "app/Translate.h"
#include "data/FormData.h"
#include "db/Dataset.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kiro {

TDlgLang::TDlgLang(TFormData& data, const QString& current, QWidget* parent)
    : QDialog(parent)
    , m_data(data)
{
    setObjectName(QStringLiteral("DlgLang"));
    setWindowTitle(QStringLiteral("Options - Language"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("&Language"), this);
    label->setObjectName(QStringLiteral("DlgLangLblLanguage"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("DlgLangList"));
    label->setBuddy(m_list);
    layout->addWidget(label);
    layout->addWidget(m_list);

    // One entry per row of the main interface table: adding a language is
    // adding a row there, nothing else.
    db::Dataset& main = data.table(QStringLiteral("TableLangMain"));
    if (main.isActive()) {
        const int id = main.fieldByName(QStringLiteral("ID")).index();
        const int name = main.fieldByName(QStringLiteral("Language")).index();
        for (int r = 0; r < main.recordCount(); ++r) {
            auto* item = new QListWidgetItem(main.rowValue(r, name).toString(), m_list);
            item->setData(Qt::UserRole, main.rowValue(r, id).toString());
            if (main.rowValue(r, id).toString().compare(current, Qt::CaseInsensitive) == 0)
                m_list->setCurrentItem(item);
        }
    }
    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item)
            preview(item->data(Qt::UserRole).toString());
    });

    auto* box = new QDialogButtonBox(this);
    box->addButton(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BtnOK"));
    box->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BtnCancel"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);
}

QString TDlgLang::chosen() const
{
    return m_list->currentItem() ? m_list->currentItem()->data(Qt::UserRole).toString() : QString();
}

void TDlgLang::preview(const QString& language)
{
    for (const char* t : {"TableLangDialogs", "TableLangMain"}) {
        db::Dataset& table = m_data.table(QString::fromLatin1(t));
        if (table.isActive())
            table.locate(QStringLiteral("ID"), language, db::LocateOption::CaseInsensitive);
    }
    TranslateForm(*this);
}

} // namespace kiro
