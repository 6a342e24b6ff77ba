#include "controls/ThmScrollBox.h"

#include <QEvent>
#include <QLayout>
#include <QScrollBar>

#include <algorithm>
#include <utility>

namespace kiro {

ThmScrollBox::ThmScrollBox(QWidget* parent)
    : QScrollArea(parent)
{
    setWidgetResizable(false);
    setWidget(new QWidget);
    setFrameShape(QFrame::NoFrame);
    qRegisterMetaType<QScrollBar*>(); // for queued connections to the scroll signals

    // The action comes before the move; the move is what is reported.
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) { m_hAction = action; });
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) { m_vAction = action; });
    connect(horizontalScrollBar(), &QAbstractSlider::valueChanged, this, [this](int position) {
        m_lastH = position;
        emit hScrolled(std::exchange(m_hAction, QAbstractSlider::SliderNoAction), horizontalScrollBar());
    });
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, this, [this](int position) {
        m_lastV = position;
        emit vScrolled(std::exchange(m_vAction, QAbstractSlider::SliderNoAction), verticalScrollBar());
    });
}

void ThmScrollBox::stretchChildren()
{
    QWidget* box = contents();
    if (!box) {
        return;
    }
    const int width = viewport()->width();
    if (QLayout* layout = box->layout()) {
        const int height = layout->hasHeightForWidth() ? layout->heightForWidth(width) : layout->sizeHint().height();
        box->resize(width, std::max(height, layout->minimumSize().height()));
        return;
    }
    int bottom = 0;
    for (QWidget* child : box->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isWindow()) {
            continue;
        }
        child->resize(std::max(0, width - child->x()), child->height());
        if (!child->isHidden()) {
            bottom = std::max(bottom, child->geometry().bottom() + 1);
        }
    }
    box->resize(width, bottom);
}

void ThmScrollBox::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    stretchChildren();
}

bool ThmScrollBox::viewportEvent(QEvent* event)
{
    const bool result = QScrollArea::viewportEvent(event);
    if (event->type() == QEvent::Resize && !m_stretching) {
        m_stretching = true;
        stretchChildren();
        m_stretching = false;
    }
    return result;
}

void ThmScrollBox::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    stretchChildren();
}

} // namespace kiro
