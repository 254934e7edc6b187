#pragma once

#include <QString>
#include <QStringList>
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
        // A box of further choices below the file types (what goes with the file), the
        // first one the default; none when empty.
        QString choiceLabel;
        QStringList choices;
        // Set when the dialog offers "One file per chapter": receives the user's choice.
        bool *oneFilePerChapter = nullptr;
    };
    struct Answer
    {
        Answer(QString path = QString()) : path(std::move(path)) {}
        QString path;
        int choice = 0; // in Request::choices
    };
    using Handler = std::function<Answer(const Request &)>;

    // `selectedFilter`, when given, receives the description of the filter the user chose
    // (an installed handler leaves it alone); `choice` the entry of `request.choices`.
    static QString getSaveFileName(QWidget *parent, const Request &request,
                                   QString *selectedFilter = nullptr, int *choice = nullptr);
    static QString getSaveFileName(QWidget *parent, const QString &filter, int flags,
                                   const QString &folder = QString(),
                                   QString *selectedFilter = nullptr)
    {
        return getSaveFileName(parent, Request{filter, flags, folder, {}, {}, nullptr},
                               selectedFilter);
    }

    // Installs a replacement; an empty handler restores the real dialog.
    static void setHandler(Handler handler);

    // "Description|pattern|..." as Qt's file dialogs take it: "Description (pattern);;...".
    static QString qtFilter(const QString &filter);
};
