#include "SaveDialogService.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QStringList>

namespace {
SaveDialogService::Handler &installedHandler()
{
    static SaveDialogService::Handler handler;
    return handler;
}
} // namespace

QString SaveDialogService::getSaveFileName(QWidget *parent, const Request &request,
                                           QString *selectedFilter, int *choice)
{
    if (installedHandler()) {
        const Answer answer = installedHandler()(request);
        if (choice)
            *choice = answer.choice;
        return answer.path;
    }
    // The flags of the common dialog have no counterpart here; Qt's dialog also asks before
    // it lets the user write over an existing file.
    if (request.choices.isEmpty())
        return QFileDialog::getSaveFileName(parent, QString(), request.folder,
                                            qtFilter(request.filter), selectedFilter);
    // The further choices need Qt's own dialog: a box is added below its file types.
    QFileDialog dialog(parent, QString(), request.folder, qtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto *box = new QComboBox(&dialog);
    box->setObjectName(QStringLiteral("choiceBox"));
    box->addItems(request.choices);
    auto *label = new QLabel(request.choiceLabel, &dialog);
    label->setBuddy(box);
    if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout())) {
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    if (selectedFilter)
        *selectedFilter = dialog.selectedNameFilter();
    if (choice)
        *choice = box->currentIndex();
    return dialog.selectedFiles().constFirst();
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
