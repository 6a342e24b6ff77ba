#pragma once

#include <QScrollArea>

class QScrollBar;

namespace kiro {

// A scroll box for stacked labels and fields: after every resize each child
// of contents() reaches from its left edge to the box's right client edge,
// so that the fields of a column stretch with it. Contents laid out by a
// layout are stretched to the client width as a whole.
//
// The box remembers the last horizontal and vertical scroll positions and
// tells of every scroll after it was carried out, with the scroll bar's
// action (a QAbstractSlider::SliderAction; SliderNoAction for a scroll by
// program or wheel) and the bar. Main thread only.
class ThmScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit ThmScrollBox(QWidget* parent = nullptr);

    // The parent of the box's children.
    QWidget* contents() const { return widget(); }
    // Lays the children out again (after children were added or resized).
    void stretchChildren();

    int lastHScrollPosition() const { return m_lastH; }
    int lastVScrollPosition() const { return m_lastV; }

signals:
    void hScrolled(int action, QScrollBar* bar);
    void vScrolled(int action, QScrollBar* bar);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // A scroll bar that comes or goes changes the client width too.
    bool viewportEvent(QEvent* event) override;

private:
    int m_lastH = 0;
    int m_lastV = 0;
    int m_hAction = 0;
    int m_vAction = 0;
    bool m_stretching = false;
};

} // namespace kiro
