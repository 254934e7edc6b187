#include "ConversionWarningDialog.h"
#include "ConversionLauncher.h"
#include "ConvertFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

using ConversionWarningDialogTest = ConvertFixture;

TEST_F(ConversionWarningDialogTest, YesStoresTheBoxAndConverts)
{
    for (const bool ticked : {true, false}) {
        m_stored.clear();
        m_starts.clear();
        ConversionWarningDialog dialog(request());
        dialog.show();
        EXPECT_FALSE(dialog.dontShowAgainBox->isChecked());
        dialog.dontShowAgainBox->setChecked(ticked);
        dialog.yesButton->click();
        EXPECT_EQ(m_stored, QStringList{ticked ? QStringLiteral("True") : QStringLiteral("False")});
        EXPECT_EQ(m_starts.size(), 1);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST_F(ConversionWarningDialogTest, CancelStoresNothingAndWritesNoFile)
{
    const QStringList before = runtimeFiles();
    ConversionWarningDialog dialog(request());
    dialog.show();
    dialog.dontShowAgainBox->setChecked(true);
    dialog.cancelButton->click();
    EXPECT_TRUE(m_stored.isEmpty());
    EXPECT_TRUE(m_starts.isEmpty());
    EXPECT_EQ(runtimeFiles(), before);
    EXPECT_FALSE(dialog.isVisible());
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
