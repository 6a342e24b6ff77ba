#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QTableWidget>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QComboBox;
class QPushButton;
class QTabWidget;

namespace kiro {

class TFormData;

namespace db {
class Connection;
class Dataset;
} // namespace db

// A grid over the rows of a dataset for the option dialogs: one column per
// field, a typed value goes into the row at once (edit, set, post), and the
// grid is read again so that the fields the row's handlers wrote show.
// Rows are never appended from the keyboard. The grid's current row is the
// dataset's current row.
class TOptionGrid : public QTableWidget {
    Q_OBJECT
public:
    struct Column {
        QString field;
        QString title;
        bool readOnly = false;
        QString format;     // display picture of numbers; empty: as stored
        bool check = false; // a boolean shown as a check box
    };

    static Column column(const QString& field, const QString& title, bool readOnly = false,
                         const QString& format = QString(), bool check = false)
    {
        return Column{field, title, readOnly, format, check};
    }

    TOptionGrid(QWidget* parent, const QList<Column>& columns);
    void setDataset(db::Dataset* dataset);
    db::Dataset* dataset() const { return m_dataset; }
    // Reads the rows again; keeps the current row.
    void reload();
    // Rows shown in bold (the base currency).
    void setBoldRow(std::function<bool(db::Dataset&, int row)> bold) { m_bold = std::move(bold); }
    // A value refused before it is written; returns the message key or
    // empty when the value may be written.
    void setValidator(std::function<QString(const QString& field, const QVariant& value)> v)
    {
        m_validator = std::move(v);
    }
    // Types a value into a cell as the user would.
    void enterValue(int row, const QString& field, const QString& text);

private:
    void cellEdited(int row, int column);
    void rowSelected(int row);

    QList<Column> m_columns;
    db::Dataset* m_dataset = nullptr;
    std::function<bool(db::Dataset&, int)> m_bold;
    std::function<QString(const QString&, const QVariant&)> m_validator;
    bool m_loading = false;
};

// "Options - Currencies": the system rates (defaults for new projects) and,
// in project mode, the current project's rates, both edited in scratch
// copies that only OK writes back.
class TDlgOptCurr : public QDialog {
    Q_OBJECT
public:
    TDlgOptCurr(TFormData& data, bool projectMode, QWidget* parent = nullptr);
    ~TDlgOptCurr() override;

    bool projectMode() const { return m_projectMode; }
    db::Dataset* systemCopy() const { return m_systemCopy.get(); }
    db::Dataset* projectCopy() const { return m_projectCopy.get(); }
    TOptionGrid* systemGrid() const { return m_systemGrid; }
    TOptionGrid* projectGrid() const { return m_projectGrid; }
    QComboBox* systemDefault() const { return m_systemDefault; }
    QComboBox* projectDefault() const { return m_projectDefault; }

    // "Set as base currency" of a page: the current row's currency gets Rate 1.
    void setAsBase(db::Dataset& copy);
    // "Copy to project".
    void copyToProject();

public slots:
    void accept() override;

private:
    QWidget* buildPage(bool project);
    bool makeCopy(const QString& table, db::Dataset& source, std::unique_ptr<QTemporaryDir>& dir,
                  std::unique_ptr<db::Connection>& connection, std::unique_ptr<db::Dataset>& copy);
    void fillDefaults();
    void closeCopies();

    TFormData& m_data;
    bool m_projectMode;
    QTabWidget* m_pages = nullptr;
    TOptionGrid* m_systemGrid = nullptr;
    TOptionGrid* m_projectGrid = nullptr;
    QComboBox* m_systemDefault = nullptr;
    QComboBox* m_projectDefault = nullptr;
    QPushButton* m_copy = nullptr;
    std::unique_ptr<QTemporaryDir> m_systemDir;
    std::unique_ptr<QTemporaryDir> m_projectDir;
    std::unique_ptr<db::Connection> m_systemConnection;
    std::unique_ptr<db::Connection> m_projectConnection;
    std::unique_ptr<db::Dataset> m_systemCopy;
    std::unique_ptr<db::Dataset> m_projectCopy;
};

// The Options menu's currency command: system mode when no tree node is
// selected or there is no project; after OK in project mode every product
// and the project are recalculated. True when OK was pressed.
bool OptionsCurrencies(TFormData& data, bool nodeSelected, QWidget* parent = nullptr);

} // namespace kiro
