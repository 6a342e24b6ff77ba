#pragma once

#include <QWidget>

class QToolButton;

namespace kiro {

class TFormData;
class ThmDBGrid;

namespace db {
class Dataset;
} // namespace db

// The list of a project's products or of a product's accessories: tag,
// name, description, class, quantity, where the item came from, and its
// role (alternative, additional option), with buttons that move the
// current item up or down. Main thread only.
class TItemListPage : public QWidget {
    Q_OBJECT
public:
    ThmDBGrid* grid() const { return m_grid; }
    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

    // The move buttons (MoveItemUp/MoveItemDown on the items shown).
    void moveUp();
    void moveDown();

protected:
    enum class Kind { Products, Accessories };
    TItemListPage(TFormData& data, Kind kind, QWidget* parent);

    db::Dataset& items() const;

    TFormData& m_data;
    Kind m_kind;
    ThmDBGrid* m_grid = nullptr;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
};

class TProductListPage : public TItemListPage {
    Q_OBJECT
public:
    explicit TProductListPage(TFormData& data, QWidget* parent = nullptr);

    void TabProdListBtnUpClick() { moveUp(); }
    void TabProdListBtnDownClick() { moveDown(); }
};

class TAccessoryListPage : public TItemListPage {
    Q_OBJECT
public:
    explicit TAccessoryListPage(TFormData& data, QWidget* parent = nullptr);

    void TabAccListBtnUpClick() { moveUp(); }
    void TabAccListBtnDownClick() { moveDown(); }
};

} // namespace kiro
