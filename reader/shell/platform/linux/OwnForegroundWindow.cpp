#include "OwnForegroundWindow.h"

#include "BackgroundReader.h"

#include <QAbstractPrintDialog>
#include <QAccessible>
#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QWidget>

namespace {
constexpr int MaxNodes = 400;
constexpr int MaxDepth = 16;

// Only standard dialog boxes are read: message boxes and the common dialogs. The reader's
// own forms are dialogs to Qt as well, but reading them aloud would talk over the user
// working in them.
bool isStandardDialog(const QWidget *window)
{
    return qobject_cast<const QMessageBox *>(window) || qobject_cast<const QFileDialog *>(window) ||
           qobject_cast<const QColorDialog *>(window) ||
           qobject_cast<const QFontDialog *>(window) ||
           qobject_cast<const QAbstractPrintDialog *>(window) ||
           qobject_cast<const QPageSetupDialog *>(window);
}

// Lists, tables, menus and buttons hold items, not the dialog's own texts.
bool holdsItems(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::MenuBar:
    case QAccessible::PopupMenu:
    case QAccessible::ComboBox:
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::Document:
        return true;
    default:
        return false;
    }
}

void collectLabels(QAccessibleInterface *node, int depth, int &budget,
                   QList<ForegroundWindowSource::ChildWindow> &labels)
{
    if (depth > MaxDepth)
        return;
    const int count = node->childCount();
    for (int i = 0; i < count && budget > 0; ++i) {
        --budget;
        QAccessibleInterface *child = node->child(i);
        if (!child || !child->isValid() || child->state().invisible)
            continue;
        const QAccessible::Role role = child->role();
        if (role == QAccessible::StaticText)
            labels.append({BackgroundReader::LabelClass, child->text(QAccessible::Name)});
        else if (!holdsItems(role))
            collectLabels(child, depth + 1, budget, labels);
    }
}
} // namespace

namespace OwnForegroundWindow {

QWidget *active()
{
    return QApplication::activeWindow();
}

QString className(QWidget *window)
{
    if (isStandardDialog(window))
        return BackgroundReader::DialogClass;
    return QString::fromLatin1(window->metaObject()->className());
}

QList<ForegroundWindowSource::ChildWindow> childWindows(QWidget *window)
{
    if (auto *files = qobject_cast<QFileDialog *>(window)) {
        const bool save = files->acceptMode() == QFileDialog::AcceptSave;
        return {{BackgroundReader::LabelClass,
                 save ? BackgroundReader::SaveDialogLabel : BackgroundReader::OpenDialogLabel}};
    }
    QList<ForegroundWindowSource::ChildWindow> labels;
    if (QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(window)) {
        int budget = MaxNodes;
        collectLabels(accessible, 0, budget, labels);
    }
    return labels;
}

} // namespace OwnForegroundWindow
