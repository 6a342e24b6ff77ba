#include "dialogs/OptCurr.h"

#include "app/DialogService.h"
#include "app/Translate.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "data/Formula.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

// --- the grid ---------------------------------------------------------------------------

TOptionGrid::TOptionGrid(QWidget* parent, const QList<Column>& columns)
    : QTableWidget(parent)
    , m_columns(columns)
{
    setColumnCount(int(columns.size()));
    QStringList titles;
    for (const Column& c : columns)
        titles << c.title;
    setHorizontalHeaderLabels(titles);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    connect(this, &QTableWidget::cellChanged, this, &TOptionGrid::cellEdited);
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) { rowSelected(row); });
}

void TOptionGrid::setDataset(db::Dataset* dataset)
{
    m_dataset = dataset;
    reload();
}

void TOptionGrid::reload()
{
    m_loading = true;
    const int current = m_dataset && m_dataset->isActive() ? m_dataset->recNo() - 1 : -1;
    clearContents();
    if (!m_dataset || !m_dataset->isActive()) {
        setRowCount(0);
        m_loading = false;
        return;
    }
    const int rows = m_dataset->recordCount();
    setRowCount(rows);
    for (int c = 0; c < m_columns.size(); ++c) {
        const Column& col = m_columns[c];
        const db::Field field = m_dataset->findField(col.field);
        if (!field.isValid())
            continue;
        for (int r = 0; r < rows; ++r) {
            const QVariant v = m_dataset->rowValue(r, field.index());
            auto* item = new QTableWidgetItem;
            if (col.check) {
                item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
                item->setCheckState(v.toBool() ? Qt::Checked : Qt::Unchecked);
            } else {
                QString text = v.toString();
                if (!col.format.isEmpty() && v.isValid() && !text.isEmpty())
                    text = FormatFloat(col.format, v.toDouble());
                item->setText(text);
                if (col.readOnly)
                    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            }
            if (m_bold) {
                QFont font = item->font();
                font.setBold(m_bold(*m_dataset, r));
                item->setFont(font);
            }
            setItem(r, c, item);
        }
    }
    if (current >= 0 && current < rows)
        setCurrentCell(current, currentColumn() < 0 ? 0 : currentColumn());
    m_loading = false;
}

void TOptionGrid::rowSelected(int row)
{
    if (m_loading || !m_dataset || !m_dataset->isActive() || row < 0)
        return;
    if (m_dataset->recNo() != row + 1)
        m_dataset->setRecNo(row + 1);
}

void TOptionGrid::enterValue(int row, const QString& field, const QString& text)
{
    for (int c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c].field.compare(field, Qt::CaseInsensitive) != 0)
            continue;
        QTableWidgetItem* it = item(row, c);
        if (!it)
            return;
        if (m_columns[c].check)
            it->setCheckState(text == QLatin1String("1") || text.compare(s("true"), Qt::CaseInsensitive) == 0
                                  ? Qt::Checked
                                  : Qt::Unchecked);
        else
            it->setText(text);
        return;
    }
}

void TOptionGrid::cellEdited(int row, int column)
{
    if (m_loading || !m_dataset || !m_dataset->isActive() || column < 0 || column >= m_columns.size())
        return;
    const Column& col = m_columns[column];
    QTableWidgetItem* it = item(row, column);
    if (!it || col.readOnly)
        return;
    QVariant value;
    if (col.check) {
        value = it->checkState() == Qt::Checked;
    } else {
        const db::Field field = m_dataset->findField(col.field);
        const bool numeric =
            field.isValid() && field.type() != db::FieldType::Text && field.type() != db::FieldType::Memo;
        if (numeric) {
            const std::optional<double> n = toNumber(it->text());
            if (!n && !it->text().trimmed().isEmpty()) {
                MsgOK(s("19"));
                reload();
                return;
            }
            value = n ? QVariant(*n) : QVariant();
        } else {
            value = it->text();
        }
    }
    if (m_validator) {
        const QString refusal = m_validator(col.field, value);
        if (!refusal.isEmpty()) {
            MsgOK(refusal);
            reload();
            return;
        }
    }
    try {
        m_dataset->setRecNo(row + 1);
        m_dataset->edit();
        m_dataset->fieldByName(col.field).setValue(value);
        m_dataset->post();
    } catch (const db::DatabaseError& e) {
        m_dataset->cancel();
        MsgOK(QStringLiteral("%s"), {e.message()});
    }
    reload();
}

