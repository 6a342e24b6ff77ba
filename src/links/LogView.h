#pragma once

#include <QDialog>
#include <QIcon>
#include <QList>
#include <QString>

class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace kiro {

class TFormData;

// A node of the main window's project tree as the log viewer copies it: a
// project with its products, a product with its accessories.
struct LogTreeNode {
    QString id;
    QString caption;
    QIcon icon;
    QList<LogTreeNode> children;
};

// "Tools - Log": the projects shown in the main window's tree, with their
// products and accessories, and the log entries of the node selected. The
// entries are read through the data module's log view (TableLogView),
// whose table the selected node's level chooses; the dialog closes that
// view again when it goes. Main thread only.
class TdlgLogView : public QDialog {
    Q_OBJECT
public:
    TdlgLogView(TFormData& data, QList<LogTreeNode> projects, QWidget* parent = nullptr);
    ~TdlgLogView() override;

    QTreeWidget* tree() const { return m_tree; }
    QTableWidget* grid() const { return m_grid; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void dxTreeChange(QTreeWidgetItem* current);
    void fillGrid();

    TFormData& m_data;
    QList<LogTreeNode> m_projects;
    bool m_shown = false;
    QTreeWidget* m_tree = nullptr;
    QTableWidget* m_grid = nullptr;
};

// The Tools menu's "View logs": the viewer, translated, shown modally and
// freed. `projects` are the project nodes the main tree shows.
void ToolsViewLogs(TFormData& data, const QList<LogTreeNode>& projects, QWidget* parent = nullptr);

} // namespace kiro
