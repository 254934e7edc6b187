#include "frmAbout.h"

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

frmAbout::frmAbout(const SystemInfoProgram &systemInfo, const HelpLinks &links, QWidget *parent)
    : QDialog(parent), m_systemInfo(systemInfo), m_links(links)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Larkvane Text-to-Speech Reader"));
    setWindowIcon(EarIcon::icon());

    Picture1 = new QFrame;
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFrameShape(QFrame::StyledPanel);
    Image1 = new QLabel;
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(ArtworkPath));
    Image1->setFixedSize(501, 157);
    auto *picture = new QVBoxLayout(Picture1);
    picture->setContentsMargins(0, 0, 0, 0);
    picture->addWidget(Image1);

    cmdOK = new QPushButton(QStringLiteral("OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    // Enter presses OK; Esc closes the box the same way (the dialog's reject).
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."));
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    // Which release this is, for a report of a fault or a question about a feature.
    auto *version = new QLabel(QStringLiteral("Parlance %1").arg(QStringLiteral(PARLANCE_VERSION)));
    version->setObjectName(QStringLiteral("Version"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(version);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Picture1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmAbout::StartSysInfo()
{
    QString program;
    int result = 0;
    ignoreErrors([&] { program = m_systemInfo.command(); });
    if (!program.isEmpty())
        result = m_links.open(program);
    // ShellOpen's codes below 32 are failures.
    if (program.isEmpty() || result < 32)
        MessageBoxService::show(QStringLiteral("System Information Is Unavailable At This Time"));
}