// --- the currency dialog -------------------------------------------------------------------

namespace {

const QList<TOptionGrid::Column> kCurrencyColumns{
    TOptionGrid::column(s("Name"), s("Name")),
    TOptionGrid::column(s("Factor"), s("Factor")),
    TOptionGrid::column(s("Rate"), s("Rate (1:fact)")),
    TOptionGrid::column(s("OneToOne"), s("Rate (1:1)"), true, s(kCurrencyRateFormat)),
};

// The limits of a rate as the dialog accepts it.
QString currencyLimits(const QString& field, const QVariant& value)
{
    if (!value.isValid())
        return QString();
    const double v = value.toDouble();
    if (field == QLatin1String("Factor") && (v < 1 || v > 10000 || v != std::floor(v)))
        return s("The factor of a currency must be a whole number from 1 to 10000.");
    if (field == QLatin1String("Rate") && (v < 0.000001 || v > 1000000))
        return s("The rate of a currency must be from 0.000001 to 1000000.");
    return QString();
}

bool isBase(db::Dataset& d, int row)
{
    const db::Field rate = d.findField(s("Rate"));
    return rate.isValid() && std::fabs(d.rowValue(row, rate.index()).toDouble() - 1) <= 0.000001;
}

} // namespace

TDlgOptCurr::TDlgOptCurr(TFormData& data, bool projectMode, QWidget* parent)
    : QDialog(parent)
    , m_data(data)
    , m_projectMode(projectMode)
{
    setObjectName(s("DlgOptCurr"));
    setWindowTitle(s("Options - Currencies"));
    auto* layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(s("DlgOptCurrPages"));
    layout->addWidget(m_pages);
    // The project's rates come first when there is a project.
    QWidget* projectPage = buildPage(true);
    QWidget* systemPage = buildPage(false);
    if (m_projectMode)
        m_pages->addTab(projectPage, s("Project default rates"));
    else
        projectPage->hide();
    m_pages->addTab(systemPage, s("System default rates"));
    m_copy->setVisible(m_projectMode);

    auto* box = new QDialogButtonBox(this);
    box->addButton(QDialogButtonBox::Ok)->setObjectName(s("BtnOK"));
    box->addButton(QDialogButtonBox::Cancel)->setObjectName(s("BtnCancel"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);

    if (!makeCopy(s("Currencies"), data.table(s("TableSystemCurrencies")), m_systemDir, m_systemConnection,
                  m_systemCopy))
        ShowPlainMessage(s("Could not create a temporary copy of system currencis!"));
    if (m_projectMode && !makeCopy(s("ProjCurrencies"), data.table(s("TableCurrencies")), m_projectDir,
                                   m_projectConnection, m_projectCopy))
        ShowPlainMessage(s("Could not create a temporary copy of project currencies!"));
    m_systemGrid->setDataset(m_systemCopy.get());
    m_projectGrid->setDataset(m_projectCopy.get());
    fillDefaults();
    connect(this, &QDialog::finished, this, [this] { closeCopies(); });
}

TDlgOptCurr::~TDlgOptCurr()
{
    closeCopies();
}

QWidget* TDlgOptCurr::buildPage(bool project)
{
    const QString prefix = project ? s("DlgOptCurrProject") : s("DlgOptCurrSystem");
    auto* page = new QWidget(this);
    page->setObjectName(prefix + s("Page"));
    auto* layout = new QVBoxLayout(page);
    auto* grid = new TOptionGrid(page, kCurrencyColumns);
    grid->setObjectName(prefix + s("Grid"));
    grid->setBoldRow(isBase);
    grid->setValidator(currencyLimits);
    layout->addWidget(grid);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(s("&Default currency"), page);
    label->setObjectName(prefix + s("LblDefault"));
    auto* combo = new QComboBox(page);
    combo->setObjectName(prefix + s("Default"));
    label->setBuddy(combo);
    row->addWidget(label);
    row->addWidget(combo);
    row->addStretch();
    auto* base = new QPushButton(s("Set as &base currency"), page);
    base->setObjectName(prefix + s("BtnBase"));
    row->addWidget(base);
    connect(base, &QPushButton::clicked, this, [this, project] {
        if (db::Dataset* copy = project ? m_projectCopy.get() : m_systemCopy.get())
            setAsBase(*copy);
    });
    if (!project) {
        m_copy = new QPushButton(s("&Copy to project"), page);
        m_copy->setObjectName(prefix + s("BtnCopy"));
        row->addWidget(m_copy);
        connect(m_copy, &QPushButton::clicked, this, [this] { copyToProject(); });
    }
    layout->addLayout(row);
    (project ? m_projectGrid : m_systemGrid) = grid;
    (project ? m_projectDefault : m_systemDefault) = combo;
    return page;
}

bool TDlgOptCurr::makeCopy(const QString& tableName, db::Dataset& source, std::unique_ptr<QTemporaryDir>& dir,
                           std::unique_ptr<db::Connection>& connection, std::unique_ptr<db::Dataset>& copy)
{
    try {
        if (!source.isActive())
            return false;
        // A fresh name in the temporary directory: a name that exists is
        // never reused.
        dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + s("/KIROXXXXXX"));
        if (!dir->isValid())
            return false;
        connection = std::make_unique<db::Connection>();
        connection->open(dir->path(), db::Connection::OpenMode::CreateIfMissing);
        db::TableDef def = source.tableDef();
        def.name = tableName;
        connection->createTable(def, true);
        copy = std::make_unique<db::Dataset>(*connection, tableName);
        copy->setName(tableName + s("Copy"));
        copy->open();
        db::Transaction t(*connection);
        const QStringList fields = copy->fieldNames();
        for (int r = 0; r < source.recordCount(); ++r) {
            copy->append();
            for (const QString& f : fields) {
                const db::Field from = source.findField(f);
                if (from.isValid() && from.kind() == db::FieldKind::Data)
                    copy->fieldByName(f).setValue(source.rowValue(r, from.index()));
            }
            copy->post();
        }
        t.commit();
        copy->first();
        // A changed Factor or Rate recomputes OneToOne, as in the tables.
        for (const char* f : {"Factor", "Rate"}) {
            db::Dataset* d = copy.get();
            copy->fieldByName(s(f)).setOnChange([this, d](db::Field) { m_data.UpdateCurrencies(*d); });
        }
        return true;
    } catch (const db::DatabaseError&) {
        copy.reset();
        connection.reset();
        dir.reset();
        return false;
    }
}

