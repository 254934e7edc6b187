#pragma once

#include <QString>
#include <functional>

class QFileDialog;
class QWidget;

// The open and save dialogs of the document commands. Tests install a handler that
// answers instead of a window; an empty answer means the user cancelled.
class FileDialogService
{
public:
    enum Mode { Open, Save };

    struct Request
    {
        Mode mode = Open;
        QString title;
        QString filter;
        // Added to a saved name typed without an extension; empty: the name stays as typed.
        QString defaultSuffix;
        // A check box shown with the open dialog, and its state: in as it is shown, out
        // as the user left it. No check box when empty.
        QString option{};
        bool *optionChecked = nullptr;
    };
    using Handler = std::function<QString(const Request &)>;

    static QString getOpenFileName(QWidget *parent, const QString &title, const QString &filter);
    // The same with a check box of the given caption; `checked` is its state.
    static QString getOpenFileName(QWidget *parent, const QString &title, const QString &filter,
                                   const QString &option, bool *checked);
    static QString getSaveFileName(QWidget *parent, const QString &title, const QString &filter,
                                   const QString &defaultSuffix = QString());

    // The dialog itself, shared with the converter: opens in `folder`, and tells which
    // filter was chosen through `selectedFilter` when given. `prepare`, when given, is handed
    // the dialog before it is shown, to add controls of its own.
    static QString run(QWidget *parent, Mode mode, const QString &title, const QString &folder,
                       const QString &filter, const QString &defaultSuffix,
                       QString *selectedFilter = nullptr,
                       const std::function<void(QFileDialog &)> &prepare = {});

    // Installs a replacement (tests); an empty handler restores the real dialogs.
    static void setHandler(Handler handler);

private:
    static QString ask(QWidget *parent, const Request &request);
};
