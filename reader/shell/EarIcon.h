#pragma once

#include <QIcon>

// The reader's ear: the notification-area icon, the windows' icon and the menu entry's.
class EarIcon
{
public:
    static QIcon icon();
    // The sizes drawn for it, in pixels.
    static QList<int> sizes() { return {16, 32, 48, 64}; }
    static QString resourcePath(int size);
};
