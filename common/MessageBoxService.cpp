#include "MessageBoxService.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace {
// A box with a short text is narrower than its title, which the window manager then cuts
// ("Wa...ht"). Room for the title and the title bar's buttons is kept under the buttons.
void keepTitleWhole(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    titleFont.setBold(true);
    const int titleBarButtons = 4 * QFontMetrics(titleFont).height() + 48;
    const int width =
        QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + titleBarButtons;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

MessageBoxService::Handler &installedHandler()
{
    static MessageBoxService::Handler handler;
    return handler;
}
} // namespace

MessageBoxService::Result MessageBoxService::show(const QString &text, Buttons buttons, Icon icon,
                                                  const QString &title)
{
    return show(Request{text, buttons, icon, title, std::nullopt});
}

MessageBoxService::Result MessageBoxService::show(Request request)
{
    if (request.title.isEmpty())
        request.title = programTitle();
    if (installedHandler())
        return installedHandler()(request);
    return showDialog(request);
}

QList<MessageBoxService::Result> MessageBoxService::buttonsOf(Buttons buttons)
{
    switch (buttons) {
    case Ok:
        return {ResultOk};
    case OkCancel:
        return {ResultOk, ResultCancel};
    case AbortRetryIgnore:
        return {ResultAbort, ResultRetry, ResultIgnore};
    case YesNoCancel:
        return {ResultYes, ResultNo, ResultCancel};
    case YesNo:
        return {ResultYes, ResultNo};
    case RetryCancel:
        return {ResultRetry, ResultCancel};
    case SaveDiscardCancel:
        return {ResultSave, ResultDiscard, ResultCancel};
    }
    return {ResultOk};
}

MessageBoxService::Result MessageBoxService::Request::effectiveDefault() const
{
    const QList<Result> set = buttonsOf(buttons);
    // A default that is not one of the box's buttons cannot be pressed: the first one is.
    if (defaultButton && set.contains(*defaultButton))
        return *defaultButton;
    return set.first();
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
        case SaveDiscardCancel:
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
    case SaveDiscardCancel:
        set = QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
        break;
    }
    box.setStandardButtons(set);
    switch (request.effectiveDefault()) {
    case ResultOk:
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case ResultCancel:
        box.setDefaultButton(QMessageBox::Cancel);
        break;
    case ResultAbort:
        box.setDefaultButton(QMessageBox::Abort);
        break;
    case ResultRetry:
        box.setDefaultButton(QMessageBox::Retry);
        break;
    case ResultIgnore:
        box.setDefaultButton(QMessageBox::Ignore);
        break;
    case ResultYes:
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case ResultNo:
        box.setDefaultButton(QMessageBox::No);
        break;
    case ResultSave:
        box.setDefaultButton(QMessageBox::Save);
        break;
    case ResultDiscard:
        box.setDefaultButton(QMessageBox::Discard);
        break;
    }
    keepTitleWhole(box);
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
    case QMessageBox::Save:
        return ResultSave;
    case QMessageBox::Discard:
        return ResultDiscard;
    default:
        return ResultCancel;
    }
}
