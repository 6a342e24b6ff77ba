#include "pdb/widgets/FrmQuickProd.h"

#include "app/core/Messages.h"
#include "data/FormData.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Query.h"
#include "pdb/DataPDB.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kiro {

namespace {

struct PageDef {
    const char* name;
    const char* caption;
    const char* table;
    const char* fields[5];
};

const PageDef kPages[3] = {
    {"Spares", "Spares", "Spares", {"Name", "Description", "Group", "Segment", "Supplier"}},
    {"External", "External", "ExternalProducts", {"Name", "Description", "Group", "Segment", "Supplier"}},
    {"PDB", "PDB", "PDBProducts", {"Name", "Description", "Item", "Code", "Supplier"}},
};

enum SelectedColumn { ColType, ColName, ColDescription, ColSupplier, ColPrice, ColCurrency, ColCode, ColCount };

// The selected list keeps the price as a number beside its formatted text.
constexpr int PriceRole = Qt::UserRole + 1;

QString cell(const QTableWidget& grid, int row, const char* column)
{
    for (int c = 0; c < grid.columnCount(); ++c)
        if (grid.horizontalHeaderItem(c)
            && grid.horizontalHeaderItem(c)->text().compare(QLatin1String(column), Qt::CaseInsensitive) == 0) {
            const QTableWidgetItem* item = grid.item(row, c);
            return item ? item->text() : QString();
        }
    return QString();
}

} // namespace

TfrmQuickProd::TfrmQuickProd(TFormData& data, TFormDataPDB& dataPDB, QWidget* parent)
    : QDialog(parent)
    , m_data(data)
    , m_dataPDB(dataPDB)
{
    setObjectName(QStringLiteral("frmQuickProd"));
    setWindowTitle(QStringLiteral("QuickProducts"));
    resize(860, 600);
    auto* layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pgcQuickProd"));
    for (int p = 0; p < 3; ++p) {
        const QString stem = QString::fromLatin1(kPages[p].name);
        auto* page = new QWidget(m_pages);
        page->setObjectName(QStringLiteral("tabQuickProd") + stem);
        auto* v = new QVBoxLayout(page);
        auto* h = new QHBoxLayout;
        m_edits[p] = new QLineEdit(page);
        m_edits[p]->setObjectName(QStringLiteral("edt") + stem + QStringLiteral("Search"));
        h->addWidget(m_edits[p], 1);
        m_searchButtons[p] = new QPushButton(QStringLiteral("Search"), page);
        m_searchButtons[p]->setObjectName(QStringLiteral("btn") + stem + QStringLiteral("Search"));
        h->addWidget(m_searchButtons[p]);
        v->addLayout(h);
        m_grids[p] = new QTableWidget(page);
        m_grids[p]->setObjectName(QStringLiteral("grid") + stem);
        m_grids[p]->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_grids[p]->setSelectionBehavior(QAbstractItemView::SelectRows);
        m_grids[p]->setSelectionMode(QAbstractItemView::SingleSelection);
        m_grids[p]->verticalHeader()->setVisible(false);
        v->addWidget(m_grids[p], 1);
        m_pages->addTab(page, QString::fromLatin1(kPages[p].caption));
        connect(m_searchButtons[p], &QPushButton::clicked, this, [this, p] { search(p); });
        connect(m_edits[p], &QLineEdit::returnPressed, this, [this, p] { search(p); });
        connect(m_grids[p], &QTableWidget::cellDoubleClicked, this, [this](int, int) { AddItem(); });
    }
    m_pages->setCurrentIndex(PagePDB);
    layout->addWidget(m_pages, 3);

    auto* commands = new QHBoxLayout;
    m_add = new QPushButton(QStringLiteral("Add"), this);
    m_add->setObjectName(QStringLiteral("btnQuickProdAdd"));
    auto* remove = new QPushButton(QStringLiteral("Remove"), this);
    remove->setObjectName(QStringLiteral("btnQuickProdRemove"));
    auto* removeAll = new QPushButton(QStringLiteral("Remove all"), this);
    removeAll->setObjectName(QStringLiteral("btnQuickProdRemoveAll"));
    commands->addWidget(m_add);
    commands->addWidget(remove);
    commands->addWidget(removeAll);
    commands->addStretch(1);
    layout->addLayout(commands);

    m_selected = new QTreeWidget(this);
    m_selected->setObjectName(QStringLiteral("dxTreeListQuickProdSelected"));
    m_selected->setRootIsDecorated(false);
    m_selected->setColumnCount(ColCount);
    m_selected->setHeaderLabels({QStringLiteral("Type"), QStringLiteral("Name"), QStringLiteral("Description"),
                                 QStringLiteral("Supplier"), QStringLiteral("Price"), QStringLiteral("Currency"),
                                 QStringLiteral("Code")});
    m_selected->setSortingEnabled(true);
    m_selected->sortByColumn(ColName, Qt::AscendingOrder);
    layout->addWidget(m_selected, 2);

    auto* bottom = new QHBoxLayout;
    m_documents = new QCheckBox(QStringLiteral("Include &documents"), this);
    m_documents->setObjectName(QStringLiteral("chkQuickProdDocuments"));
    m_techData = new QCheckBox(QStringLiteral("Include &technical data"), this);
    m_techData->setObjectName(QStringLiteral("chkQuickProdTechData"));
    bottom->addWidget(m_documents);
    bottom->addWidget(m_techData);
    bottom->addStretch(1);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("btnQuickProdOK"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btnQuickProdCancel"));
    bottom->addWidget(m_ok);
    bottom->addWidget(cancel);
    layout->addLayout(bottom);

    for (QPushButton* b : {m_add, remove, removeAll, m_ok, cancel})
        b->setAutoDefault(false);
    for (QPushButton* b : m_searchButtons)
        b->setAutoDefault(false);

    connect(m_add, &QPushButton::clicked, this, &TfrmQuickProd::AddItem);
    connect(remove, &QPushButton::clicked, this, &TfrmQuickProd::RemoveItem);
    connect(removeAll, &QPushButton::clicked, this, &TfrmQuickProd::RemoveAll);
    connect(m_selected, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem*, int) { RemoveItem(); });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusChanged(now); });

    // The lists are there before the dialog is shown, so that a caller (or
    // a test) that picks before showing sees what the user would.
    FormShow();
}

