#pragma once

#include <QString>
#include <functional>

// The help page beside the program and the maker's web pages, opened with the program the
// desktop associates with them.
class HelpLinks
{
public:
    // ShellOpen's shape; replaceable so that tests see what would be opened.
    using Opener = std::function<int(QString &command, int showStyle, const QString &workDir)>;

    static inline const QString HomePage = QStringLiteral("https://www.larkvane.example/");
    static inline const QString VoicesPage =
        QStringLiteral("https://www.larkvane.example/reader/voices.html");

    // An empty opener means ShellOpen.
    explicit HelpLinks(Opener opener = {});

    // The program folder followed by "/help.html". An installed reader keeps its pages in
    // the shared data folder instead; that copy is used when none lies beside the program.
    static QString helpFile();

    void mnuHelp_Click();
    void mnuVisit_Click(); // also the tray menu's mnuSite
    void Label7_Click();

    // Opens `command` with show code 1 and returns the open call's result.
    int open(QString command) const;

private:
    Opener m_opener;
};
