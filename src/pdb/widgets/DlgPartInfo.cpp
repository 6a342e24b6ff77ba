#include "pdb/widgets/DlgPartInfo.h"

#include "app/Translate.h"
#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "data/FormData.h"
#include "data/Schema.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/Query.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// The grid's columns: field of ItemList and title.
const char* const kColumns[][2] = {{"Name", "Name"}, {"ItemNumber", "Number"}, {"Class", "Class"}, {"Comment", "Comment"}};

} // namespace

TDlgPartInfo::TDlgPartInfo(TFormData& data, QWidget* parent)
    : QDialog(parent)
    , m_data(data)
{
    setObjectName(s("DlgPartInfo"));
    setWindowTitle(s("Item number information"));
    resize(640, 380);
    auto* layout = new QVBoxLayout(this);
    m_grid = new QTableWidget(0, 4, this);
    m_grid->setObjectName(s("DlgPartInfoGrid"));
    QStringList titles;
    for (const auto& c : kColumns)
        titles << s(c[1]);
    m_grid->setHorizontalHeaderLabels(titles);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->setVisible(false);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    QPalette p = m_grid->palette();
    p.setColor(QPalette::Base, QColor(255, 255, 225));
    m_grid->setPalette(p);
    m_grid->installEventFilter(this);
    layout->addWidget(m_grid, 1);

    auto* buttons = new QHBoxLayout;
    auto button = [this, buttons](const char* name, const char* text) {
        auto* b = new QPushButton(s(text), this);
        b->setObjectName(s(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    QPushButton* ok = button("DlgPartInfoBtnOK", "OK");
    ok->setDefault(true);
    QPushButton* print = button("DlgPartInfoBtnPrint", "&Print");
    m_design = button("DlgPartInfoBtnDesign", "Design printout");
    m_copyRow = button("DlgPartInfoBtnCopyRow", "&Copy row");
    m_copyAll = button("DlgPartInfoBtnCopyAll", "Copy &all");
    buttons->addStretch(1);
    QPushButton* help = button("DlgPartInfoBtnHelp", "Help");
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(print, &QPushButton::clicked, this, &TDlgPartInfo::BtnPrintClick);
    connect(m_design, &QPushButton::clicked, this, &TDlgPartInfo::BtnDesignClick);
    connect(m_copyRow, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(rowText(m_grid->currentRow())); });
    connect(m_copyAll, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(allText()); });
    connect(help, &QPushButton::clicked, this, [] { OpenHelp(); });

    FormCreate();
}

TDlgPartInfo::~TDlgPartInfo()
{
    FormDestroy();
}

void TDlgPartInfo::FormCreate()
{
    try {
        db::Connection& scratch = m_data.database(s("DatabasePrivate"));
        if (!scratch.isOpen()) {
            if (m_data.privateDir().isEmpty())
                throw db::DatabaseError(s("There is no private directory for the item list"));
            scratch.open(m_data.privateDir(), db::Connection::OpenMode::CreateIfMissing);
        }
        scratch.createTable(schema::itemListTable(), true);
        m_itemList = std::make_unique<db::Dataset>(scratch, s("ItemList"));
        m_itemList->setName(s("TableItemList"));
    } catch (const db::DatabaseError& e) {
        m_itemList.reset();
        MsgOK(e.message());
    }
}

void TDlgPartInfo::FormDestroy()
{
    try {
        if (m_itemList) {
            m_itemList->close();
            m_itemList.reset();
            m_data.database(s("DatabasePrivate")).dropTable(s("ItemList"));
        }
    } catch (const db::DatabaseError&) {
        // The scratch database goes with the private directory anyway.
    }
}

void TDlgPartInfo::copyParts(const QString& table, const QString& marker, const QString& parentID)
{
    db::Connection& projects = m_data.database(s("DatabaseProjects"));
    db::Connection& scratch = m_data.database(s("DatabasePrivate"));
    db::Query read(projects, s("SELECT Name, ItemNumber, Class, Comment, PartNo, %1, Added FROM %2 "
                               "WHERE ParentID = :id ORDER BY rowid")
                                 .arg(projects.quote(marker), projects.quote(table)));
    read.bindValue(s("id"), parentID);
    db::Query write(scratch, s("INSERT INTO ItemList (Name, ItemNumber, Class, Comment, PartNo, XPart, Added) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?)"));
    for (read.open(); !read.eof(); read.next()) {
        write.clearBindings();
        for (int c = 0; c < 7; ++c)
            write.bindValue(c, read.field(c).value());
        write.execSql();
    }
}

void TDlgPartInfo::SelectData(int kind)
{
    if (!m_itemList)
        return;
    try {
        m_itemList->close();
        db::Connection& scratch = m_data.database(s("DatabasePrivate"));
        scratch.exec(s("DELETE FROM ItemList"));
        db::Dataset& products = m_data.table(s("TableProducts"));
        db::Dataset& accessories = m_data.table(s("TableAccessories"));
        if (kind == AccessoryParts) {
            if (accessories.isActive() && !accessories.isEmpty())
                copyParts(s("AccParts"), s("Xpart"), accessories.fieldByName(s("ID")).asString());
        } else if (products.isActive() && !products.isEmpty()) {
            const QString productID = products.fieldByName(s("ID")).asString();
            copyParts(s("ProdParts"), s("XPart"), productID);
            if (kind == ProductWithAccessories) {
                db::Query acc(m_data.database(s("DatabaseProjects")),
                              s("SELECT ID FROM Accessories WHERE ProductID = :id ORDER BY \"Order\""));
                acc.bindValue(s("id"), productID);
                QStringList ids;
                for (acc.open(); !acc.eof(); acc.next())
                    ids << acc.field(0).asString();
                for (const QString& id : ids)
                    copyParts(s("AccParts"), s("Xpart"), id);
            }
        }
        m_itemList->open();
        m_itemList->first();
    } catch (const db::DatabaseError& e) {
        MsgOK(e.message());
    }
    fillGrid();
}

void TDlgPartInfo::fillGrid()
{
    m_grid->setRowCount(0);
    if (!m_itemList || !m_itemList->isActive())
        return;
    const auto bookmark = m_itemList->recNo();
    int row = 0;
    for (m_itemList->first(); !m_itemList->eof(); m_itemList->next(), ++row) {
        m_grid->insertRow(row);
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(m_itemList->fieldByName(s(kColumns[c][0])).asString());
            if (c == 2)
                item->setTextAlignment(Qt::AlignCenter);
            m_grid->setItem(row, c, item);
        }
    }
    if (bookmark >= 0)
        m_itemList->setRecNo(bookmark);
    if (row > 0)
        m_grid->setCurrentCell(0, 0);
    m_grid->resizeColumnsToContents();
}

