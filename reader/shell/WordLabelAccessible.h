#pragma once

#include <QAccessibleWidget>

class QLabel;

// How a screen reader sees the current-word label: by the word it shows, as any label, and
// while no word is shown by what the label is for, so that it is never a nameless control.
class WordLabelAccessible : public QAccessibleWidget
{
public:
    explicit WordLabelAccessible(QLabel *label);

    QString text(QAccessible::Text kind) const override;

    // Makes `label` seen this way from now on; its accessible description names its role.
    static void attach(QLabel *label, const QString &role);

private:
    static QAccessibleInterface *create(const QString &className, QObject *object);
};
