#pragma once

#include <QString>
#include <functional>

// The reader's standard error handler for one run of a procedure. Each step runs through
// run(); a failure is counted. The first `silentRetries` failures of the run retry the
// failing step without a word; from the next one on the user is asked Abort/Retry/Ignore.
// Abort makes run() return false (and every later run() too) so the procedure leaves.
class StandardErrorHandler
{
public:
    explicit StandardErrorHandler(QString procedure, int silentRetries = 3);

    // `line` is the number reported as the failing line; `procedure` is the label shown
    // after the program title, for example ": PitchSpeed".
    bool run(int line, const std::function<void()> &step);

    bool aborted() const { return m_aborted; }
    int errorCount() const { return m_errors; }

    static QString messageText(int number, const QString &description, int line,
                               const QString &procedure);
    static QString messageTitle();

private:
    QString m_procedure;
    int m_silentRetries;
    int m_errors = 0;
    bool m_aborted = false;
};
