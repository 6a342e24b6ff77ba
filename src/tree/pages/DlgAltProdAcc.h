#pragma once

#include <QDialog>

namespace kiro {

class ThmDBGrid;

namespace db {
class DataSource;
} // namespace db

// "Select alternative product": the items the current product or accessory
// may be an alternative for, one row each (Tag, Name, Description, Class).
// The candidates' current row is the choice; OK keeps it. The grid never
// edits. Main thread only.
class TDlgAltProdAcc : public QDialog {
    Q_OBJECT
public:
    TDlgAltProdAcc(db::DataSource& candidates, QWidget* parent = nullptr);

    ThmDBGrid* grid() const { return m_grid; }

private:
    ThmDBGrid* m_grid;
};

} // namespace kiro
