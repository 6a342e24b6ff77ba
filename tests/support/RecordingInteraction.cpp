#include "support/RecordingInteraction.h"

#include <gtest/gtest.h>

namespace kiro::test {

RecordingInteraction::RecordingInteraction()
{
    m_previous = setInteraction(this);
}

RecordingInteraction::~RecordingInteraction()
{
    setInteraction(m_previous);
}

int RecordingInteraction::showMessage(const MessageRequest& request)
{
    m_messages << request.text;
    m_keys << request.key;
    if (!m_answers.empty()) {
        const int code = m_answers.front();
        m_answers.pop_front();
        return code;
    }
    return request.defaultCode != 0 ? request.defaultCode : 2;
}

void RecordingInteraction::showPlainMessage(const QString& text)
{
    m_messages << text;
    m_keys << text;
}

QStringList RecordingInteraction::chooseFiles(const FileRequest& request)
{
    if (m_files.empty()) {
        ADD_FAILURE() << "unexpected file dialog '" << request.caption.toStdString() << "'";
        return {};
    }
    QStringList files = m_files.front();
    m_files.pop_front();
    return files;
}

} // namespace kiro::test
