#include "support/ScriptedInteraction.h"

#include "app/Msg.h"
#include "app/core/Messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace kiro::test {

ScriptedInteraction::ScriptedInteraction()
{
    m_previous = setInteraction(this);
}

ScriptedInteraction::~ScriptedInteraction()
{
    setInteraction(m_previous);
    for (const Step& step : m_steps)
        ADD_FAILURE() << "expected dialog never shown: " << step.name.toStdString();
}

void ScriptedInteraction::expect(const QString& objectName, Handler handler)
{
    m_steps.push_back({objectName, std::move(handler), {}, false});
}

void ScriptedInteraction::expectMessage(const QString& contains, int code)
{
    expect(QStringLiteral("DlgMsg"), [contains, code](QDialog& d) {
        auto& msg = dynamic_cast<TDlgMsg&>(d);
        EXPECT_TRUE(msg.messageText().contains(contains) || msg.property("messageKey").toString() == contains
                    || msg.messageText().contains(MsgText(contains)))
            << "message '" << msg.messageText().toStdString() << "' lacks '" << contains.toStdString() << "'";
        clickButton(d, TDlgMsg::buttonName(code));
    });
}

void ScriptedInteraction::expectPlainMessage(const QString& contains)
{
    expect(QStringLiteral("PlainMessage"), [contains](QDialog& d) {
        auto& box = dynamic_cast<QMessageBox&>(d);
        EXPECT_TRUE(box.text().contains(contains))
            << "notice '" << box.text().toStdString() << "' lacks '" << contains.toStdString() << "'";
        d.accept();
    });
}

void ScriptedInteraction::expectFiles(const QStringList& paths)
{
    m_steps.push_back({QStringLiteral("files"), {}, paths, true});
}

int ScriptedInteraction::execDialog(QDialog& dialog)
{
    if (auto* msg = dynamic_cast<TDlgMsg*>(&dialog))
        m_messages.append(msg->messageText());
    if (m_steps.empty() || m_steps.front().isFiles || m_steps.front().name != dialog.objectName()) {
        ADD_FAILURE() << "unexpected dialog " << dialog.objectName().toStdString()
                      << (m_steps.empty() ? std::string(" (script is empty)")
                                          : " (expected " + m_steps.front().name.toStdString() + ")");
        dialog.reject();
        return dialog.result();
    }
    Step step = std::move(m_steps.front());
    m_steps.pop_front();

    // Like exec(): the dialog is shown (its show handlers run), then acted on.
    dialog.setResult(0);
    dialog.show();
    QApplication::processEvents();
    step.handler(dialog);
    if (dialog.isVisible()) {
        ADD_FAILURE() << "dialog " << dialog.objectName().toStdString() << " left open by the script";
        dialog.reject();
    }
    return dialog.result();
}

QStringList ScriptedInteraction::chooseFiles(const FileRequest& request)
{
    if (m_steps.empty() || !m_steps.front().isFiles) {
        ADD_FAILURE() << "unexpected file dialog '" << request.caption.toStdString() << "'";
        return {};
    }
    QStringList files = m_steps.front().files;
    m_steps.pop_front();
    return files;
}

void clickButton(QDialog& dialog, const QString& name)
{
    auto* button = dialog.findChild<QPushButton*>(name);
    ASSERT_NE(button, nullptr) << "no button " << name.toStdString() << " in " << dialog.objectName().toStdString();
    button->click();
}

} // namespace kiro::test
