#include "TwipsScale.h"

#include <QWidget>
#include <cmath>

TwipsScale::TwipsScale(double dpiX, double dpiY)
    : m_dpiX(dpiX > 0 ? dpiX : StandardDpi), m_dpiY(dpiY > 0 ? dpiY : StandardDpi)
{
}

TwipsScale TwipsScale::forWidget(const QWidget *widget)
{
    if (!widget)
        return TwipsScale();
    return TwipsScale(widget->logicalDpiX(), widget->logicalDpiY());
}

int TwipsScale::x(int twips) const
{
    return int(std::lround(twips * m_dpiX / TwipsPerInch));
}

int TwipsScale::y(int twips) const
{
    return int(std::lround(twips * m_dpiY / TwipsPerInch));
}

QSize TwipsScale::size(const QSize &twips) const
{
    return QSize(x(twips.width()), y(twips.height()));
}

QRect TwipsScale::rect(const QRect &twips) const
{
    return rect(twips.x(), twips.y(), twips.width(), twips.height());
}

QRect TwipsScale::rect(int left, int top, int width, int height) const
{
    const int l = x(left);
    const int t = y(top);
    return QRect(l, t, x(left + width) - l, y(top + height) - t);
}
