#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// Every message box of both programs goes through here, so that tests can read the text and
// answer without a window. The buttons and icons follow the classic message-box sets.
class MessageBoxService
{
public:
    enum Buttons {
        Ok,
        OkCancel,
        AbortRetryIgnore,
        YesNoCancel,
        YesNo,
        RetryCancel,
        SaveDiscardCancel
    };
    enum Icon { NoIcon, Critical, Question, Exclamation, Information };
    enum Result {
        ResultOk,
        ResultCancel,
        ResultAbort,
        ResultRetry,
        ResultIgnore,
        ResultYes,
        ResultNo,
        ResultSave,
        ResultDiscard
    };

    struct Request
    {
        QString text;
        Buttons buttons = Ok;
        Icon icon = NoIcon;
        QString title;
        // The button that Enter presses; empty means the box's first button.
        std::optional<Result> defaultButton;

        // The default button in effect.
        Result effectiveDefault() const;
    };
    using Handler = std::function<Result(const Request &)>;

    // Shows the box (or hands it to the installed handler) and returns the button pressed.
    // An empty title stands for the program's title.
    static Result show(const QString &text, Buttons buttons = Ok, Icon icon = NoIcon,
                       const QString &title = QString());
    static Result show(Request request);

    // The buttons of a set, left to right.
    static QList<Result> buttonsOf(Buttons buttons);

    // Installs a replacement (tests); an empty handler restores the real dialog.
    static void setHandler(Handler handler);

    // The title used for captions: the application's display name.
    static QString programTitle();

private:
    static Result showDialog(const Request &request);
};
