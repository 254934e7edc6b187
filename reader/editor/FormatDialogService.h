#pragma once

#include <QColor>
#include <QFont>
#include <functional>
#include <optional>

class QWidget;

// The colour and font dialogs of the Format menu. Tests install handlers that answer
// instead of a window; no answer (std::nullopt) means the user cancelled.
class FormatDialogService
{
public:
    using ColorHandler = std::function<std::optional<QColor>(const QColor &initial)>;
    using FontHandler = std::function<std::optional<QFont>(const QFont &initial)>;

    // The colour dialog, starting from `initial`.
    static std::optional<QColor> getColor(QWidget *parent, const QColor &initial);
    // The font dialog over the screen fonts, with size, bold, italic, underline and
    // strikethrough, starting from `initial`.
    static std::optional<QFont> getFont(QWidget *parent, const QFont &initial);

    // Install replacements (tests); empty handlers restore the real dialogs.
    static void setColorHandler(ColorHandler handler);
    static void setFontHandler(FontHandler handler);
};
