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
        QString folder; // where the dialog opens
        // Set when the dialog offers "One file per chapter": receives the user's choice.
        bool *oneFilePerChapter = nullptr;
    };
    using Handler = std::function<QString(const Request &)>;

    // `selectedFilter`, when given, receives the description of the filter the user chose
    // (an installed handler leaves it alone). With `oneFilePerChapter` the dialog offers
    // "One file per chapter" and puts the choice there.
    static QString getSaveFileName(QWidget *parent, const QString &filter, int flags,
                                   const QString &folder = QString(),
                                   QString *selectedFilter = nullptr,
                                   bool *oneFilePerChapter = nullptr);

    // Installs a replacement; an empty handler restores the real dialog.
    static void setHandler(Handler handler);

    // "Description|pattern|..." as Qt's file dialogs take it: "Description (pattern);;...".
    static QString qtFilter(const QString &filter);
};
