#include "FileDialogService.h"

#include <QFileDialog>

namespace {
FileDialogService::Handler &installedHandler()
{
    static FileDialogService::Handler handler;
    return handler;
}
} // namespace

QString FileDialogService::getOpenFileName(QWidget *parent, const QString &title,
                                           const QString &filter)
{
    return ask(parent, Request{Open, title, filter});
}

QString FileDialogService::getSaveFileName(QWidget *parent, const QString &title,
                                           const QString &filter)
{
    return ask(parent, Request{Save, title, filter});
}

void FileDialogService::setHandler(Handler handler)
{
    installedHandler() = std::move(handler);
}

QString FileDialogService::ask(QWidget *parent, const Request &request)
{
    if (installedHandler())
        return installedHandler()(request);
    if (request.mode == Open)
        return QFileDialog::getOpenFileName(parent, request.title, QString(), request.filter);
    // No default suffix: a name typed without an extension is saved as typed.
    return QFileDialog::getSaveFileName(parent, request.title, QString(), request.filter);
}
