#include "DialogRunner.h"

#include <QApplication>
#include <QDialog>

namespace {
DialogRunner::Handler &installedHandler()
{
    static DialogRunner::Handler handler;
    return handler;
}
} // namespace

int DialogRunner::exec(QDialog &dialog)
{
    if (installedHandler())
        return installedHandler()(dialog);
    // Without a widget application there is nobody to ask: the dialog counts as cancelled.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return QDialog::Rejected;
    return dialog.exec();
}

void DialogRunner::setHandler(Handler handler)
{
    installedHandler() = std::move(handler);
}
