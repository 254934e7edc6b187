#include "FileDialogService.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>

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

QString FileDialogService::getOpenFileName(QWidget *parent, const QString &title,
                                           const QString &filter, const QString &option,
                                           bool *checked)
{
    return ask(parent, Request{Open, title, filter, option, checked});
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
    if (request.mode == Open && !request.option.isEmpty() && request.optionChecked) {
        // The check box goes below the file list of Qt's own dialog; a dialog of the
        // desktop's has no room for it.
        QFileDialog dialog(parent, request.title, QString(), request.filter);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        auto *box = new QCheckBox(request.option, &dialog);
        box->setChecked(*request.optionChecked);
        if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
            grid->addWidget(box, grid->rowCount(), 0, 1, -1);
        if (dialog.exec() != QDialog::Accepted)
            return QString();
        *request.optionChecked = box->isChecked();
        return dialog.selectedFiles().value(0);
    }
    if (request.mode == Open)
        return QFileDialog::getOpenFileName(parent, request.title, QString(), request.filter);
    // No default suffix: a name typed without an extension is saved as typed.
    return QFileDialog::getSaveFileName(parent, request.title, QString(), request.filter);
}
