#include "EarIcon.h"

QString EarIcon::resourcePath(int size)
{
    return QStringLiteral(":/parlance/icons/parlance-%1.png").arg(size);
}

QIcon EarIcon::icon()
{
    // Each size is drawn for itself: scaled down, the 64-pixel ear turns to mud at 16.
    QIcon icon;
    for (int size : sizes())
        icon.addFile(resourcePath(size), QSize(size, size));
    return icon;
}
