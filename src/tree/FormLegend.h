#pragma once

#include <QWidget>

class QLabel;
class QTreeWidget;

namespace kiro {

// The legend of the tree images: a tool window that explains each picture.
// Not modal; its close box hides it. The entries keep their English texts,
// the window's caption and its panel are translated by component name.
class TFormLegend : public QWidget {
    Q_OBJECT
public:
    explicit TFormLegend(QWidget* parent = nullptr);

    // Shown on top of the other windows, centred on the screen the first time.
    void ShowIt();
    // Hidden, and a normal window again.
    void HideIt();

    QTreeWidget* legendTree() const { return m_tree; }

private:
    QTreeWidget* m_tree = nullptr;
    QLabel* m_panel = nullptr;
    bool m_placed = false;
};

} // namespace kiro
