#pragma once

#include <QDialog>

class HelpLinks;
class QFrame;
class QLabel;
class QPushButton;
class SystemInfoProgram;

// The About box: the product artwork, OK, and a button that starts the system-information
// program.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    static inline const QString ArtworkPath = QStringLiteral(":/parlance/about.png");

    AboutDialog(const SystemInfoProgram &systemInfo, const HelpLinks &links,
                QWidget *parent = nullptr);

    // Starts the system-information program, or says that there is none.
    void startSystemInfo();

    QFrame *pictureFrame = nullptr;
    QLabel *artwork = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *systemInfoButton = nullptr;

private:
    const SystemInfoProgram &m_systemInfo;
    const HelpLinks &m_links;
};
