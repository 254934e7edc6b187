#include "ConversionWarningDialog.h"

#include "IgnoreErrors.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ConversionWarningDialog::ConversionWarningDialog(ConversionRequest::StoreSetting storeChoice,
                                                 QWidget *parent)
    : QDialog(parent), m_storeChoice(std::move(storeChoice))
{
    setObjectName(QStringLiteral("ConversionWarningDialog"));
    setWindowTitle(QStringLiteral("Convert To Wave"));
    setModal(true);

    warningLabel = new QLabel(
        QStringLiteral("This function will convert the entire document currently opened into a "
                       "22kHz 16-bit Mono PCM Wave file. It is possible to later convert this "
                       "wave file into a different format such as MP3 using third party audio "
                       "software. To create this wave file, it requires about 2.5 MB per "
                       "minute of audio. Do you wish to continue?"),
        this);
    warningLabel->setObjectName(QStringLiteral("warningLabel"));
    warningLabel->setWordWrap(true);
    dontShowAgainBox =
        new QCheckBox(QStringLiteral("Do not show this message in the future."), this);
    dontShowAgainBox->setObjectName(QStringLiteral("dontShowAgainBox"));
    dontShowAgainBox->setChecked(false);
    yesButton = new QPushButton(QStringLiteral("Yes"), this);
    yesButton->setObjectName(QStringLiteral("yesButton"));
    yesButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yesButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(warningLabel);
    layout->addWidget(dontShowAgainBox);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(yesButton, &QPushButton::clicked, this, &ConversionWarningDialog::confirm);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void ConversionWarningDialog::confirm()
{
    // Stored on every Yes, so that an unticked box also switches the warning back on.
    ignoreErrors([this] {
        if (m_storeChoice)
            m_storeChoice(dontShowAgainBox->isChecked() ? QStringLiteral("True")
                                                        : QStringLiteral("False"));
    });
    accept();
}
