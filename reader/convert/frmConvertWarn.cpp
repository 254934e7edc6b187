#include "frmConvertWarn.h"

#include "IgnoreErrors.h"
#include "modConvert.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmConvertWarn::frmConvertWarn(ConversionRequest request, QWidget *parent)
    : QDialog(parent), m_request(std::move(request))
{
    setObjectName(QStringLiteral("frmConvertWarn"));
    setWindowTitle(QStringLiteral("Convert To Wave"));
    setModal(true);

    Label1 = new QLabel(
        QStringLiteral("This function will convert the entire document currently opened into a "
                       "22kHz 16-bit Mono PCM Wave file. It is possible to later convert this "
                       "wave file into a different format such as MP3 using third party audio "
                       "software. To create this wave file, it requires about 2.5 MB per "
                       "minute of audio. Do you wish to continue?"),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Check1 = new QCheckBox(QStringLiteral("Do not show this message in the future."), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setChecked(false);
    cmdYes = new QPushButton(QStringLiteral("Yes"), this);
    cmdYes->setObjectName(QStringLiteral("cmdYes"));
    cmdYes->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdYes);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Check1);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(cmdYes, &QPushButton::clicked, this, &frmConvertWarn::cmdYes_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmConvertWarn::cmdCancel_Click);
}

void frmConvertWarn::cmdYes_Click()
{
    // Stored on every Yes, so that an unticked box also switches the warning back on.
    ignoreErrors([this] {
        if (m_request.storeDisableConvertWarn)
            m_request.storeDisableConvertWarn(Check1->isChecked() ? QStringLiteral("True")
                                                                  : QStringLiteral("False"));
    });
    ignoreErrors([this] { modConvert::DoConvert(m_request); });
    accept();
}

void frmConvertWarn::cmdCancel_Click()
{
    reject();
}
