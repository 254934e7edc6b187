#include "FormatDialogService.h"

#include <QColorDialog>
#include <QFontDialog>

namespace {
FormatDialogService::ColorHandler &colorHandler()
{
    static FormatDialogService::ColorHandler handler;
    return handler;
}

FormatDialogService::FontHandler &fontHandler()
{
    static FormatDialogService::FontHandler handler;
    return handler;
}
} // namespace

std::optional<QColor> FormatDialogService::getColor(QWidget *parent, const QColor &initial)
{
    if (colorHandler())
        return colorHandler()(initial);
    const QColor chosen = QColorDialog::getColor(initial, parent);
    // An invalid colour is the dialog's way of saying it was cancelled.
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

std::optional<QFont> FormatDialogService::getFont(QWidget *parent, const QFont &initial)
{
    if (fontHandler())
        return fontHandler()(initial);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, parent);
    if (!ok)
        return std::nullopt;
    return chosen;
}

void FormatDialogService::setColorHandler(ColorHandler handler)
{
    colorHandler() = std::move(handler);
}

void FormatDialogService::setFontHandler(FontHandler handler)
{
    fontHandler() = std::move(handler);
}
