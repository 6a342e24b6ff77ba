#include "dialogs/OptDiscMarg.h"

#include "app/DialogService.h"
#include "app/Translate.h"
#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/MsgFormat.h"
#include "data/FormData.h"
#include "data/Log.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "dialogs/OptCurr.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QMap>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

const char* const kValues[] = {"DiscLevel1", "DiscLevel2", "DiscLevel3", "DiscLevel4", "Margin"};

QList<TOptionGrid::Column> discountColumns()
{
    return {
        TOptionGrid::column(s("_SERIES"), s("Series"), true), TOptionGrid::column(s("DiscLevel1"), s("Product")),
        TOptionGrid::column(s("DiscLevel2"), s("Accessory")), TOptionGrid::column(s("DiscLevel3"), s("Lev.3%")),
        TOptionGrid::column(s("DiscLevel4"), s("Lev.4%")),    TOptionGrid::column(s("Margin"), s("Margin")),
    };
}

// Replaces the rows of `target` (all of its rows) with those of `copy`.
void replaceRows(db::Dataset& target, db::Dataset& copy, const QString& projectID)
{
    while (!target.isEmpty())
        target.deleteRecord();
    for (copy.first(); !copy.eof(); copy.next()) {
        target.append();
        if (!projectID.isEmpty())
            target.fieldByName(s("ProjectID")).setValue(projectID);
        target.fieldByName(s("Series")).setValue(copy.fieldByName(s("Series")).value());
        for (const char* f : kValues)
            target.fieldByName(s(f)).setValue(copy.fieldByName(s(f)).value());
        target.post();
    }
}

// The five percentages of a row, as numbers (an empty one as 0).
QVariantList rowValues(db::Dataset& d, int row)
{
    QVariantList values;
    for (const char* f : kValues)
        values << d.rowValue(row, d.fieldByName(s(f)).index()).toDouble();
    return values;
}

} // namespace

TDlgOptDiscMarg::TDlgOptDiscMarg(TFormData& data, bool projectMode, QWidget* parent)
    : QDialog(parent)
    , m_data(data)
    , m_projectMode(projectMode)
{
    setObjectName(s("DlgOptDiscMarg"));
    setWindowTitle(s("Options - Discounts/Margins"));
    auto* layout = new QVBoxLayout(this);
    auto* pages = new QTabWidget(this);
    pages->setObjectName(s("DlgOptDiscMargPages"));
    layout->addWidget(pages);

    auto* projectPage = new QWidget(this);
    projectPage->setObjectName(s("DlgOptDiscMargProjectPage"));
    auto* projectLayout = new QVBoxLayout(projectPage);
    m_projectGrid = new TOptionGrid(projectPage, discountColumns());
    m_projectGrid->setObjectName(s("DlgOptDiscMargProjectGrid"));
    projectLayout->addWidget(m_projectGrid);
    m_update = new QCheckBox(s("&Update project with new values"), projectPage);
    m_update->setObjectName(s("DlgOptDiscMargUpdate"));
    projectLayout->addWidget(m_update);

    auto* systemPage = new QWidget(this);
    systemPage->setObjectName(s("DlgOptDiscMargSystemPage"));
    auto* systemLayout = new QVBoxLayout(systemPage);
    m_systemGrid = new TOptionGrid(systemPage, discountColumns());
    m_systemGrid->setObjectName(s("DlgOptDiscMargSystemGrid"));
    systemLayout->addWidget(m_systemGrid);
    auto* row = new QHBoxLayout;
    row->addStretch();
    m_copy = new QPushButton(s("&Copy to project"), systemPage);
    m_copy->setObjectName(s("DlgOptDiscMargBtnCopy"));
    connect(m_copy, &QPushButton::clicked, this, [this] { copyToProject(); });
    row->addWidget(m_copy);
    systemLayout->addLayout(row);

    if (m_projectMode)
        pages->addTab(projectPage, s("&Project"));
    else
        projectPage->hide();
    pages->addTab(systemPage, s("&System"));
    m_copy->setVisible(m_projectMode);

    auto* box = new QDialogButtonBox(this);
    box->addButton(QDialogButtonBox::Ok)->setObjectName(s("BtnOK"));
    box->addButton(QDialogButtonBox::Cancel)->setObjectName(s("BtnCancel"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);

    try {
        m_systemCopy = makeCopy(s("DiscMarg"), data.table(s("TableSystemDiscMarg")));
        if (m_projectMode)
            m_projectCopy = makeCopy(s("ProjDiscMarg"), data.table(s("TableDiscMarg")));
    } catch (const db::DatabaseError& e) {
        MsgOK(QStringLiteral("%s"), {e.message()});
    }
    m_systemGrid->setDataset(m_systemCopy.get());
    m_projectGrid->setDataset(m_projectCopy.get());
    connect(this, &QDialog::finished, this, [this] { closeCopies(); });
}

TDlgOptDiscMarg::~TDlgOptDiscMarg()
{
    closeCopies();
}

std::unique_ptr<db::Dataset> TDlgOptDiscMarg::makeCopy(const QString& tableName, db::Dataset& source)
{
    db::Connection& scratch = m_data.database(s("DatabasePrivate"));
    if (!scratch.isOpen()) {
        if (m_data.privateDir().isEmpty())
            throw db::DatabaseError(s("There is no private directory for the copies of the discount tables"));
        scratch.open(m_data.privateDir(), db::Connection::OpenMode::CreateIfMissing);
    }
    db::TableDef def = source.tableDef();
    def.name = tableName;
    scratch.createTable(def, true); // an earlier copy is replaced
    auto copy = std::make_unique<db::Dataset>(scratch, tableName);
    copy->setName(tableName + s("Copy"));
    copy->addLookupField(db::FieldDef::text(s("_SERIES"), 50),
                         {s("Series"), &m_data.table(s("TableSeries")), s("ID"), s("Name")});
    copy->open();
    db::Transaction t(scratch);
    const QStringList fields = copy->fieldNames();
    for (int r = 0; r < source.recordCount(); ++r) {
        copy->append();
        for (const QString& f : fields) {
            const db::Field from = source.findField(f);
            db::Field to = copy->findField(f);
            if (from.isValid() && from.kind() == db::FieldKind::Data && to.kind() == db::FieldKind::Data)
                to.setValue(source.rowValue(r, from.index()));
        }
        copy->post();
    }
    t.commit();
    copy->first();
    return copy;
}

void TDlgOptDiscMarg::copyToProject()
{
    if (!m_systemCopy || !m_projectCopy)
        return;
    db::Dataset& system = *m_systemCopy;
    db::Dataset& project = *m_projectCopy;
    const db::Bookmark systemMark = system.bookmark();
    const db::Bookmark projectMark = project.bookmark();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        for (system.first(); !system.eof(); system.next()) {
            if (!project.locate(s("Series"), system.fieldByName(s("Series")).value()))
                continue;
            project.edit();
            for (const char* f : kValues)
                project.fieldByName(s(f)).setValue(system.fieldByName(s(f)).value());
            project.post();
        }
    } catch (const db::DatabaseError& e) {
        project.cancel();
        MsgOK(QStringLiteral("%s"), {e.message()});
    }
    QApplication::restoreOverrideCursor();
    if (system.bookmarkValid(systemMark))
        system.gotoBookmark(systemMark);
    if (project.bookmarkValid(projectMark))
        project.gotoBookmark(projectMark);
    m_systemGrid->reload();
    m_projectGrid->reload();
}

