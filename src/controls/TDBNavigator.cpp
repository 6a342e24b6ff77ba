#include "controls/TDBNavigator.h"

#include "app/core/Messages.h"
#include "controls/FieldLink.h"
#include "db/Dataset.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolButton>

namespace kiro {

namespace {

const char* hintKey(TDBNavigator::Button button)
{
    switch (button) {
    case TDBNavigator::Button::First: return "First record";
    case TDBNavigator::Button::Prior: return "Prior record";
    case TDBNavigator::Button::Next: return "Next record";
    case TDBNavigator::Button::Last: return "Last record";
    case TDBNavigator::Button::Insert: return "Insert record";
    case TDBNavigator::Button::Delete: return "Delete record";
    case TDBNavigator::Button::Edit: return "Edit record";
    case TDBNavigator::Button::Post: return "Post edit";
    case TDBNavigator::Button::Cancel: return "Cancel edit";
    case TDBNavigator::Button::Refresh: return "Refresh data";
    }
    return "";
}

// The glyphs are drawn here rather than taken from an icon theme, which a
// desktop may not have.
QIcon buttonIcon(TDBNavigator::Button button, const QColor& color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(color);
    auto triangle = [&](qreal tipX, qreal baseX) {
        const QPointF points[] = {{tipX, 8}, {baseX, 3}, {baseX, 13}};
        p.drawPolygon(points, 3);
    };
    switch (button) {
    case TDBNavigator::Button::First:
        p.drawLine(QPointF(3.5, 3), QPointF(3.5, 13));
        triangle(6, 13);
        break;
    case TDBNavigator::Button::Prior: triangle(4, 11); break;
    case TDBNavigator::Button::Next: triangle(12, 5); break;
    case TDBNavigator::Button::Last:
        triangle(10, 3);
        p.drawLine(QPointF(12.5, 3), QPointF(12.5, 13));
        break;
    case TDBNavigator::Button::Insert:
        p.drawLine(QPointF(8, 3), QPointF(8, 13));
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
        break;
    case TDBNavigator::Button::Delete: p.drawLine(QPointF(3, 8), QPointF(13, 8)); break;
    case TDBNavigator::Button::Edit: {
        const QPointF points[] = {{8, 4}, {13, 12}, {3, 12}};
        p.drawPolygon(points, 3);
        break;
    }
    case TDBNavigator::Button::Post: {
        p.setBrush(Qt::NoBrush);
        const QPointF points[] = {{3, 8.5}, {6.5, 12}, {13, 4}};
        p.drawPolyline(points, 3);
        break;
    }
    case TDBNavigator::Button::Cancel:
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case TDBNavigator::Button::Refresh: {
        p.setBrush(Qt::NoBrush);
        QPainterPath arc;
        arc.arcMoveTo(QRectF(3, 3, 10, 10), 90);
        arc.arcTo(QRectF(3, 3, 10, 10), 90, 270);
        p.drawPath(arc);
        p.setBrush(color);
        p.setPen(Qt::NoPen);
        const QPointF head[] = {{6, 0.5}, {10.5, 3}, {6, 5.5}};
        p.drawPolygon(head, 3);
        break;
    }
    }
    p.end();
    return QIcon(pixmap);
}

bool isEditing(const db::Dataset* ds)
{
    return ds && (ds->state() == db::DatasetState::Edit || ds->state() == db::DatasetState::Insert);
}

} // namespace

TDBNavigator::TDBNavigator(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const QColor color = palette().color(QPalette::ButtonText);
    for (Button b : allButtons()) {
        auto* tool = new QToolButton(this);
        tool->setIcon(buttonIcon(b, color));
        tool->setAutoRaise(false);
        tool->setFocusPolicy(Qt::NoFocus);
        connect(tool, &QToolButton::clicked, this, [this, b] { doAction(b); });
        layout->addWidget(tool);
        m_buttons[size_t(b)] = tool;
    }
    m_link.onDataChanged = [this](const QString&) { updateButtons(); };
    m_link.onStateChanged = [this] { updateButtons(); };
    retranslate();
    updateButtons();
}

void TDBNavigator::retranslate()
{
    for (Button b : allButtons()) {
        button(b)->setToolTip(MsgText(QString::fromLatin1(hintKey(b))));
    }
}

TDBNavigator::~TDBNavigator() = default;

TDBNavigator::Buttons TDBNavigator::allButtons()
{
    return {Button::First,  Button::Prior, Button::Next, Button::Last,   Button::Insert,
            Button::Delete, Button::Edit,  Button::Post, Button::Cancel, Button::Refresh};
}

void TDBNavigator::setDataSource(db::DataSource* source)
{
    m_link.setDataSource(source);
    updateButtons();
}

void TDBNavigator::setVisibleButtons(const Buttons& buttons)
{
    for (Button b : allButtons()) {
        button(b)->setVisible(buttons.contains(b));
    }
}

TDBNavigator::Buttons TDBNavigator::visibleButtons() const
{
    Buttons shown;
    for (Button b : allButtons()) {
        if (!button(b)->isHidden()) {
            shown << b;
        }
    }
    return shown;
}

void TDBNavigator::updateButtons()
{
    const db::Dataset* ds = m_link.dataset();
    const bool active = ds && ds->isActive();
    const bool editing = isEditing(ds);
    const bool canModify = active && !ds->isReadOnly();
    const int record = active ? ds->recNo() : 0;
    const int count = active ? ds->recordCount() : 0;
    const bool up = active && record > 1;
    const bool down = active && record >= 1 && record < count;
    button(Button::First)->setEnabled(up);
    button(Button::Prior)->setEnabled(up);
    button(Button::Next)->setEnabled(down);
    button(Button::Last)->setEnabled(down);
    button(Button::Insert)->setEnabled(canModify);
    button(Button::Delete)->setEnabled(canModify && (count > 0 || editing));
    button(Button::Edit)->setEnabled(canModify && !editing);
    button(Button::Post)->setEnabled(canModify && editing);
    button(Button::Cancel)->setEnabled(editing);
    button(Button::Refresh)->setEnabled(active);
}

void TDBNavigator::doAction(Button b)
{
    db::Dataset* ds = m_link.dataset();
    if (!ds || !button(b)->isEnabled()) {
        return;
    }
    bool proceed = true;
    if (m_beforeAction && !runGuarded([&] { proceed = m_beforeAction(b); })) {
        proceed = false;
    }
    if (!proceed) {
        return;
    }
    // The handler may have closed or replaced the dataset.
    ds = m_link.dataset();
    if (!ds || !ds->isActive()) {
        return;
    }
    bool done = false;
    runGuarded([&] {
        switch (b) {
        case Button::First: ds->first(); break;
        case Button::Prior: ds->prior(); break;
        case Button::Next: ds->next(); break;
        case Button::Last: ds->last(); break;
        case Button::Insert: ds->insert(); break;
        case Button::Delete:
            if (m_confirmDelete &&
                MsgDialog(QStringLiteral("Delete record?"), {}, MsgCodeOK, {MsgCodeOK, MsgCodeCancel}) != MsgCodeOK) {
                return;
            }
            ds->deleteRecord();
            break;
        case Button::Edit: ds->edit(); break;
        case Button::Post: ds->post(); break;
        case Button::Cancel: ds->cancel(); break;
        case Button::Refresh: ds->refresh(); break;
        }
        done = true;
    });
    updateButtons();
    if (done) {
        emit clicked(b);
    }
}

} // namespace kiro
