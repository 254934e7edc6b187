#include "FileDialogService.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>

namespace {
FileDialogService::Handler &installedHandler()
{
    static FileDialogService::Handler handler;
    return handler;
}

// Qt's own dialog opens at a size that cuts the name, size and date columns short; a
// desktop's dialog ignores this and sizes itself.
QSize roomySize(const QWidget *parent)
{
    const QSize wanted(900, 560);
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return wanted;
    return wanted.boundedTo(screen->availableSize() * 0.9);
}
} // namespace

QString FileDialogService::getOpenFileName(QWidget *parent, const QString &title,
                                           const QString &filter)
{
    return ask(parent, Request{Open, title, filter, QString()});
}

QString FileDialogService::getOpenFileName(QWidget *parent, const QString &title,
                                           const QString &filter, const QString &option,
                                           bool *checked)
{
    return ask(parent, Request{Open, title, filter, QString(), option, checked});
}

QString FileDialogService::getSaveFileName(QWidget *parent, const QString &title,
                                           const QString &filter, const QString &defaultSuffix)
{
    return ask(parent, Request{Save, title, filter, defaultSuffix});
}

void FileDialogService::setHandler(Handler handler)
{
    installedHandler() = std::move(handler);
}

QString FileDialogService::ask(QWidget *parent, const Request &request)
{
    const bool withOption = !request.option.isEmpty() && request.optionChecked;
    bool checked = withOption && *request.optionChecked;
    const auto addOption = [&](QFileDialog &dialog) {
        // The check box goes below the file list of Qt's own dialog; a dialog of the
        // desktop's has no room for it.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto *box = new QCheckBox(request.option, &dialog);
        box->setChecked(checked);
        QObject::connect(box, &QCheckBox::toggled, [&checked](bool on) { checked = on; });
        if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
            grid->addWidget(box, grid->rowCount(), 0, 1, -1);
    };
    QString path;
    if (installedHandler()) {
        path = installedHandler()(request);
    } else {
        path = run(parent, request.mode, request.title, QString(), request.filter,
                   request.defaultSuffix, nullptr,
                   withOption ? std::function<void(QFileDialog &)>(addOption) : nullptr);
        if (withOption && !path.isEmpty())
            *request.optionChecked = checked;
    }
    if (!path.isEmpty() && !request.defaultSuffix.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += u'.' + request.defaultSuffix;
    return path;
}

QString FileDialogService::run(QWidget *parent, Mode mode, const QString &title,
                               const QString &folder, const QString &filter,
                               const QString &defaultSuffix, QString *selectedFilter,
                               const std::function<void(QFileDialog &)> &prepare)
{
    QFileDialog dialog(parent, title, folder, filter);
    if (prepare)
        prepare(dialog);
    dialog.setAcceptMode(mode == Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(mode == Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.resize(roomySize(parent));
    // Qt's own dialog keeps the narrow columns of its first size: size, type and date get
    // what they show, and the name the rest.
    if (auto *view = dialog.findChild<QTreeView *>()) {
        QHeaderView *header = view->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    if (selectedFilter)
        *selectedFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}
