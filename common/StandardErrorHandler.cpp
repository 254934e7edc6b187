#include "StandardErrorHandler.h"

#include "MessageBoxService.h"
#include "SpeechError.h"

#include <exception>

StandardErrorHandler::StandardErrorHandler(QString procedure, int silentRetries)
    : m_procedure(std::move(procedure)), m_silentRetries(silentRetries)
{
}

bool StandardErrorHandler::run(int line, const std::function<void()> &step)
{
    if (m_aborted)
        return false;
    for (;;) {
        int number = 0;
        QString description;
        try {
            step();
            return true;
        } catch (const SpeechError &e) {
            number = e.number;
            description = e.description;
        } catch (const std::exception &e) {
            // Anything else that a step can raise is reported like an unexpected run-time error.
            number = 440;
            description = QString::fromUtf8(e.what());
        }
        ++m_errors;
        if (m_errors <= m_silentRetries)
            continue;
        const auto answer = MessageBoxService::show(
            messageText(number, description, line, m_procedure),
            MessageBoxService::AbortRetryIgnore, MessageBoxService::Exclamation, messageTitle());
        if (answer == MessageBoxService::ResultRetry)
            continue;
        if (answer == MessageBoxService::ResultIgnore)
            return true;
        m_aborted = true;
        return false;
    }
}

QString StandardErrorHandler::messageText(int number, const QString &description, int line,
                                          const QString &procedure)
{
    return QStringLiteral("Error %1: \n%2\nOccurred at line %3\n in %4%5")
        .arg(number)
        .arg(description)
        .arg(line)
        .arg(MessageBoxService::programTitle(), procedure);
}

QString StandardErrorHandler::messageTitle()
{
    return MessageBoxService::programTitle() + QStringLiteral(" Error.");
}
