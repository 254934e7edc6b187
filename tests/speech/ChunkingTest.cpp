#include "TextChunker.h"
#include "WordSpan.h"

#include <QList>

#include <gtest/gtest.h>

namespace {
QString repeated(const QString &piece, int length)
{
    QString text;
    while (text.size() < length)
        text += piece;
    return text.left(length);
}

// Cuts the whole text the way a reading does and checks what every reading relies on.
QList<QString> cutAll(const QString &text)
{
    QList<QString> chunks;
    QString rest = text;
    do {
        const TextChunker::Chunk c = TextChunker::cut(rest);
        EXPECT_LE(c.chunk.size(), TextChunker::MaxLength);
        EXPECT_FALSE(c.chunk.isEmpty()) << "empty chunk with text left";
        if (c.chunk.isEmpty())
            break;
        EXPECT_FALSE(c.chunk.back().isHighSurrogate()) << "surrogate pair split";
        chunks.append(c.chunk);
        rest = c.rest;
    } while (!rest.isEmpty());
    EXPECT_EQ(chunks.join(QString()), text);
    return chunks;
}
} // namespace

TEST(TextChunker, CutsAtTheLastSpaceWithinTheLimit)
{
    const QString exact = repeated(QStringLiteral("word "), 4096);
    EXPECT_EQ(cutAll(exact).size(), 1);

    // 4097 characters with a space at position 4096: the chunk keeps that space.
    const QString text = QString(4095, QLatin1Char('a')) + QStringLiteral(" b");
    const auto chunk = TextChunker::cut(text);
    EXPECT_EQ(chunk.chunk.size(), 4096);
    EXPECT_TRUE(chunk.chunk.endsWith(QLatin1Char(' ')));
    EXPECT_EQ(chunk.rest, QStringLiteral("b"));

    // A space just past the limit does not count; the earlier one does.
    const QString later =
        QStringLiteral("ab ") + QString(4093, QLatin1Char('c')) + QStringLiteral(" d");
    EXPECT_EQ(TextChunker::cut(later).chunk, QStringLiteral("ab "));
}

TEST(TextChunker, TextWithoutSpacesIsStillCutIntoSpeakableChunks)
{
    // Chinese prose: cut after the last full stop within the limit.
    const QString chinese = repeated(QStringLiteral("我们今天去公园散步。"), 9000);
    const auto chunks = cutAll(chinese);
    EXPECT_EQ(chunks.size(), 3);
    EXPECT_TRUE(chunks.first().endsWith(QChar(0x3002)));

    // A long web address: after its last slash or dot, not inside an opening bracket.
    const QString address = QStringLiteral("https://example.org/") +
                            repeated(QStringLiteral("abcdefgh"), 4000) + QStringLiteral("/(x") +
                            repeated(QStringLiteral("y"), 200);
    EXPECT_TRUE(TextChunker::cut(address).chunk.endsWith(QLatin1Char('/')));

    // Nothing to cut at: exactly at the limit.
    const QString letters = repeated(QStringLiteral("x"), 5000);
    EXPECT_EQ(cutAll(letters).first().size(), 4096);

    // A lone space at the very start would give a chunk too short to speak.
    EXPECT_GE(TextChunker::cut(QStringLiteral(" ") + letters).chunk.size(), 2);
    // Lines without spaces break at their line ends.
    EXPECT_TRUE(TextChunker::cut(repeated(QStringLiteral("abcdefghij\n"), 6000))
                    .chunk.endsWith(QLatin1Char('\n')));
}

TEST(TextChunker, NeverSplitsASurrogatePair)
{
    // An emoji straddles positions 4096 and 4097.
    const QString text = QString(4095, QLatin1Char('x')) + QString::fromUtf8("\xF0\x9F\x98\x80") +
                         QString(100, QLatin1Char('y'));
    ASSERT_TRUE(text.at(4095).isHighSurrogate());
    const auto chunks = cutAll(text);
    EXPECT_EQ(chunks.first().size(), 4095);
    EXPECT_TRUE(chunks.at(1).startsWith(QString::fromUtf8("\xF0\x9F\x98\x80")));
    cutAll(QStringLiteral("x") + repeated(QString::fromUtf8("\xF0\x9F\x98\x80"), 9000));
}

TEST(WordSpan, WordRunsToTheNextSpaceOrLineBreak)
{
    EXPECT_EQ(WordSpan::wordAt(QStringLiteral("Hello world"), 0), QStringLiteral("Hello"));
    EXPECT_EQ(WordSpan::wordEnd(QStringLiteral("Hello world"), 0), 6);
    EXPECT_EQ(WordSpan::wordAt(QStringLiteral("Hello\r\nworld"), 0), QStringLiteral("Hello"));
    EXPECT_EQ(WordSpan::wordAt(QStringLiteral("Hello\nworld x"), 0), QStringLiteral("Hello"));
    EXPECT_EQ(WordSpan::wordAt(QStringLiteral("Hello\nworld x"), 6), QStringLiteral("world"));
    // The last word of a chunk, with nothing after it.
    EXPECT_EQ(WordSpan::wordEnd(QStringLiteral("say goodbye"), 4), 12);
    EXPECT_EQ(WordSpan::wordAt(QStringLiteral("say goodbye"), 4), QStringLiteral("goodbye"));
    // Positions outside the chunk show nothing.
    EXPECT_EQ(WordSpan::wordAt(QStringLiteral("abc"), 3), QString());
    EXPECT_EQ(WordSpan::wordAt(QStringLiteral("abc"), -1), QString());
}
