#include "ConversionWarningDialog.h"
#include "ConversionLauncher.h"
#include "ConvertFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

using ConversionWarningDialogTest = ConvertFixture;

namespace {
// Answers the question the launcher asks, once its dialog is the modal window.
void whenAsked(const std::function<void(ConversionWarningDialog &)> &answer)
{
    QTimer::singleShot(0, [answer] {
        if (auto *dialog =
                qobject_cast<ConversionWarningDialog *>(QApplication::activeModalWidget()))
            answer(*dialog);
    });
}
} // namespace

TEST_F(ConversionWarningDialogTest, YesStoresTheBoxAndConverts)
{
    for (const bool ticked : {true, false}) {
        m_stored.clear();
        m_starts.clear();
        bool wasTicked = true;
        int result = -1;
        bool stillVisible = true;
        whenAsked([&](ConversionWarningDialog &dialog) {
            wasTicked = dialog.dontShowAgainBox->isChecked();
            dialog.dontShowAgainBox->setChecked(ticked);
            dialog.yesButton->click();
            result = dialog.result();
            stillVisible = dialog.isVisible();
        });
        ConversionLauncher::askAndConvert(request());
        EXPECT_FALSE(wasTicked);
        EXPECT_EQ(m_stored, QStringList{ticked ? QStringLiteral("True") : QStringLiteral("False")});
        EXPECT_EQ(m_starts.size(), 1);
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_FALSE(stillVisible);
    }
}

TEST_F(ConversionWarningDialogTest, CancelStoresNothingAndWritesNoFile)
{
    const QStringList before = runtimeFiles();
    bool stillVisible = true;
    whenAsked([&](ConversionWarningDialog &dialog) {
        dialog.dontShowAgainBox->setChecked(true);
        dialog.cancelButton->click();
        stillVisible = dialog.isVisible();
    });
    ConversionLauncher::askAndConvert(request());
    EXPECT_TRUE(m_stored.isEmpty());
    EXPECT_TRUE(m_starts.isEmpty());
    EXPECT_EQ(runtimeFiles(), before);
    EXPECT_FALSE(stillVisible);
}

TEST_F(ConversionWarningDialogTest, MenuAsksUnlessTheWarningIsSwitchedOff)
{
    const struct
    {
        QString setting;
        bool asks;
    } cases[] = {
        {QStringLiteral("True"), false}, {QString(), true},
        {QStringLiteral("False"), true}, {QStringLiteral("true"), true},
        {QStringLiteral("1"), true},
    };
    for (const auto &c : cases) {
        m_starts.clear();
        ConversionRequest r = request();
        r.disableConvertWarn = c.setting;
        // Whatever window is modal when the event loop next runs is answered with Cancel.
        QString asked;
        QTimer::singleShot(0, [&] {
            if (auto *dialog =
                    qobject_cast<ConversionWarningDialog *>(QApplication::activeModalWidget())) {
                asked = dialog->objectName();
                dialog->cancelButton->click();
            }
        });
        ConversionLauncher::askAndConvert(r);
        QApplication::processEvents();
        EXPECT_EQ(!asked.isEmpty(), c.asks) << c.setting.toStdString();
        EXPECT_EQ(m_starts.size(), c.asks ? 0 : 1) << c.setting.toStdString();
    }
}
