#include "MessageBoxRecorder.h"

MessageBoxRecorder::MessageBoxRecorder(MessageBoxService::Result fallback) : m_fallback(fallback)
{
    MessageBoxService::setHandler([this](const MessageBoxService::Request &request) {
        m_requests.append(request);
        if (m_answers.empty())
            return m_fallback;
        const auto answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    MessageBoxService::setHandler({});
}
