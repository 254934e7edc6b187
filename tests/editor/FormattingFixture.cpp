#include "FormattingFixture.h"

#include "FormatDialogService.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

FormattingFixture::FormattingFixture() : host(&window), editor(&window)
{
    formatting = new EditorFormatting(&window, &editor, &formatMenu, &host, &window);
    formatting->attachDocumentCommands(&documents);
    formatting->attachEditCommands(&edits);
    toolBar().setBeep([this] { ++beeps; });
    FormatDialogService::setColorHandler([this](const QColor &initial) {
        colorSeeds << initial;
        return colorAnswer;
    });
    FormatDialogService::setFontHandler([this](const QFont &initial) {
        fontSeeds << initial;
        return fontAnswer;
    });
}

FormattingFixture::~FormattingFixture()
{
    FormatDialogService::setColorHandler({});
    FormatDialogService::setFontHandler({});
}

void FormattingFixture::setParagraphs(const QStringList &paragraphs)
{
    editor.setPlainText(paragraphs.join(u'\n'));
    editor.moveCursor(QTextCursor::Start);
}

void FormattingFixture::select(int start, int length)
{
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    editor.setTextCursor(cursor);
}

void FormattingFixture::selectText(const QString &text)
{
    const int at = editor.toPlainText().indexOf(text);
    ASSERT_GE(at, 0) << text.toStdString();
    select(at, int(text.size()));
}

QTextCharFormat FormattingFixture::formatOf(const QString &text) const
{
    const QTextCursor found = editor.document()->find(text, 0, QTextDocument::FindCaseSensitively);
    EXPECT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor cursor(editor.document());
    cursor.setPosition(found.selectionStart() + 1);
    return cursor.charFormat();
}

Qt::Alignment FormattingFixture::alignmentOf(const QString &text) const
{
    const QTextCursor found = editor.document()->find(text, 0, QTextDocument::FindCaseSensitively);
    EXPECT_FALSE(found.isNull()) << text.toStdString();
    return found.block().blockFormat().alignment() & Qt::AlignHorizontal_Mask;
}
