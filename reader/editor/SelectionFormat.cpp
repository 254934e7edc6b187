#include "SelectionFormat.h"

#include "CharacterOffset.h"
#include "DocumentFonts.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <cmath>

namespace {
bool isBulletStyle(QTextListFormat::Style style)
{
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle ||
           style == QTextListFormat::ListSquare;
}

bool hasBullet(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    return list && isBulletStyle(list->format().style());
}

int alignmentOf(const QTextBlock &block)
{
    const Qt::Alignment horizontal =
        block.blockFormat().alignment() & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute;
    if (horizontal & Qt::AlignHCenter)
        return SelectionFormat::AlignCenter;
    if (horizontal & Qt::AlignJustify)
        return SelectionFormat::AlignJustify;
    if (horizontal & Qt::AlignRight)
        return SelectionFormat::AlignRight;
    // Left, leading and "not set" all put a paragraph against the left margin.
    return SelectionFormat::AlignLeft;
}

// The paragraphs the selection touches, as the paragraph commands of the control change them:
// from the one holding the selection's start to the one holding its end.
template <typename Visit> void forEachSelectedBlock(QTextEdit *editor, Visit visit)
{
    const QTextCursor cursor = editor->textCursor();
    const QTextDocument *document = editor->document();
    const QTextBlock last = document->findBlock(cursor.selectionEnd());
    for (QTextBlock block = document->findBlock(cursor.selectionStart()); block.isValid();
         block = block.next()) {
        if (!visit(block) || block == last)
            return;
    }
}

// One value for all selected paragraphs, or none when they differ; `fallback` for an empty
// selection.
template <typename T, typename ValueOf>
std::optional<T> uniformBlockValue(QTextEdit *editor, ValueOf valueOf, T fallback)
{
    std::optional<T> value;
    bool mixed = false;
    forEachSelectedBlock(editor, [&](const QTextBlock &block) {
        const T current = valueOf(block);
        if (value && *value != current)
            mixed = true;
        value = current;
        return !mixed;
    });
    if (mixed)
        return std::nullopt;
    return value.value_or(fallback);
}
} // namespace

SelectionFormat::SelectionFormat(QTextEdit *editor) : m_editor(editor) {}

int SelectionFormat::colorValue(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return rgb.red() + 256 * rgb.green() + 65536 * rgb.blue();
}

QColor SelectionFormat::colorFromValue(int value)
{
    return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}

void SelectionFormat::visitCharFormats(
    const std::function<bool(const QTextCharFormat &)> &visit) const
{
    const QTextCursor cursor = m_editor->textCursor();
    if (!cursor.hasSelection()) {
        visit(m_editor->currentCharFormat());
        return;
    }
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    bool visited = false;
    for (QTextBlock block = m_editor->document()->findBlock(start);
         block.isValid() && block.position() < end; block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int from = fragment.position();
            if (from + fragment.length() <= start)
                continue;
            if (from >= end)
                break;
            visited = true;
            if (!visit(fragment.charFormat()))
                return;
        }
    }
    // A selection of paragraph breaks only has no characters of its own.
    if (!visited)
        visit(cursor.charFormat());
}

std::optional<int>
SelectionFormat::uniformValue(const std::function<int(const QTextCharFormat &)> &get) const
{
    std::optional<int> value;
    bool mixed = false;
    visitCharFormats([&](const QTextCharFormat &format) {
        const int current = get(format);
        if (value && *value != current)
            mixed = true;
        value = current;
        return !mixed;
    });
    if (mixed)
        return std::nullopt;
    return value;
}

std::optional<bool>
SelectionFormat::uniformFlag(const std::function<bool(const QTextCharFormat &)> &get) const
{
    const std::optional<int> value =
        uniformValue([&](const QTextCharFormat &format) { return int(get(format)); });
    if (!value)
        return std::nullopt;
    return *value != 0;
}

std::optional<QString> SelectionFormat::fontName() const
{
    const QString fallback = m_editor->document()->defaultFont().family();
    std::optional<QString> name;
    bool mixed = false;
    visitCharFormats([&](const QTextCharFormat &format) {
        QString current = format.fontFamilies().toStringList().value(0);
        if (current.isEmpty())
            current = fallback;
        mixed = name && *name != current;
        name = current;
        return !mixed;
    });
    return mixed ? std::nullopt : name;
}

std::optional<double> SelectionFormat::fontSize() const
{
    const double fallback = m_editor->document()->defaultFont().pointSizeF();
    std::optional<double> size;
    bool mixed = false;
    visitCharFormats([&](const QTextCharFormat &format) {
        const double current = format.fontPointSize() > 0 ? format.fontPointSize() : fallback;
        mixed = size && !qFuzzyCompare(*size, current);
        size = current;
        return !mixed;
    });
    return mixed ? std::nullopt : size;
}

