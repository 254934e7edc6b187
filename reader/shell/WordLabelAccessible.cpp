#include "WordLabelAccessible.h"

#include <QLabel>

namespace {
const char *const WordLabelProperty = "parlanceWordLabel";
} // namespace

WordLabelAccessible::WordLabelAccessible(QLabel *label)
    : QAccessibleWidget(label, QAccessible::StaticText)
{
}

QString WordLabelAccessible::text(QAccessible::Text kind) const
{
    if (kind != QAccessible::Name)
        return QAccessibleWidget::text(kind);
    const QString word = static_cast<const QLabel *>(widget())->text();
    return word.isEmpty() ? widget()->accessibleDescription() : word;
}

void WordLabelAccessible::attach(QLabel *label, const QString &role)
{
    static const bool installed = [] {
        QAccessible::installFactory(&WordLabelAccessible::create);
        return true;
    }();
    Q_UNUSED(installed);
    // Marked first: the description change below already asks for the label's interface,
    // which is kept from then on.
    label->setProperty(WordLabelProperty, true);
    label->setAccessibleDescription(role);
}

QAccessibleInterface *WordLabelAccessible::create(const QString &className, QObject *object)
{
    auto *label = qobject_cast<QLabel *>(object);
    if (className != QLatin1String("QLabel") || !label ||
        !label->property(WordLabelProperty).toBool())
        return nullptr;
    return new WordLabelAccessible(label);
}
