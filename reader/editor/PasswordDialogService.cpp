#include "PasswordDialogService.h"

#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>

namespace {
PasswordDialogService::Handler &installedHandler()
{
    static PasswordDialogService::Handler handler;
    return handler;
}
} // namespace

std::optional<QString> PasswordDialogService::ask(QWidget *parent, const Request &request)
{
    if (installedHandler())
        return installedHandler()(request);
    const QString name = QFileInfo(request.fileName).fileName();
    const QString label =
        request.retry ? QStringLiteral("The password was not right. Password for \"%1\":").arg(name)
                      : QStringLiteral("\"%1\" is protected by a password. Password:").arg(name);
    bool ok = false;
    const QString password = QInputDialog::getText(parent, QStringLiteral("Password"), label,
                                                   QLineEdit::Password, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return password;
}

void PasswordDialogService::setHandler(Handler handler)
{
    installedHandler() = std::move(handler);
}