int TDlgPartInfo::rowCount() const
{
    return m_grid->rowCount();
}

QString TDlgPartInfo::rowText(int row) const
{
    if (row < 0 || row >= m_grid->rowCount())
        return QString();
    QStringList fields;
    for (int c = 0; c < m_grid->columnCount(); ++c)
        fields << (m_grid->item(row, c) ? m_grid->item(row, c)->text() : QString());
    return fields.join(QLatin1Char('\t'));
}

QString TDlgPartInfo::allText() const
{
    QStringList lines;
    for (int r = 0; r < m_grid->rowCount(); ++r)
        lines << rowText(r);
    return lines.join(QLatin1Char('\n'));
}

QString TDlgPartInfo::templatePath()
{
    QString name = settings().printouts().ItemNumberList;
    if (name.isEmpty())
        name = s("ItemList.QR2");
    if (QFileInfo(name).isRelative() && !name.contains(QLatin1Char('/')))
        name = app().printoutDir() + name;
    return name;
}

void TDlgPartInfo::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_design->setVisible(app().appMode() == AppContext::Champion);
    m_copyRow->setEnabled(rowCount() >= 1);
    m_copyAll->setEnabled(rowCount() >= 2);
}

void TDlgPartInfo::BtnPrintClick()
{
    if (m_report)
        m_report(templatePath(), false);
    else
        ShowPlainMessage(s("Printing the item numbers is not available in this version."));
}

void TDlgPartInfo::BtnDesignClick()
{
    const QString path = templatePath();
    if (!QFileInfo::exists(path)) {
        MsgOK(s("5"), {path});
        return;
    }
    if (m_report)
        m_report(path, true);
    else
        ShowPlainMessage(s("Designing printouts is not available in this version."));
}

bool TDlgPartInfo::eventFilter(QObject* watched, QEvent* event)
{
    // GridPreventAdding: the grid never grows from the keyboard.
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Insert)
            return true;
        if (key->key() == Qt::Key_Down && m_grid->currentRow() >= m_grid->rowCount() - 1)
            return true;
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier)) {
            int row = m_grid->currentRow();
            int col = m_grid->currentColumn() + 1;
            if (col >= m_grid->columnCount()) {
                col = 0;
                row = std::min(row + 1, m_grid->rowCount() - 1);
            }
            if (row >= 0)
                m_grid->setCurrentCell(row, col);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kiro
