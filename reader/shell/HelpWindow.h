#pragma once

#include <QWidget>
#include <functional>

class QTextBrowser;
class QUrl;

// The help page in a window of the reader's own. Handing the page to the desktop could
// start this very reader where it is the desktop's page viewer, and the page would replace
// the user's document. Sections are reached by their anchors inside the window; only web
// addresses go out to the desktop.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    using WebOpener = std::function<void(const QUrl &)>;

    HelpWindow(const QString &helpFile, WebOpener openWebAddress, QWidget *parent = nullptr);

    // Brings the window up at the section with this anchor, or at the top when empty.
    void showSection(const QString &section);

    QTextBrowser *browser() const { return m_browser; }

private:
    void follow(const QUrl &link);

    QTextBrowser *m_browser = nullptr;
    QString m_helpFile;
    WebOpener m_openWebAddress;
};
