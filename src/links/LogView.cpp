#include "links/LogView.h"

#include "app/DialogService.h"
#include "app/Translate.h"
#include "app/core/Messages.h"
#include "data/FormData.h"
#include "data/Log.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"
#include "db/FilterExpression.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>
#include <vector>

namespace kiro {

namespace {

const char* const kColumns[] = {"Date", "Source", "Name", "Severity", "Description", "User", "Comment"};
constexpr int kIdRole = Qt::UserRole;

db::Dataset& logView(TFormData& data)
{
    return data.table(QStringLiteral("TableLogView"));
}

} // namespace

TdlgLogView::TdlgLogView(TFormData& data, QList<LogTreeNode> projects, QWidget* parent)
    : QDialog(parent)
    , m_data(data)
    , m_projects(std::move(projects))
{
    setObjectName(QStringLiteral("dlgLogView"));
    setWindowTitle(QStringLiteral("Tools - Log"));
    resize(820, 460);

    auto* layout = new QVBoxLayout(this);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    m_tree = new QTreeWidget(splitter);
    m_tree->setObjectName(QStringLiteral("dxTree"));
    m_tree->setHeaderHidden(true);
    m_grid = new QTableWidget(splitter);
    m_grid->setObjectName(QStringLiteral("dlgLogViewGrid"));
    m_grid->setColumnCount(int(std::size(kColumns)));
    QStringList titles;
    for (const char* c : kColumns)
        titles << QString::fromLatin1(c);
    m_grid->setHorizontalHeaderLabels(titles);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    splitter->addWidget(m_tree);
    splitter->addWidget(m_grid);
    splitter->setStretchFactor(1, 3);
    layout->addWidget(splitter, 1);

    auto* box = new QDialogButtonBox(this);
    box->addButton(QDialogButtonBox::Close)->setObjectName(QStringLiteral("BtnClose"));
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { dxTreeChange(current); });
}

TdlgLogView::~TdlgLogView()
{
    // The view belongs to the data module: leave it closed and unfiltered.
    try {
        db::Dataset& log = logView(m_data);
        log.close();
        log.setFiltered(false);
        log.setFilter(QString());
    } catch (const db::DatabaseError&) {
    }
}

void TdlgLogView::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TdlgLogView::FormShow()
{
    m_tree->clear();
    // Built from nodes, not from the records: what the main tree hides stays
    // hidden here.
    std::function<void(QTreeWidgetItem*, const LogTreeNode&, int)> add = [&](QTreeWidgetItem* parent,
                                                                             const LogTreeNode& node, int level) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
        item->setText(0, node.caption);
        item->setIcon(0, node.icon);
        item->setData(0, kIdRole, node.id);
        if (level < 2) {
            for (const LogTreeNode& child : node.children)
                add(item, child, level + 1);
        }
    };
    for (const LogTreeNode& project : std::as_const(m_projects))
        add(nullptr, project, 0);
}

void TdlgLogView::dxTreeChange(QTreeWidgetItem* current)
{
    db::Dataset& log = logView(m_data);
    try {
        log.close();
        int level = 0;
        for (QTreeWidgetItem* p = current ? current->parent() : nullptr; p; p = p->parent())
            ++level;
        const QString table = logkind::tableComponent(level + 1);
        if (current && !table.isEmpty()) {
            log.setTableName(m_data.table(table).tableName());
            log.setFilter(QStringLiteral("ParentID=") +
                          db::FilterExpression::quoted(current->data(0, kIdRole).toString()));
            log.setFiltered(true);
            log.open();
            log.first();
        }
    } catch (const db::DatabaseError& e) {
        MsgOK(QStringLiteral("%s"), {e.message()});
        log.close();
    }
    fillGrid();
}

void TdlgLogView::fillGrid()
{
    db::Dataset& log = logView(m_data);
    m_grid->clearContents();
    if (!log.isActive()) {
        m_grid->setRowCount(0);
        return;
    }
    std::vector<int> fields;
    for (const char* c : kColumns)
        fields.push_back(log.fieldByName(QString::fromLatin1(c)).index());
    m_grid->setRowCount(log.recordCount());
    const QLocale locale;
    for (int row = 0; row < log.recordCount(); ++row) {
        for (int column = 0; column < int(fields.size()); ++column) {
            const QVariant value = log.rowValue(row, fields[size_t(column)]);
            const QString text = value.typeId() == QMetaType::QDateTime
                                     ? locale.toString(value.toDateTime(), QLocale::ShortFormat)
                                     : value.toString();
            m_grid->setItem(row, column, new QTableWidgetItem(text));
        }
    }
    m_grid->resizeColumnsToContents();
}

void ToolsViewLogs(TFormData& data, const QList<LogTreeNode>& projects, QWidget* parent)
{
    TdlgLogView dialog(data, projects, parent);
    TranslateForm(dialog);
    ExecDialog(dialog);
}

} // namespace kiro
