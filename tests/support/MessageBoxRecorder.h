#pragma once

#include "MessageBoxService.h"

#include <QList>
#include <deque>

// Answers message boxes for the lifetime of the object and keeps what they said. Answers
// are taken from the queue; when it runs dry, the fallback answer is given.
class MessageBoxRecorder
{
public:
    explicit MessageBoxRecorder(MessageBoxService::Result fallback = MessageBoxService::ResultOk);
    ~MessageBoxRecorder();

    void queueAnswer(MessageBoxService::Result answer) { m_answers.push_back(answer); }
    const QList<MessageBoxService::Request> &requests() const { return m_requests; }
    void clear() { m_requests.clear(); }

private:
    MessageBoxService::Result m_fallback;
    std::deque<MessageBoxService::Result> m_answers;
    QList<MessageBoxService::Request> m_requests;
};