void TDlgOptCurr::fillDefaults()
{
    auto fill = [](QComboBox* combo, db::Dataset* copy, const QString& selected) {
        combo->clear();
        if (copy && copy->isActive()) {
            const int name = copy->fieldByName(s("Name")).index();
            for (int r = 0; r < copy->recordCount(); ++r)
                combo->addItem(copy->rowValue(r, name).toString());
        }
        combo->setCurrentIndex(combo->findText(selected));
    };
    fill(m_systemDefault, m_systemCopy.get(), settings().system().DefaultCurrency);
    if (m_projectMode) {
        db::Dataset& projects = m_data.table(s("TableProjects"));
        fill(m_projectDefault, m_projectCopy.get(),
             projects.isActive() ? projects.fieldByName(s("ProjCurrency")).asString() : QString());
    }
}

void TDlgOptCurr::setAsBase(db::Dataset& copy)
{
    if (!copy.isActive() || copy.isEmpty())
        return;
    const double base = copy.fieldByName(s("Rate")).asFloat();
    if (base == 0)
        return;
    try {
        const db::Bookmark mark = copy.bookmark();
        for (copy.first(); !copy.eof(); copy.next()) {
            copy.edit();
            copy.fieldByName(s("Rate")).setValue(copy.fieldByName(s("Rate")).asFloat() / base);
            copy.post();
        }
        if (copy.bookmarkValid(mark))
            copy.gotoBookmark(mark);
    } catch (const db::DatabaseError& e) {
        copy.cancel();
        MsgOK(QStringLiteral("%s"), {e.message()});
    }
    (&copy == m_systemCopy.get() ? m_systemGrid : m_projectGrid)->reload();
}

