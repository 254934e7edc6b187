#include "SaveDialogService.h"

#include "FileDialogService.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QStringList>

namespace {
SaveDialogService::Handler &installedHandler()
{
    static SaveDialogService::Handler handler;
    return handler;
}
} // namespace

QString SaveDialogService::getSaveFileName(QWidget *parent, const QString &filter, int flags,
                                           const QString &folder, QString *selectedFilter,
                                           bool *oneFilePerChapter)
{
    if (installedHandler())
        return installedHandler()({filter, flags, folder, oneFilePerChapter});
    if (oneFilePerChapter) {
        // Qt's own dialog, which takes a widget of ours below its fields.
        QFileDialog dialog(parent, QString(), folder, qtFilter(filter));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        auto *perChapter = new QCheckBox(QStringLiteral("One file per chapter"), &dialog);
        perChapter->setObjectName(QStringLiteral("oneFilePerChapter"));
        perChapter->setChecked(*oneFilePerChapter);
        if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
            grid->addWidget(perChapter, grid->rowCount(), 0, 1, grid->columnCount());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        if (selectedFilter)
            *selectedFilter = dialog.selectedNameFilter();
        *oneFilePerChapter = perChapter->isChecked();
        return dialog.selectedFiles().constFirst();
    }
    // The flags of the common dialog have no counterpart here; Qt's dialog also asks before
    // it lets the user write over an existing file.
    return FileDialogService::run(parent, FileDialogService::Save, QString(), folder,
                                  qtFilter(filter), QString(), selectedFilter);
}

void SaveDialogService::setHandler(Handler handler)
{
    installedHandler() = std::move(handler);
}

QString SaveDialogService::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        QString patterns = parts.at(i + 1).trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the parentheses of the description when it has them.
        entries.append(description.contains(QLatin1Char('('))
                           ? description
                           : QStringLiteral("%1 (%2)").arg(description, patterns));
    }
    return entries.join(QStringLiteral(";;"));
}
