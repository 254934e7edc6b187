#include "SaveDialogService.h"

#include "FileDialogService.h"

#include <QCheckBox>
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
    int chosen = 0;
    bool perChapter = request.oneFilePerChapter && *request.oneFilePerChapter;
    const auto addChoices = [&](QFileDialog &dialog) {
        if (request.choices.isEmpty() && !request.oneFilePerChapter)
            return;
        // Qt's own dialog, which takes widgets of ours below its fields.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto *grid = qobject_cast<QGridLayout *>(dialog.layout());
        if (!grid)
            return;
        if (!request.choices.isEmpty()) {
            auto *box = new QComboBox(&dialog);
            box->setObjectName(QStringLiteral("choiceBox"));
            box->addItems(request.choices);
            auto *label = new QLabel(request.choiceLabel, &dialog);
            label->setBuddy(box);
            const int row = grid->rowCount();
            grid->addWidget(label, row, 0);
            grid->addWidget(box, row, 1);
            QObject::connect(box, &QComboBox::currentIndexChanged,
                             [&chosen](int index) { chosen = index; });
        }
        if (request.oneFilePerChapter) {
            auto *box = new QCheckBox(QStringLiteral("One file per chapter"), &dialog);
            box->setObjectName(QStringLiteral("oneFilePerChapter"));
            box->setChecked(perChapter);
            grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
            QObject::connect(box, &QCheckBox::toggled, [&perChapter](bool on) { perChapter = on; });
        }
    };
    // The flags of the common dialog have no counterpart here; Qt's dialog also asks before
    // it lets the user write over an existing file.
    const QString path =
        FileDialogService::run(parent, FileDialogService::Save, QString(), request.folder,
                               qtFilter(request.filter), QString(), selectedFilter, addChoices);
    if (path.isEmpty())
        return path;
    if (choice)
        *choice = chosen;
    if (request.oneFilePerChapter)
        *request.oneFilePerChapter = perChapter;
    return path;
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