void TfrmQuickProd::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        m_edits[m_pages->currentIndex()]->setFocus();
    }
}

void TfrmQuickProd::FormShow()
{
    for (int p = 0; p < 3; ++p)
        search(p);
    RemoveAll();
}

bool TfrmQuickProd::search(int page)
{
    const PageDef& def = kPages[page];
    QTableWidget* grid = m_grids[page];
    grid->clear();
    grid->setRowCount(0);
    grid->setColumnCount(0);
    const QString table = QString::fromLatin1(def.table);
    const QString text = m_edits[page]->text().toUpper();
    QString sql = QStringLiteral("SELECT * FROM \"%1\"").arg(table);
    if (!text.isEmpty()) {
        QStringList conditions;
        for (const char* field : def.fields)
            conditions << QStringLiteral("(UPPER(\"%1\".\"%2\") LIKE :t)").arg(table, QString::fromLatin1(field));
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" OR "));
    }
    try {
        db::Connection& connection = page == PagePDB ? m_dataPDB.DatabasePDB()
                                                     : m_data.database(page == PageSpares ? QStringLiteral("DatabaseSpares")
                                                                                          : QStringLiteral("DatabaseExternal"));
        if (!connection.isOpen())
            return false;
        db::Query query(connection, sql);
        if (!text.isEmpty())
            // "%" and "_" in the text are wildcards, as the users know them.
            query.bindValue(QStringLiteral("t"), QStringLiteral("%") + text + QStringLiteral("%"));
        query.open();
        const QStringList names = query.fieldNames();
        grid->setColumnCount(int(names.size()));
        grid->setHorizontalHeaderLabels(names);
        int row = 0;
        for (; !query.eof(); query.next(), ++row) {
            grid->insertRow(row);
            for (int c = 0; c < names.size(); ++c)
                grid->setItem(row, c, new QTableWidgetItem(query.field(c).asString()));
        }
        if (row > 0)
            grid->setCurrentCell(0, 0);
        grid->resizeColumnsToContents();
        return true;
    } catch (const db::DatabaseError& e) {
        MsgOK(e.message());
        return false;
    }
}

void TfrmQuickProd::AddItem()
{
    const int page = m_pages->currentIndex();
    const QTableWidget* grid = m_grids[page];
    const int row = grid->currentRow();
    if (row < 0 || row >= grid->rowCount())
        return;
    bool ok = false;
    const double price = QLocale::c().toDouble(cell(*grid, row, "Price").trimmed(), &ok);
    auto* item = new QTreeWidgetItem;
    item->setText(ColType, QString::number(page));
    item->setText(ColName, cell(*grid, row, "Name"));
    item->setText(ColDescription, cell(*grid, row, "Description"));
    item->setText(ColSupplier, cell(*grid, row, "Supplier"));
    item->setText(ColPrice, QLocale().toString(ok ? price : 0.0, 'f', 2));
    item->setData(ColPrice, PriceRole, ok ? price : 0.0);
    item->setTextAlignment(ColPrice, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(ColCurrency, cell(*grid, row, "Currency"));
    item->setText(ColCode, page == PagePDB ? cell(*grid, row, "Code") : QString());
    m_selected->addTopLevelItem(item);
    m_selected->setCurrentItem(item);
}

void TfrmQuickProd::RemoveItem()
{
    delete m_selected->currentItem();
}

void TfrmQuickProd::RemoveAll()
{
    m_selected->clear();
}

QStringList TfrmQuickProd::selectedLines() const
{
    QStringList lines;
    for (int i = 0; i < m_selected->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_selected->topLevelItem(i);
        QStringList fields;
        for (int c = 0; c < ColCount; ++c)
            // The price goes over as a plain number: the formatted text
            // (thousands separators) would not read back as one.
            fields << (c == ColPrice ? QString::number(item->data(ColPrice, PriceRole).toDouble(), 'f', 2)
                                     : item->text(c));
        lines << fields.join(QLatin1Char('\t'));
    }
    return lines;
}

bool TfrmQuickProd::includeDocuments() const
{
    return m_documents->isChecked();
}

bool TfrmQuickProd::includeTechData() const
{
    return m_techData->isChecked();
}

void TfrmQuickProd::setDefaultButton(QPushButton* button)
{
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setDefault(b == button);
}

void TfrmQuickProd::focusChanged(QWidget* now)
{
    if (!now || now->window() != this)
        return;
    for (int p = 0; p < 3; ++p) {
        if (now == m_grids[p] || m_grids[p]->isAncestorOf(now)) {
            setDefaultButton(m_add);
            return;
        }
        if (now == m_edits[p]) {
            setDefaultButton(m_searchButtons[p]);
            return;
        }
    }
    if (now == m_selected || m_selected->isAncestorOf(now))
        setDefaultButton(m_ok);
    else
        setDefaultButton(nullptr);
}

} // namespace kiro
