#pragma once

#include "app/core/Interaction.h"

#include <QList>
#include <QStringList>

#include <deque>

namespace kiro::test {

// A headless interaction service for tests of the engine layers: it keeps
// the text of every message, answers questions with the queued codes (the
// default button when the queue is empty) and fails the test on a file
// dialog nobody queued. Installs itself for its lifetime.
class RecordingInteraction : public Interaction {
public:
    RecordingInteraction();
    ~RecordingInteraction() override;

    void answer(int code) { m_answers.push_back(code); }
    void answerFiles(const QStringList& files) { m_files.push_back(files); }

    int showMessage(const MessageRequest& request) override;
    void showPlainMessage(const QString& text) override;
    QStringList chooseFiles(const FileRequest& request) override;

    const QStringList& messages() const { return m_messages; }
    const QStringList& keys() const { return m_keys; }
    void clear()
    {
        m_messages.clear();
        m_keys.clear();
    }

private:
    QStringList m_messages;
    QStringList m_keys;
    std::deque<int> m_answers;
    std::deque<QStringList> m_files;
    Interaction* m_previous = nullptr;
};

} // namespace kiro::test
