#pragma once

#include <QString>
#include <functional>
#include <memory>

class HelpWindow;

// The help page that comes with the program, shown in the reader's own help window, and
// the project's home page, which the desktop opens when it is a web address.
class HelpLinks
{
public:
    // openCommand's shape; replaceable so that tests see what would be opened.
    using Opener = std::function<int(QString &command, int showStyle, const QString &workDir)>;

    // An empty opener means openCommand.
    explicit HelpLinks(Opener opener = {});
    ~HelpLinks();

    // The program folder followed by "/help.html". An installed reader (and the build
    // tree, laid out the same way) keeps its pages in the shared data folder instead; that
    // copy is used when none lies beside the program.
    static QString helpFile();

    // The home page chosen when the program was built; empty when none was, and the help
    // page's "About Parlance" section stands in for it.
    static QString homePage();

    // The message shown when nothing on the desktop could open a web address, so the user
    // can still find it.
    static const QString AddressNotOpenedText;

    void openHelp();
    void visitWebSite(); // also the tray menu's visitSiteAction
    void downloadVoices();

    // The help window at a section of the page (its anchor), or at the top when empty.
    void showHelp(const QString &section = QString());
    HelpWindow *helpWindow() const { return m_window.get(); }

    // Opens `command` with show code 1 and returns the open call's result.
    int open(QString command) const;

private:
    // Opens `target`; when that fails, shows `message` with the target in it.
    void openOrTell(const QString &target, const QString &message) const;

    Opener m_opener;
    std::unique_ptr<HelpWindow> m_window;
};
