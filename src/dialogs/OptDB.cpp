#include "dialogs/OptDB.h"

#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "dialogs/SelDir.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace kiro {

namespace {

// The fields in the order the dialog shows and checks them; the key is
// the settings key.
struct PathField {
    const char* key;
    const char* caption;
};
constexpr PathField PathFields[] = {
    {"Projects", "&Projects"},
    {"PDB", "P&DB"},
    {"Address", "&Addresses"},
    {"ExtProds", "Simple e&xternal products"},
    {"ExtComplex", "&Complex external products"},
    {"Spares", "Spa&res"},
    {"System", "S&ystem tables"},
    {"Language", "&Language tables"},
    {"NetDir", "Lock director&y"},
};

QString displayPath(const QString& dir)
{
    return QDir::toNativeSeparators(dir);
}

} // namespace

TDlgOptDB::TDlgOptDB(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgOptDB"));
    setWindowTitle(QStringLiteral("Options - Databases"));
    resize(560, 0);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    for (const PathField& f : PathFields)
        addPath(QString::fromLatin1(f.key), QString::fromLatin1(f.caption));
    addPath(QStringLiteral("Private"), QStringLiteral("Pri&vate directory"), false);
    m_fields.value(QStringLiteral("Private"))->setReadOnly(true);

    m_same = new QCheckBox(QStringLiteral("&Use same directory as projects"), this);
    m_same->setObjectName(QStringLiteral("DlgOptDBSameAsProjects"));
    layout->addWidget(m_same);
    connect(m_same, &QCheckBox::clicked, this, &TDlgOptDB::followProjects);
    // The lock directory follows the project directory while the box is
    // ticked; the spares field is watched too, as it always was.
    connect(m_fields.value(QStringLiteral("Projects")), &QLineEdit::textChanged, this, &TDlgOptDB::followProjects);
    connect(m_fields.value(QStringLiteral("Spares")), &QLineEdit::textChanged, this, &TDlgOptDB::followProjects);

    auto* box = new QDialogButtonBox(this);
    box->addButton(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BtnOK"));
    box->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BtnCancel"));
    connect(box, &QDialogButtonBox::accepted, this, &TDlgOptDB::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);
}

void TDlgOptDB::addPath(const QString& key, const QString& caption, bool browse)
{
    auto* grid = static_cast<QGridLayout*>(static_cast<QVBoxLayout*>(layout())->itemAt(0)->layout());
    const int row = grid->rowCount();
    auto* label = new QLabel(caption, this);
    label->setObjectName(QStringLiteral("DlgOptDBLbl") + key);
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("DlgOptDBEdit") + key);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    m_fields.insert(key, edit);
    if (browse) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("DlgOptDBBrowse") + key);
        button->setText(QStringLiteral("..."));
        button->setToolTip(QStringLiteral("Browse"));
        grid->addWidget(button, row, 2);
        m_browse.insert(key, button);
        connect(button, &QToolButton::clicked, this, [this, edit] {
            QString path = QDir::fromNativeSeparators(edit->text());
            if (ExecuteSelDir(path, false))
                edit->setText(displayPath(path));
        });
    }
}

void TDlgOptDB::followProjects()
{
    QLineEdit* netDir = m_fields.value(QStringLiteral("NetDir"));
    const bool same = m_same->isChecked();
    if (same)
        netDir->setText(m_fields.value(QStringLiteral("Projects"))->text());
    netDir->setReadOnly(same);
    QPalette pal = netDir->palette();
    pal.setColor(QPalette::Base, palette().color(same ? QPalette::Button : QPalette::Base));
    netDir->setPalette(pal);
    m_browse.value(QStringLiteral("NetDir"))->setVisible(!same);
}

void TDlgOptDB::load(const DatabaseSettings& s, const QString& privateDir)
{
    auto set = [this](const char* key, const QString& value) {
        m_fields.value(QString::fromLatin1(key))->setText(displayPath(value));
    };
    set("Projects", s.Projects);
    set("PDB", s.PDB);
    set("Address", s.Address);
    set("ExtProds", s.ExtProds);
    set("ExtComplex", s.ExtComplex);
    set("Spares", s.Spares);
    set("System", s.System);
    set("Language", s.Language);
    set("NetDir", s.NetDir);
    set("Private", privateDir);
    m_same->setChecked(s.UseProjDirAsNetDir);
    followProjects();
}

void TDlgOptDB::store(DatabaseSettings& s) const
{
    auto get = [this](const char* key) {
        return AppContext::withSlash(QDir::fromNativeSeparators(m_fields.value(QString::fromLatin1(key))->text().trimmed()));
    };
    s.Projects = get("Projects");
    s.PDB = get("PDB");
    s.Address = get("Address");
    s.ExtProds = get("ExtProds");
    s.ExtComplex = get("ExtComplex");
    s.Spares = get("Spares");
    s.System = get("System");
    s.Language = get("Language");
    s.NetDir = get("NetDir");
    s.UseProjDirAsNetDir = m_same->isChecked();
}

void TDlgOptDB::accept()
{
    for (const PathField& f : PathFields) {
        QLineEdit* edit = m_fields.value(QString::fromLatin1(f.key));
        const QString path = edit->text().trimmed();
        if (path.isEmpty() || !QDir(QDir::fromNativeSeparators(path)).exists()) {
            edit->setFocus(Qt::OtherFocusReason);
            MsgOK(QStringLiteral("Directory: '%s' does not exist!"), {path});
            return;
        }
    }
    QDialog::accept();
}

} // namespace kiro
