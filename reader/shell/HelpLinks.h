#pragma once

#include <QString>
#include <functional>

// The help page that comes with the program and the project's home page, opened with the
// program the desktop associates with them.
class HelpLinks
{
public:
    // ShellOpen's shape; replaceable so that tests see what would be opened.
    using Opener = std::function<int(QString &command, int showStyle, const QString &workDir)>;

    // An empty opener means ShellOpen.
    explicit HelpLinks(Opener opener = {});

    // The program folder followed by "/help.html". An installed reader (and the build
    // tree, laid out the same way) keeps its pages in the shared data folder instead; that
    // copy is used when none lies beside the program.
    static QString helpFile();

    // The home page chosen when the program was built, or else the help page's "About
    // Parlance" section: a web address either way.
    static QString homePage();
    // The help page's section on getting more voices.
    static QString voicesPage();

    // Captions of the message shown when nothing on the desktop could open a page, so the
    // user can still find it.
    static const QString HelpNotOpenedText;
    static const QString AddressNotOpenedText;

    void mnuHelp_Click();
    void mnuVisit_Click(); // also the tray menu's mnuSite
    void Label7_Click();

    // Opens `command` with show code 1 and returns the open call's result.
    int open(QString command) const;

private:
    // Opens `target`; when that fails, shows `message` with the target in it.
    void openOrTell(const QString &target, const QString &message) const;

    Opener m_opener;
};