void TDlgOptCurr::copyToProject()
{
    if (!m_projectCopy || !m_systemCopy)
        return;
    db::Dataset& project = *m_projectCopy;
    db::Dataset& system = *m_systemCopy;
    const QString projectID = m_data.table(s("TableProjects")).fieldByName(s("ID")).asString();
    try {
        db::Transaction t(*m_projectConnection);
        while (!project.isEmpty())
            project.deleteRecord();
        const db::Bookmark mark = system.bookmark();
        for (system.first(); !system.eof(); system.next()) {
            project.append();
            project.fieldByName(s("ID")).setValue(TFormData::SetUniqueID());
            project.fieldByName(s("ProjectID")).setValue(projectID);
            for (const char* f : {"Name", "Factor", "Rate", "OneToOne"})
                project.fieldByName(s(f)).setValue(system.fieldByName(s(f)).value());
            project.post();
        }
        if (system.bookmarkValid(mark))
            system.gotoBookmark(mark);
        t.commit();
    } catch (const db::DatabaseError& e) {
        project.cancel();
        project.refresh();
        MsgOK(QStringLiteral("%s"), {e.message()});
    }
    project.first();
    m_projectGrid->reload();
    const QString selected = m_projectDefault->currentText();
    fillDefaults();
    m_projectDefault->setCurrentIndex(m_projectDefault->findText(selected));
}

void TDlgOptCurr::accept()
{
    // The system rates: rows the copy has and the table has get the copy's
    // values; rows are neither added nor removed here.
    if (m_systemCopy) {
        try {
            db::Dataset& system = m_data.table(s("TableSystemCurrencies"));
            db::Dataset& copy = *m_systemCopy;
            for (copy.first(); !copy.eof(); copy.next()) {
                if (!system.locate(s("Name"), copy.fieldByName(s("Name")).asString()))
                    continue;
                system.edit();
                for (const char* f : {"Factor", "Rate", "OneToOne"})
                    system.fieldByName(s(f)).setValue(copy.fieldByName(s(f)).value());
                system.post();
            }
            const QString previous = settings().system().DefaultCurrency;
            settings().system().DefaultCurrency = m_systemDefault->currentText();
            try {
                settings().SaveSystemSettings();
            } catch (...) {
                settings().system().DefaultCurrency = previous;
                throw;
            }
        } catch (...) {
            m_data.table(s("TableSystemCurrencies")).cancel();
            ShowPlainMessage(s("Could not save system currencies!"));
        }
    }
    if (m_projectMode && m_projectCopy) {
        db::Dataset& projects = m_data.table(s("TableProjects"));
        db::Dataset& currencies = m_data.table(s("TableCurrencies"));
        db::Connection& connection = m_data.database(s("DatabaseProjects"));
        try {
            // The project's rates are replaced as a whole or not at all.
            db::Transaction t(connection);
            projects.edit();
            projects.fieldByName(s("ProjCurrency")).setValue(m_projectDefault->currentText());
            projects.post();
            while (!currencies.isEmpty())
                currencies.deleteRecord();
            db::Dataset& copy = *m_projectCopy;
            const QString projectID = projects.fieldByName(s("ID")).asString();
            for (copy.first(); !copy.eof(); copy.next()) {
                currencies.append();
                currencies.fieldByName(s("ProjectID")).setValue(projectID);
                for (const char* f : {"Name", "Factor", "Rate", "OneToOne"})
                    currencies.fieldByName(s(f)).setValue(copy.fieldByName(s(f)).value());
                currencies.post();
            }
            t.commit();
        } catch (const db::DatabaseError& e) {
            for (db::Dataset* d : {&projects, &currencies}) {
                d->cancel();
                d->refresh();
            }
            MsgOK(QStringLiteral("%s\n\n%s"), {MsgText(s("Could not save the project currencies!")), e.message()});
        }
    }
    QDialog::accept();
}

void TDlgOptCurr::closeCopies()
{
    m_systemGrid->setDataset(nullptr);
    m_projectGrid->setDataset(nullptr);
    m_systemCopy.reset();
    m_projectCopy.reset();
    m_systemConnection.reset();
    m_projectConnection.reset();
    m_systemDir.reset();
    m_projectDir.reset();
}

bool OptionsCurrencies(TFormData& data, bool nodeSelected, QWidget* parent)
{
    db::Dataset& projects = data.table(s("TableProjects"));
    const bool projectMode = nodeSelected && projects.isActive() && !projects.isEmpty();
    TDlgOptCurr dialog(data, projectMode, parent);
    TranslateForm(dialog);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return false;
    if (projectMode && data.RecalculateAllProducts())
        data.RecalculateProject();
    return true;
}

} // namespace kiro
