#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// Lengths designed in twips (1/1440 inch) turned into pixels: 15 twips a pixel on a 96-dpi
// screen, fewer on a denser one. A rectangle converts its edges rather than its size, so
// that parts designed edge to edge stay edge to edge.
class TwipsScale
{
public:
    static constexpr double TwipsPerInch = 1440.0;
    static constexpr double StandardDpi = 96.0;

    explicit TwipsScale(double dpiX = StandardDpi, double dpiY = StandardDpi);

    // The scale of the screen `widget` is on (its logical dpi).
    static TwipsScale forWidget(const QWidget *widget);

    int x(int twips) const;
    int y(int twips) const;
    QSize size(const QSize &twips) const;
    QRect rect(const QRect &twips) const;
    QRect rect(int left, int top, int width, int height) const;

    double dpiX() const { return m_dpiX; }
    double dpiY() const { return m_dpiY; }

private:
    double m_dpiX;
    double m_dpiY;
};