bool TDlgOptDiscMarg::save()
{
    if (m_systemCopy) {
        db::Dataset& system = m_data.table(s("TableSystemDiscMarg"));
        try {
            db::Transaction t(m_data.database(s("DatabaseSystem")));
            replaceRows(system, *m_systemCopy, QString());
            t.commit();
        } catch (const db::DatabaseError& e) {
            system.cancel();
            system.refresh();
            MsgOK(QStringLiteral("%s"), {e.message()});
            return false;
        }
    }
    if (m_projectMode && m_projectCopy) {
        db::Dataset& project = m_data.table(s("TableDiscMarg"));
        // The rows are replaced as a whole; the project's log names every
        // series whose values are not what they were.
        QMap<QString, QVariantList> before;
        for (int r = 0; r < project.recordCount(); ++r)
            before.insert(project.rowValue(r, project.fieldByName(s("Series")).index()).toString(),
                          rowValues(project, r));
        QStringList changed;
        db::Dataset& copy = *m_projectCopy;
        for (int r = 0; r < copy.recordCount(); ++r) {
            const QString series = copy.rowValue(r, copy.fieldByName(s("Series")).index()).toString();
            if (!before.contains(series) || before.value(series) != rowValues(copy, r))
                changed << series;
        }
        try {
            db::Transaction t(m_data.database(s("DatabaseProjects")));
            replaceRows(project, copy, m_data.table(s("TableProjects")).fieldByName(s("ID")).asString());
            t.commit();
        } catch (const db::DatabaseError& e) {
            project.cancel();
            project.refresh();
            MsgOK(QStringLiteral("%s"), {e.message()});
            return false;
        }
        for (const QString& series : std::as_const(changed))
            m_data.AddLogEntry(logkind::Project, QString(), logtext::sourcePrice, QString(), app().currentUserID(),
                               formatMessage(logtext::discountChanged, {series}), logtext::information);
    }
    return true;
}

void TDlgOptDiscMarg::accept()
{
    if (save())
        QDialog::accept();
}

void TDlgOptDiscMarg::closeCopies()
{
    m_systemGrid->setDataset(nullptr);
    m_projectGrid->setDataset(nullptr);
    db::Connection& scratch = m_data.database(s("DatabasePrivate"));
    for (std::unique_ptr<db::Dataset>* copy : {&m_systemCopy, &m_projectCopy}) {
        if (!*copy)
            continue;
        const QString name = (*copy)->tableName();
        copy->reset();
        try {
            if (scratch.isOpen() && scratch.tableExists(name))
                scratch.dropTable(name);
        } catch (const db::DatabaseError&) {
            // A copy left behind is replaced the next time.
        }
    }
}

bool OptionsDiscounts(TFormData& data, bool nodeSelected, bool productSelected, QWidget* parent)
{
    try {
        data.SyncSeriesTables();
    } catch (const db::DatabaseError& e) {
        MsgOK(QStringLiteral("%s"), {e.message()});
    }
    db::Dataset& projects = data.table(s("TableProjects"));
    const bool projectMode = nodeSelected && projects.isActive() && !projects.isEmpty();
    TDlgOptDiscMarg dialog(data, projectMode, parent);
    TranslateForm(dialog);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return false;
    if (!projectMode)
        return true;
    if (dialog.updateProject()->isChecked())
        data.ApplyDiscMargToProject();
    else if (productSelected)
        data.ApplyDiscMargToProduct();
    return true;
}

} // namespace kiro
