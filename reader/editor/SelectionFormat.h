#pragma once

#include <QColor>
#include <QString>
#include <QTextCharFormat>
#include <functional>
#include <optional>

class QTextEdit;

// The selection's formatting as the formatting commands speak of it: each attribute reads
// as one value, or as no value (std::nullopt) when the selection mixes several. With an
// empty selection the attributes are those of the insertion point, and writing them sets
// the formatting that text typed next gets.
class SelectionFormat
{
public:
    enum Alignment { AlignLeft = 0, AlignRight = 1, AlignCenter = 2, AlignJustify = 3 };

    // Font sizes the document accepts, in points.
    static constexpr double MinimumPointSize = 1;
    static constexpr double MaximumPointSize = 1638;

    explicit SelectionFormat(QTextEdit *editor);

    // Colours as one number: red + 256 * green + 65536 * blue.
    static int colorValue(const QColor &color);
    static QColor colorFromValue(int value);

    std::optional<bool> bold() const;
    std::optional<bool> italic() const;
    std::optional<bool> underline() const;
    std::optional<bool> strikeThrough() const;
    std::optional<bool> bullet() const;
    std::optional<int> alignment() const;
    std::optional<int> color() const;
    // The font family and size in points the text shows (the document's default font
    // where the text names none).
    std::optional<QString> fontName() const;
    std::optional<double> fontSize() const;

    // The format at the start of the selection (or the insertion point's).
    QTextCharFormat firstFormat() const;

    void setBold(bool on);
    void setItalic(bool on);
    void setUnderline(bool on);
    void setStrikeThrough(bool on);
    void setBullet(bool on);
    void setAlignment(int alignment);
    void setColor(int value);
    // Vertical offset from the baseline in twips; 0 returns to the baseline.
    void setCharOffset(int twips);
    // Refuses (returns false, changing nothing) an empty name.
    bool setFontName(const QString &name);
    // Refuses a size that is not a number or lies outside the accepted range.
    bool setFontSize(double points);
    bool setFontSize(const QString &text);

private:
    // Calls `visit` with the format of every piece of the selection until it returns false;
    // an empty selection visits the insertion point's format only.
    void visitCharFormats(const std::function<bool(const QTextCharFormat &)> &visit) const;
    // One value for every character selected (or at the cursor), none when they differ.
    std::optional<int> uniformValue(const std::function<int(const QTextCharFormat &)> &get) const;
    std::optional<bool> uniformFlag(const std::function<bool(const QTextCharFormat &)> &get) const;
    void merge(const QTextCharFormat &format);

    QTextEdit *m_editor;
};
