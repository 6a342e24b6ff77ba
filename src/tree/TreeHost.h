#pragma once

#include <QString>

class QWidget;

namespace kiro {

// What the project tree asks of the window it sits in. The main window
// implements it; every function does nothing by default, so that a test can
// record only what it checks.
class TreeHost {
public:
    virtual ~TreeHost() = default;

    // Status bar: the filter expression (panel 5), the sorting text (panel
    // 3, already translated), and an action shown across the whole bar with
    // the hourglass cursor until StatusHideAction.
    virtual void StatusSetFilter(const QString& text) { (void)text; }
    virtual void StatusSetSorting(const QString& text) { (void)text; }
    virtual void StatusShowAction(const QString& text) { (void)text; }
    virtual void StatusHideAction() {}
    // The detail pages are hidden while the tree is rebuilt and stay hidden
    // when it ends empty.
    virtual void HideDetailPages() {}
    // The parent of the dialogs the tree opens (null: none).
    virtual QWidget* dialogParent() { return nullptr; }
};

} // namespace kiro
