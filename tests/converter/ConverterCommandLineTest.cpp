#include "ConverterCommandLine.h"

#include <gtest/gtest.h>
#include <limits>

using CL = ConverterCommandLine;

TEST(ConverterCommandLine, FieldsAreTrimmedAndCountedIntoTheTwoForms)
{
    CL line = CL::parse(QStringLiteral(" English (America) * /tmp/my temp.txt * -3 *80 "));
    EXPECT_EQ(line.kind, CL::StandardVoice);
    EXPECT_EQ(line.engineName, QStringLiteral("English (America)"));
    EXPECT_EQ(line.fileToOpen, QStringLiteral("/tmp/my temp.txt"));
    EXPECT_EQ(line.enginePath + line.languagePath, QString());
    EXPECT_EQ(line.speed, -3);
    EXPECT_EQ(line.volume, 80);

    line =
        CL::parse(QStringLiteral("/opt/cereproc/engine 6 * /opt/voices/heather*/tmp/t.txt*10*0"));
    EXPECT_EQ(line.kind, CL::CereVoice);
    EXPECT_EQ(line.engineName, QStringLiteral("CereProc"));
    EXPECT_EQ(line.enginePath, QStringLiteral("/opt/cereproc/engine 6"));
    EXPECT_EQ(line.languagePath, QStringLiteral("/opt/voices/heather"));
    EXPECT_EQ(line.fileToOpen, QStringLiteral("/tmp/t.txt"));
    EXPECT_EQ(line.speed, 10);
    EXPECT_EQ(line.volume, 0);

    EXPECT_EQ(CL::parse(QStringLiteral("English /tmp/t.txt 0 80")).kind, CL::NotFromReader);
    EXPECT_EQ(CL::parse(QStringLiteral("*")).kind, CL::InvalidOptions);
}

TEST(ConverterCommandLine, NumbersAreReadFromTheStartOfTheField)
{
    const struct
    {
        QString text;
        int value;
    } cases[] = {
        {"fast", 0},
        {"", 0},
        {"-", 0},
        {"+5", 5},
        {"12abc", 12},
        {"-3.6", -4},
        // Halves go to the even neighbour.
        {"2.5", 2},
        {"3.5", 4},
        {".6", 1},
        {"1e1", 10},
        {"99999999999", std::numeric_limits<int>::max()},
        {"-1e300", std::numeric_limits<int>::min()},
        {"1e999", std::numeric_limits<int>::max()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CL::number(c.text), c.value) << c.text.toStdString();
}
