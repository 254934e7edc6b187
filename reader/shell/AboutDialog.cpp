#include "AboutDialog.h"

#include "EarIcon.h"
#include "HelpLinks.h"
#include "IgnoreErrors.h"
#include "MessageBoxService.h"
#include "SystemInfoProgram.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

AboutDialog::AboutDialog(const SystemInfoProgram &systemInfo, const HelpLinks &links,
                         QWidget *parent)
    : QDialog(parent), m_systemInfo(systemInfo), m_links(links)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("About Larkvane Text-to-Speech Reader"));
    setWindowIcon(EarIcon::icon());

    pictureFrame = new QFrame;
    pictureFrame->setObjectName(QStringLiteral("pictureFrame"));
    pictureFrame->setFrameShape(QFrame::StyledPanel);
    artwork = new QLabel;
    artwork->setObjectName(QStringLiteral("artwork"));
    artwork->setPixmap(QPixmap(ArtworkPath));
    artwork->setFixedSize(501, 157);
    auto *picture = new QVBoxLayout(pictureFrame);
    picture->setContentsMargins(0, 0, 0, 0);
    picture->addWidget(artwork);

    okButton = new QPushButton(QStringLiteral("OK"));
    okButton->setObjectName(QStringLiteral("okButton"));
    // Enter presses OK; Esc closes the box the same way (the dialog's reject).
    okButton->setDefault(true);
    okButton->setAutoDefault(true);
    systemInfoButton = new QPushButton(QStringLiteral("&System Info..."));
    systemInfoButton->setObjectName(QStringLiteral("systemInfoButton"));
    systemInfoButton->setAutoDefault(false);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(systemInfoButton, &QPushButton::clicked, this, &AboutDialog::startSystemInfo);

    // Which release this is, for a report of a fault or a question about a feature.
    auto *version = new QLabel(QStringLiteral("Parlance %1").arg(QStringLiteral(PARLANCE_VERSION)));
    version->setObjectName(QStringLiteral("Version"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(version);
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(systemInfoButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pictureFrame);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void AboutDialog::startSystemInfo()
{
    QString program;
    int result = 0;
    ignoreErrors([&] { program = m_systemInfo.command(); });
    if (!program.isEmpty())
        result = m_links.open(program);
    // openCommand's codes below 32 are failures.
    if (program.isEmpty() || result < 32)
        MessageBoxService::show(QStringLiteral("System Information Is Unavailable At This Time"));
}
