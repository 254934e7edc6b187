#include "IgnoreErrors.h"
#include "MessageBoxRecorder.h"
#include "SpeechError.h"
#include "StandardErrorHandler.h"

#include <gtest/gtest.h>

namespace {
void failWith(int number, const char *text)
{
    throw SpeechError(number, QString::fromUtf8(text));
}
} // namespace

TEST(IgnoreErrors, SkipsAFailingStepAndGoesOn)
{
    int done = 0;
    EXPECT_FALSE(ignoreErrors([] { failWith(7, "boom"); }));
    EXPECT_TRUE(ignoreErrors([&] { ++done; }));
    EXPECT_EQ(done, 1);
}

TEST(StandardErrorHandler, RetriesThreeTimesSilentlyThenAsks)
{
    MessageBoxRecorder boxes(MessageBoxService::ResultIgnore);
    StandardErrorHandler handler(QStringLiteral(": PitchSpeed"));
    int attempts = 0;
    EXPECT_TRUE(handler.run(12, [&] {
        ++attempts;
        if (attempts < 4)
            failWith(380, "Invalid property value");
    }));
    EXPECT_EQ(attempts, 4);
    EXPECT_TRUE(boxes.requests().isEmpty());

    // The fourth error of the same run is shown; Ignore goes on with the next step.
    EXPECT_TRUE(handler.run(13, [] { failWith(380, "Invalid property value"); }));
    ASSERT_EQ(boxes.requests().size(), 1);
    const auto &box = boxes.requests().first();
    EXPECT_EQ(box.text, QStringLiteral("Error 380: \nInvalid property value\nOccurred at line 13\n"
                                       " in Parlance: PitchSpeed"));
    EXPECT_EQ(box.title, QStringLiteral("Parlance Error."));
    EXPECT_EQ(box.buttons, MessageBoxService::AbortRetryIgnore);
    EXPECT_EQ(box.icon, MessageBoxService::Exclamation);
}

TEST(StandardErrorHandler, RetryRepeatsTheStepAndAbortLeaves)
{
    MessageBoxRecorder boxes;
    boxes.queueAnswer(MessageBoxService::ResultRetry);
    boxes.queueAnswer(MessageBoxService::ResultAbort);
    StandardErrorHandler handler(QStringLiteral(": LoadSynthesis"), 0);
    int attempts = 0;
    EXPECT_FALSE(handler.run(1, [&] {
        ++attempts;
        failWith(5, "bad");
    }));
    EXPECT_EQ(attempts, 2);
    EXPECT_TRUE(handler.aborted());
    // After Abort no later step of the procedure runs.
    bool ran = false;
    EXPECT_FALSE(handler.run(2, [&] { ran = true; }));
    EXPECT_FALSE(ran);
}

TEST(StandardErrorHandler, CountsPerRunNotPerStep)
{
    MessageBoxRecorder boxes(MessageBoxService::ResultIgnore);
    StandardErrorHandler handler(QStringLiteral(": frmRightClick.GoSystemTray"), 100);
    for (int i = 0; i < 50; ++i)
        handler.run(i, [&, n = 0]() mutable {
            if (n++ < 2)
                failWith(1, "tray");
        });
    EXPECT_EQ(handler.errorCount(), 100);
    EXPECT_TRUE(boxes.requests().isEmpty());
    handler.run(60, [] { failWith(1, "tray"); });
    EXPECT_EQ(boxes.requests().size(), 1);
}
