#include "MessageBoxService.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MessageBoxService::Handler &installedHandler()
{
    static MessageBoxService::Handler handler;
    return handler;
}
} // namespace

MessageBoxService::Result MessageBoxService::show(const QString &text, Buttons buttons, Icon icon,
                                                  const QString &title)
{
    Request request{text, buttons, icon, title.isEmpty() ? programTitle() : title};
    if (installedHandler())
        return installedHandler()(request);
    return showDialog(request);
}

void MessageBoxService::setHandler(Handler handler)
{
    installedHandler() = std::move(handler);
}

QString MessageBoxService::programTitle()
{
    const QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? QCoreApplication::applicationName() : name;
}

MessageBoxService::Result MessageBoxService::showDialog(const Request &request)
{
    // Without a widget application there is nobody to ask: take the safe default answer.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        switch (request.buttons) {
        case AbortRetryIgnore:
            return ResultAbort;
        case OkCancel:
        case RetryCancel:
        case YesNoCancel:
            return ResultCancel;
        case YesNo:
            return ResultNo;
        case Ok:
            return ResultOk;
        }
        return ResultOk;
    }

    QMessageBox box;
    box.setWindowTitle(request.title);
    box.setText(request.text);
    switch (request.icon) {
    case NoIcon:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    QMessageBox::StandardButtons set;
    switch (request.buttons) {
    case Ok:
        set = QMessageBox::Ok;
        break;
    case OkCancel:
        set = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case AbortRetryIgnore:
        set = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        break;
    case YesNoCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case YesNo:
        set = QMessageBox::Yes | QMessageBox::No;
        break;
    case RetryCancel:
        set = QMessageBox::Retry | QMessageBox::Cancel;
        break;
    }
    box.setStandardButtons(set);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return ResultOk;
    case QMessageBox::Abort:
        return ResultAbort;
    case QMessageBox::Retry:
        return ResultRetry;
    case QMessageBox::Ignore:
        return ResultIgnore;
    case QMessageBox::Yes:
        return ResultYes;
    case QMessageBox::No:
        return ResultNo;
    default:
        return ResultCancel;
    }
}
