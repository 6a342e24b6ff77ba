#pragma once

#include <QStringList>
#include <QTreeWidget>

#include <functional>

namespace kiro {

// The tree view of the hm control library, as the project tree uses it:
// read-only captions, indent 20, the selection kept visible without focus,
// 17 x 17 images, and two additions.
//
// HMAcceptFiles: while set, files dropped from the desktop are accepted and
// reported by HMOnDropFiles with the node under the drop point (null below
// the last node); other drops go to the standard tree.
//
// The changing guard: a handler consulted before the current node changes,
// by mouse, keyboard or setCurrentItem. When it returns false the current
// node and the selection stay as they were. A change it triggers itself
// (while it runs) is not asked again. A node that is deleted hands the
// selection on without asking: there is nothing to keep. After every change
// of the current node nodeChanged() follows.
//
// Main thread only.
class ThmTreeView : public QTreeWidget {
    Q_OBJECT
    Q_PROPERTY(bool HMAcceptFiles READ HMAcceptFiles WRITE setHMAcceptFiles)
public:
    using ChangingHandler = std::function<bool(QTreeWidgetItem* to)>;

    explicit ThmTreeView(QWidget* parent = nullptr);
    ~ThmTreeView() override;

    bool HMAcceptFiles() const { return m_acceptFiles; }
    void setHMAcceptFiles(bool accept);

    void setChangingHandler(ChangingHandler handler) { m_changing = std::move(handler); }
    // Whether the guard lets the current node become `to` (true without one).
    bool allowChange(QTreeWidgetItem* to);

    // Tells the followers of nodeChanged() again about the current node, for
    // a change of the rows behind it (the node itself stays).
    void reselectCurrent();

    // Puts the children of `parent` in the order of `less` (stable). The
    // current node, the selection and the expanded nodes stay as they were,
    // and neither the guard nor nodeChanged() hear of it: no node changed.
    using NodeLess = std::function<bool(const QTreeWidgetItem* a, const QTreeWidgetItem* b)>;
    void sortChildren(QTreeWidgetItem* parent, const NodeLess& less);

    // Repainting suspended while the tree is built; nesting.
    void beginUpdate();
    void endUpdate();

Q_SIGNALS:
    void nodeChanged(QTreeWidgetItem* node);
    void HMOnDropFiles(QTreeWidgetItem* node, const QStringList& files);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class GuardedSelection;
    static QStringList localFiles(const QMimeData* mime);

    bool m_acceptFiles = false;
    bool m_inGuard = false;
    bool m_quiet = false; // sortChildren restores the current node
    int m_updateDepth = 0;
    ChangingHandler m_changing;
};

} // namespace kiro
