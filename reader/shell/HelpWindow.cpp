#include "HelpWindow.h"

#include "EarIcon.h"

#include <QFileInfo>
#include <QKeySequence>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(const QString &helpFile, WebOpener openWebAddress, QWidget *parent)
    : QWidget(parent, Qt::Window), m_helpFile(helpFile), m_openWebAddress(std::move(openWebAddress))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowIcon(EarIcon::icon());
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpPage"));
    m_browser->setAccessibleName(QStringLiteral("Help page"));
    // Every link comes here first: the page's own sections are shown in place, and nothing
    // else is loaded into the window.
    m_browser->setOpenLinks(false);
    m_browser->setOpenExternalLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::follow);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(760, 640);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);

    if (QFileInfo(m_helpFile).isFile()) {
        m_browser->setSource(QUrl::fromLocalFile(m_helpFile));
    } else {
        m_browser->setPlainText(
            QStringLiteral("The help page was not found. It belongs at:\n%1").arg(m_helpFile));
    }
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : title);
}

void HelpWindow::showSection(const QString &section)
{
    if (section.isEmpty())
        m_browser->verticalScrollBar()->setValue(0);
    else
        m_browser->scrollToAnchor(section);
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void HelpWindow::follow(const QUrl &link)
{
    const QUrl page = QUrl::fromLocalFile(m_helpFile);
    const QUrl target = page.resolved(link);
    if (target.adjusted(QUrl::RemoveFragment) == page) {
        showSection(target.fragment());
    } else if (target.scheme() == u"http" || target.scheme() == u"https" ||
               target.scheme() == u"mailto") {
        if (m_openWebAddress)
            m_openWebAddress(target);
    }
}
