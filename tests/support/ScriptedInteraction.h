#pragma once

#include "app/DialogService.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

namespace kiro::test {

// Answers the program's dialogs from a script. Each expected dialog is
// named by its objectName ("DlgMsg" for messages, "PlainMessage" for plain
// notices, "DlgLogon", ...) and acted on by a handler that works on the real
// dialog's widgets: it may click buttons, type into fields or call done().
// A dialog the script does not expect fails the test and is rejected.
//
// Installs itself for its lifetime.
class ScriptedInteraction : public DialogService {
public:
    using Handler = std::function<void(QDialog&)>;

    ScriptedInteraction();
    ~ScriptedInteraction() override;

    void expect(const QString& objectName, Handler handler);
    // A message box: checks that its key is `contains`, or that its text
    // contains `contains` or the translation of that key, and answers with
    // the button of `code`.
    void expectMessage(const QString& contains, int code);
    // A plain notice with a text containing `contains`.
    void expectPlainMessage(const QString& contains);
    // The next file or directory choice returns these paths.
    void expectFiles(const QStringList& paths);

    int execDialog(QDialog& dialog) override;
    QStringList chooseFiles(const FileRequest& request) override;

    bool done() const { return m_steps.empty(); }
    // Texts of every message box shown, in order.
    const QStringList& messages() const { return m_messages; }

private:
    struct Step {
        QString name;
        Handler handler;
        QStringList files;
        bool isFiles = false;
    };
    std::deque<Step> m_steps;
    QStringList m_messages;
    Interaction* m_previous = nullptr;
};

// Clicks the button with this objectName inside a dialog (fails the test
// when there is none).
void clickButton(QDialog& dialog, const QString& name);

} // namespace kiro::test