std::optional<bool> SelectionFormat::bold() const
{
    return uniformFlag([](const QTextCharFormat &f) { return f.fontWeight() >= QFont::DemiBold; });
}

std::optional<bool> SelectionFormat::italic() const
{
    return uniformFlag([](const QTextCharFormat &f) { return f.fontItalic(); });
}

std::optional<bool> SelectionFormat::underline() const
{
    return uniformFlag([](const QTextCharFormat &f) { return f.fontUnderline(); });
}

std::optional<bool> SelectionFormat::strikeThrough() const
{
    return uniformFlag([](const QTextCharFormat &f) { return f.fontStrikeOut(); });
}

std::optional<bool> SelectionFormat::bullet() const
{
    return uniformBlockValue(
        m_editor, [](const QTextBlock &block) { return hasBullet(block); }, false);
}

std::optional<int> SelectionFormat::alignment() const
{
    return uniformBlockValue(
        m_editor, [](const QTextBlock &block) { return alignmentOf(block); }, int(AlignLeft));
}

std::optional<int> SelectionFormat::color() const
{
    return uniformValue([](const QTextCharFormat &format) {
        // Text without a colour of its own is drawn in the automatic colour, black.
        const QBrush brush = format.foreground();
        return brush.style() == Qt::NoBrush ? 0 : colorValue(brush.color());
    });
}

QTextCharFormat SelectionFormat::firstFormat() const
{
    QTextCharFormat first;
    visitCharFormats([&](const QTextCharFormat &format) {
        first = format;
        return false;
    });
    return first;
}

void SelectionFormat::merge(const QTextCharFormat &format)
{
    m_editor->mergeCurrentCharFormat(format);
}

void SelectionFormat::setBold(bool on)
{
    QTextCharFormat format;
    format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    merge(format);
}

void SelectionFormat::setItalic(bool on)
{
    QTextCharFormat format;
    format.setFontItalic(on);
    merge(format);
}

void SelectionFormat::setUnderline(bool on)
{
    QTextCharFormat format;
    format.setFontUnderline(on);
    merge(format);
}

void SelectionFormat::setStrikeThrough(bool on)
{
    QTextCharFormat format;
    format.setFontStrikeOut(on);
    merge(format);
}

void SelectionFormat::setBullet(bool on)
{
    QTextCursor cursor = m_editor->textCursor();
    cursor.beginEditBlock();
    // Taking the paragraphs out of whatever list holds them first keeps "on" from mixing
    // numbering and bullets, and "off" leaves them at their own indent (QTextList::remove
    // would add the list's indent to theirs).
    forEachSelectedBlock(m_editor, [&](const QTextBlock &block) {
        if (block.textList()) {
            QTextBlockFormat format = block.blockFormat();
            format.clearProperty(QTextFormat::ObjectIndex);
            QTextCursor at(block);
            at.setBlockFormat(format);
        }
        return true;
    });
    if (on) {
        QTextListFormat list;
        list.setStyle(QTextListFormat::ListDisc);
        list.setIndent(1);
        cursor.createList(list);
    }
    cursor.endEditBlock();
}

void SelectionFormat::setAlignment(int alignment)
{
    switch (alignment) {
    case AlignLeft:
        m_editor->setAlignment(Qt::AlignLeft);
        break;
    case AlignRight:
        m_editor->setAlignment(Qt::AlignRight);
        break;
    case AlignCenter:
        m_editor->setAlignment(Qt::AlignHCenter);
        break;
    case AlignJustify:
        m_editor->setAlignment(Qt::AlignJustify);
        break;
    default:
        break;
    }
}

void SelectionFormat::setColor(int value)
{
    QTextCharFormat format;
    format.setForeground(colorFromValue(value));
    merge(format);
}

void SelectionFormat::setCharOffset(int twips)
{
    QTextCharFormat format;
    CharacterOffset::set(format, twips);
    merge(format);
}

bool SelectionFormat::setFontName(const QString &name)
{
    if (name.trimmed().isEmpty())
        return false;
    QTextCharFormat format;
    DocumentFonts::setChosenFamily(format, name);
    merge(format);
    return true;
}

bool SelectionFormat::setFontSize(double points)
{
    if (!std::isfinite(points) || points < MinimumPointSize || points > MaximumPointSize)
        return false;
    QTextCharFormat format;
    format.setFontPointSize(points);
    merge(format);
    return true;
}

bool SelectionFormat::setFontSize(const QString &text)
{
    bool ok = false;
    const double points = text.trimmed().toDouble(&ok);
    return ok && setFontSize(points);
}
