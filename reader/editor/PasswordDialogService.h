#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

// Asks for the password of an encrypted document. Tests install a handler that answers
// instead of a window; no answer means the user cancelled.
class PasswordDialogService
{
public:
    struct Request
    {
        QString fileName;
        bool retry = false; // the previous password was wrong
    };
    using Handler = std::function<std::optional<QString>(const Request &)>;

    static std::optional<QString> ask(QWidget *parent, const Request &request);

    // Installs a replacement (tests); an empty handler restores the real dialog.
    static void setHandler(Handler handler);
};
