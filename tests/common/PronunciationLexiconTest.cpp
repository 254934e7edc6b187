#include "PronunciationLexicon.h"

#include <gtest/gtest.h>

namespace {
using Entry = PronunciationLexicon::Entry;

// The original text of each range of the rewritten text, mapped back.
QString back(const PronunciationLexicon::Rewrite &r, const QString &original, int position,
             int length)
{
    const auto [start, size] = r.original(position, length);
    return original.mid(start, size);
}
} // namespace

TEST(PronunciationLexicon, ReplacesWholeWordsInAnyCaseOnly)
{
    const PronunciationLexicon lexicon({{QStringLiteral("SQL"), QStringLiteral("sequel")},
                                        {QStringLiteral("cat"), QStringLiteral("kitty")}});
    EXPECT_EQ(lexicon.rewrite(QStringLiteral("Sql and CAT, not category or bobcat; cat's")).text(),
              QStringLiteral("sequel and kitty, not category or bobcat; kitty's"));
    // Digits and underscores are part of a word too.
    EXPECT_EQ(lexicon.rewrite(QStringLiteral("cat2 _cat cat")).text(),
              QStringLiteral("cat2 _cat kitty"));
}

TEST(PronunciationLexicon, LongestEntryWinsAndReplacementsAreNotMatchedAgain)
{
    const PronunciationLexicon lexicon({{QStringLiteral("New"), QStringLiteral("Old")},
                                        {QStringLiteral("new york"), QStringLiteral("big apple")},
                                        {QStringLiteral("apple"), QStringLiteral("pear")},
                                        {QStringLiteral("Old"), QStringLiteral("ancient")}});
    EXPECT_EQ(lexicon.rewrite(QStringLiteral("New York is new, old apple")).text(),
              QStringLiteral("big apple is Old, ancient pear"));
}

TEST(PronunciationLexicon, EntriesWithSymbolsAndDuplicates)
{
    // "C++" ends in symbols: it must still not start inside a word, but it may be followed
    // by anything. A word entered twice keeps the later pronunciation; blank words are dropped.
    const PronunciationLexicon lexicon({{QStringLiteral("C++"), QStringLiteral("C plus plus")},
                                        {QStringLiteral("  "), QStringLiteral("nothing")},
                                        {QStringLiteral("gif"), QStringLiteral("jif")},
                                        {QStringLiteral("GIF"), QStringLiteral("ghif")}});
    EXPECT_EQ(lexicon.entries().size(), 2);
    EXPECT_EQ(lexicon.rewrite(QStringLiteral("C++, ObjC++ and gif")).text(),
              QStringLiteral("C plus plus, ObjC++ and ghif"));
}

TEST(PronunciationLexicon, RewrittenPositionsLeadBackToTheOriginalWords)
{
    const QString original = QStringLiteral("Dr Who met R2D2 on TV today.");
    const PronunciationLexicon lexicon({{QStringLiteral("dr"), QStringLiteral("doctor")},
                                        {QStringLiteral("r2d2"), QStringLiteral("artoo detoo")},
                                        {QStringLiteral("tv"), QString()}});
    const auto r = lexicon.rewrite(original);
    ASSERT_EQ(r.text(), QStringLiteral("doctor Who met artoo detoo on  today."));

    // Every word the engine could report in the rewritten text, and what it stands for.
    const QString spoken = r.text();
    EXPECT_EQ(back(r, original, 0, 6), QStringLiteral("Dr"));
    EXPECT_EQ(back(r, original, spoken.indexOf("Who"), 3), QStringLiteral("Who"));
    EXPECT_EQ(back(r, original, spoken.indexOf("met"), 3), QStringLiteral("met"));
    // Both words of a two-word pronunciation highlight the word they replace.
    EXPECT_EQ(back(r, original, spoken.indexOf("artoo"), 5), QStringLiteral("R2D2"));
    EXPECT_EQ(back(r, original, spoken.indexOf("detoo"), 5), QStringLiteral("R2D2"));
    EXPECT_EQ(back(r, original, spoken.indexOf("on"), 2), QStringLiteral("on"));
    // A word said as nothing is skipped; the next word is still found.
    EXPECT_EQ(back(r, original, spoken.indexOf("today"), 5), QStringLiteral("today"));
    // A range across a replacement covers the whole replaced word.
    EXPECT_EQ(back(r, original, spoken.indexOf("met"), 9), QStringLiteral("met R2D2"));
    // Out-of-range requests stay inside the text.
    const auto [start, size] = r.original(1000, 5);
    EXPECT_EQ(start, original.size());
    EXPECT_EQ(size, 0);
}

TEST(PronunciationLexicon, WithoutEntriesTheTextAndPositionsAreUnchanged)
{
    const QString original = QStringLiteral("\U0001F600 hello");
    const auto r = PronunciationLexicon().rewrite(original);
    EXPECT_EQ(r.text(), original);
    EXPECT_EQ(r.original(3, 5), std::make_pair(3, 5));
    EXPECT_EQ(PronunciationLexicon().rewrite(QString()).original(0, 1), std::make_pair(0, 0));
}
