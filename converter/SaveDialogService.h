#pragma once

#include <QString>
#include <functional>

class QWidget;

// The converter's save dialog. Tests and benchmarks install a handler that answers instead
// of a window; an empty answer means the user cancelled.
class SaveDialogService
{
public:
    struct Request
    {
        QString filter; // as the common dialog takes it: "Description|pattern|..."
        int flags = 0;
    };
    using Handler = std::function<QString(const Request &)>;

    static QString getSaveFileName(QWidget *parent, const QString &filter, int flags);

    // Installs a replacement; an empty handler restores the real dialog.
    static void setHandler(Handler handler);

    // "Description|pattern|..." as Qt's file dialogs take it: "Description (pattern);;...".
    static QString qtFilter(const QString &filter);
};
