#include "DocumentChapters.h"

#include "SpokenText.h"

#include <QMap>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace {
constexpr int MaxTitleWords = 8;
constexpr int MaxTitleLength = 60;

// Text as one line: line breaks, tabs and pictures become spaces.
QString oneLine(QString text)
{
    for (QChar &c : text)
        if (c == QChar::LineSeparator || c == QChar::ObjectReplacementCharacter || c == u'\t')
            c = u' ';
    return text.simplified();
}

QString lineOf(const QTextBlock &block)
{
    return oneLine(block.text());
}

// Whether the stretch holds text besides its headings: a chapter of a title alone, or of a
// cover picture, is not one to listen to by itself.
bool holdsBodyText(const QTextDocument &document, int start, int end)
{
    for (QTextBlock block = document.findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        const QString text = block.text();
        if (block.blockFormat().headingLevel() == 0 &&
            std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); }))
            return true;
    }
    return false;
}

struct Start
{
    int position = 0;
    QString title;
    bool frontMatter = false;
    // Where the chapter's own text begins, after any front matter it took in.
    int ownStart = 0;
};

// The paragraphs the file marked, or those of the top heading level that recurs.
QList<Start> startsOf(const QTextDocument &document, bool marked)
{
    QList<Start> starts;
    QMap<int, int> headings; // level -> count
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        if (marked && format.hasProperty(DocumentChapters::StartProperty))
            starts.append({block.position(), format.stringProperty(DocumentChapters::StartProperty),
                           format.boolProperty(DocumentChapters::FrontMatterProperty),
                           block.position()});
        else if (!marked && format.headingLevel() > 0 && !lineOf(block).isEmpty())
            ++headings[format.headingLevel()];
    }
    if (marked)
        return starts;
    const auto level = std::find_if(headings.keyValueBegin(), headings.keyValueEnd(),
                                    [](const auto &entry) { return entry.second > 1; });
    if (level == headings.keyValueEnd())
        return starts;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() == (*level).first && !lineOf(block).isEmpty())
            starts.append({block.position(), lineOf(block), false, block.position()});
    return starts;
}

// The title of a chapter the file marked without naming it: its first heading, else its
// first words.
QString titleWithin(const QTextDocument &document, int start, int end, const QString &text)
{
    for (QTextBlock block = document.findBlock(start); block.isValid() && block.position() < end;
         block = block.next())
        if (block.blockFormat().headingLevel() > 0 && !lineOf(block).isEmpty())
            return lineOf(block);
    return DocumentChapters::titleFromText(text.mid(start, end - start));
}

QList<DocumentChapters::Chapter> chaptersFrom(const QTextDocument &document, QList<Start> starts,
                                              const QString &text)
{
    const int length = int(text.size());
    QList<DocumentChapters::Chapter> chapters;
    if (starts.isEmpty())
        return chapters;
    starts.first().position = 0; // what comes before the first chapter is read with it
    for (qsizetype i = 0; i < starts.size(); ++i) {
        const int end = i + 1 < starts.size() ? starts[i + 1].position : length;
        const bool empty = !holdsBodyText(document, starts[i].position, end);
        if ((empty || starts[i].frontMatter) && i + 1 < starts.size()) {
            starts[i + 1].position = starts[i].position; // joins the next one
            continue;
        }
        if (empty && !chapters.isEmpty()) {
            chapters.last().end = end; // the last one joins the one before
            continue;
        }
        QString title = starts[i].title;
        if (title.isEmpty())
            title = titleWithin(document, starts[i].ownStart, end, text);
        chapters.append({title, starts[i].position, end});
    }
    return chapters;
}
} // namespace

void DocumentChapters::markStart(QTextDocument *document, int position, const QString &title,
                                 bool frontMatter)
{
    QTextBlockFormat mark;
    mark.setProperty(StartProperty, title);
    mark.setProperty(FrontMatterProperty, frontMatter);
    QTextCursor(document->findBlock(position)).mergeBlockFormat(mark);
}

QList<DocumentChapters::Chapter> DocumentChapters::of(const QTextDocument &document)
{
    const QString text = document.toPlainText();
    QList<Chapter> chapters = chaptersFrom(document, startsOf(document, true), text);
    if (chapters.size() < 2)
        chapters = chaptersFrom(document, startsOf(document, false), text);
    if (chapters.size() < 2)
        chapters.clear();
    return chapters;
}

QString DocumentChapters::spokenText(const QTextDocument &document, QList<Chapter> *chapters)
{
    if (!chapters || chapters->isEmpty())
        return SpokenText::fromDocument(document).text();
    QString text;
    const auto speak = [&](int from, int to) {
        if (to < 0 || to > from)
            text += SpokenText::fromDocument(document, from, to).text();
    };
    int done = 0;
    for (Chapter &chapter : *chapters) {
        speak(done, chapter.start); // nothing is lost between chapters
        done = chapter.end;
        const int start = int(text.size());
        speak(chapter.start, chapter.end);
        chapter.start = start;
        chapter.end = int(text.size());
    }
    if (done < document.characterCount() - 1)
        speak(done, -1);
    return text;
}

QString DocumentChapters::titleFromText(const QString &text)
{
    const QStringList words = oneLine(text).split(u' ', Qt::SkipEmptyParts);
    QString title = words.mid(0, MaxTitleWords).join(u' ');
    if (title.size() > MaxTitleLength)
        title = title.left(MaxTitleLength).trimmed();
    return title;
}
