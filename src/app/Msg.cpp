#include "app/Msg.h"

#include "app/core/Messages.h"

#include <QApplication>
#include <QFrame>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace kiro {

namespace {

constexpr int ButtonLeft = 5;
constexpr int ButtonStep = 80;
constexpr int ButtonTop = 5;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int ButtonPanelHeight = 35;

struct ButtonLook {
    int code;
    const char* caption;
    QStyle::StandardPixmap icon;
    bool standard;
};

constexpr ButtonLook ButtonLooks[] = {
    {MsgCodeOK, "&OK", QStyle::SP_DialogOkButton, true},
    {MsgCodeCancel, "&Cancel", QStyle::SP_DialogCancelButton, true},
    {MsgCodeAbort, "&Abort", QStyle::SP_DialogAbortButton, true},
    {MsgCodeRetry, "&Retry", QStyle::SP_DialogRetryButton, true},
    {MsgCodeIgnore, "&Ignore", QStyle::SP_DialogIgnoreButton, true},
    {MsgCodeYes, "&Yes", QStyle::SP_DialogYesButton, true},
    {MsgCodeNo, "&No", QStyle::SP_DialogNoButton, true},
    {MsgCodeAll, "&All", QStyle::SP_DialogYesToAllButton, true},
    {MsgCodeNoToAll, "No to all", QStyle::SP_DialogNoToAllButton, false},
    {MsgCodeYesToAll, "Yes to all", QStyle::SP_DialogYesToAllButton, false},
};

const ButtonLook* lookOf(int code)
{
    for (const ButtonLook& look : ButtonLooks) {
        if (look.code == code)
            return &look;
    }
    return nullptr;
}

} // namespace

TDlgMsg::TDlgMsg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("DlgMsg"));
    setWindowTitle(QStringLiteral("DlgMsg"));
    setWindowModality(Qt::ApplicationModal);
    resize(DesignWidth, DesignHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_panMessage = new QFrame(this);
    m_panMessage->setObjectName(QStringLiteral("panMessage"));
    m_panMessage->setFrameShape(QFrame::NoFrame);
    auto* messageLayout = new QVBoxLayout(m_panMessage);
    messageLayout->setContentsMargins(5, 5, 5, 5);
    messageLayout->setSpacing(0);

    m_message = new QPlainTextEdit(m_panMessage);
    m_message->setObjectName(QStringLiteral("DlgMsgMessage"));
    m_message->setReadOnly(true);
    m_message->setFrameShape(QFrame::NoFrame);
    m_message->setFocusPolicy(Qt::NoFocus); // Return goes to the default button
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_message->viewport()->setAutoFillBackground(false);
    m_message->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    messageLayout->addWidget(m_message, 1);

    m_divider = new QFrame(m_panMessage);
    m_divider->setObjectName(QStringLiteral("DlgMsgDivider"));
    m_divider->setFrameShape(QFrame::HLine);
    m_divider->setFrameShadow(QFrame::Sunken);
    m_divider->setFixedHeight(2);
    messageLayout->addWidget(m_divider);

    layout->addWidget(m_panMessage, 1);

    m_panButtons = new QWidget(this);
    m_panButtons->setObjectName(QStringLiteral("panButtons"));
    m_panButtons->setFixedHeight(ButtonPanelHeight);
    layout->addWidget(m_panButtons);
}

QString TDlgMsg::buttonName(int code)
{
    switch (code) {
    case MsgCodeOK: return QStringLiteral("BtnOK");
    case MsgCodeCancel: return QStringLiteral("BtnCancel");
    case MsgCodeAbort: return QStringLiteral("BtnAbort");
    case MsgCodeRetry: return QStringLiteral("BtnRetry");
    case MsgCodeIgnore: return QStringLiteral("BtnIgnore");
    case MsgCodeYes: return QStringLiteral("BtnYes");
    case MsgCodeNo: return QStringLiteral("BtnNo");
    case MsgCodeAll: return QStringLiteral("BtnAll");
    case MsgCodeNoToAll: return QStringLiteral("BtnNoToAll");
    case MsgCodeYesToAll: return QStringLiteral("BtnYesToAll");
    default: return QStringLiteral("Btn%1").arg(code);
    }
}

QPushButton* TDlgMsg::createButton(int code, int index)
{
    auto* button = new QPushButton(m_panButtons);
    button->setObjectName(buttonName(code));
    if (const ButtonLook* look = lookOf(code)) {
        button->setText(QString::fromLatin1(look->caption));
        if (look->standard && style()->styleHint(QStyle::SH_DialogButtonBox_ButtonsHaveIcons, nullptr, this))
            button->setIcon(style()->standardIcon(look->icon, nullptr, this));
    }
    button->setGeometry(ButtonLeft + ButtonStep * index, ButtonTop, ButtonWidth, ButtonHeight);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, code] { done(code); });
    return button;
}

void TDlgMsg::setup(const QString& caption, const QString& text, const QList<int>& codes, int defaultCode)
{
    setWindowTitle(caption);
    // Texts written for another platform may end their lines with CR LF.
    m_message->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    qDeleteAll(m_buttons);
    m_buttons.clear();
    for (int i = 0; i < codes.size(); ++i)
        m_buttons.append(createButton(codes.at(i), i));

    if (!m_buttons.isEmpty()) {
        const int rightEdge = m_buttons.last()->geometry().right() + 1;
        if (width() < rightEdge)
            resize(rightEdge + 10, height());
    }

    QPushButton* chosen = nullptr;
    for (int i = 0; i < m_buttons.size(); ++i) {
        m_buttons.at(i)->setDefault(false);
        if (!chosen && codes.at(i) == defaultCode)
            chosen = m_buttons.at(i);
    }
    if (chosen) {
        chosen->setDefault(true);
        // First in the tab order, then the others as they stand.
        QWidget* previous = chosen;
        for (QPushButton* button : std::as_const(m_buttons)) {
            if (button == chosen)
                continue;
            setTabOrder(previous, button);
            previous = button;
        }
        chosen->setFocus(Qt::OtherFocusReason);
    }
}

QPushButton* TDlgMsg::defaultButton() const
{
    for (QPushButton* button : m_buttons) {
        if (button->isDefault())
            return button;
    }
    return nullptr;
}

QString TDlgMsg::messageText() const
{
    return m_message->toPlainText();
}

void TDlgMsg::reject()
{
    done(MsgCodeCancel);
}

} // namespace kiro
