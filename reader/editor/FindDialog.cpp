#include "FindDialog.h"

#include "DocumentSearch.h"
#include "MessageBoxService.h"
#include "TwipsScale.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QTextEdit>

const QString FindDialog::FindCaption = QStringLiteral("&Find");
const QString FindDialog::FindNextCaption = QStringLiteral("&Find Next");

namespace {
template <typename T>
T *place(T *control, const char *name, const TwipsScale &scale, int left, int top, int width,
         int height)
{
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(scale.rect(left, top, width, height));
    return control;
}
} // namespace

FindDialog::FindDialog(QTextEdit *editor, QWidget *mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      m_editor(editor), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    // Closing ends this window for good; the next "&Find..." starts a fresh search.
    setAttribute(Qt::WA_DeleteOnClose);

    const TwipsScale scale = TwipsScale::forWidget(this);
    findLabel = place(new QLabel(QStringLiteral("Find what:"), this), "findLabel", scale, 120, 120,
                      2535, 255);
    findEdit = place(new QLineEdit(this), "findEdit", scale, 120, 360, 3735, 285);
    findButton =
        place(new QPushButton(FindCaption, this), "findButton", scale, 4080, 360, 1095, 375);
    cancelButton = place(new QPushButton(QStringLiteral("&Cancel"), this), "cancelButton", scale,
                         4080, 1320, 1095, 375);
    matchCaseBox = place(new QCheckBox(QStringLiteral("Match Case"), this), "matchCaseBox", scale,
                         120, 1560, 1815, 195);
    replaceLabel = place(new QLabel(QStringLiteral("Replace with:"), this), "replaceLabel", scale,
                         120, 720, 1455, 255);
    replaceEdit = place(new QLineEdit(this), "replaceEdit", scale, 120, 960, 3735, 285);
    replaceButton = place(new QPushButton(QStringLiteral("&Replace"), this), "replaceButton", scale,
                          4080, 840, 1095, 375);

    // Enter anywhere in the window searches, unless another button has the focus.
    findButton->setDefault(true);
    setTabOrder(findEdit, findButton);
    setTabOrder(findButton, cancelButton);
    setTabOrder(cancelButton, matchCaseBox);
    setTabOrder(matchCaseBox, replaceEdit);
    setTabOrder(replaceEdit, replaceButton);

    connect(findButton, &QPushButton::clicked, this, &FindDialog::findNext);
    connect(cancelButton, &QPushButton::clicked, this, &FindDialog::cancel);
    connect(replaceButton, &QPushButton::clicked, this, &FindDialog::replace);
    connect(matchCaseBox, &QCheckBox::clicked, this, &FindDialog::updateMatchCase);

    setFixedSize(scale.size(QSize(DesignWidth, DesignHeight)));
    placeOnScreen();
}

void FindDialog::placeOnScreen()
{
    findOptions = 0;
    const TwipsScale scale = TwipsScale::forWidget(this);
    const QScreen *screen =
        m_mainWindow ? m_mainWindow->screen() : QGuiApplication::primaryScreen();
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
    move(origin + QPoint(scale.x(DesignOffset), scale.y(DesignOffset)));
}

FindDialog *FindDialog::open(QTextEdit *editor, QWidget *mainWindow)
{
    FindDialog *window = nullptr;
    if (mainWindow) {
        // A closed window may linger until its deletion runs; only a shown one is reused.
        const auto windows = mainWindow->findChildren<FindDialog *>(Qt::FindDirectChildrenOnly);
        for (FindDialog *candidate : windows) {
            if (candidate->isVisible())
                window = candidate;
        }
    }
    if (!window)
        window = new FindDialog(editor, mainWindow);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void FindDialog::findNext()
{
    if (!m_editor)
        return;
    if (m_mainWindow)
        m_mainWindow->activateWindow();
    m_editor->setFocus();

    QTextCursor cursor = m_editor->textCursor();
    int found = -1;
    if (findButton->text() == FindCaption) {
        cursor.setPosition(0);
        m_editor->setTextCursor(cursor);
        found = DocumentSearch::find(m_editor, findEdit->text(), DocumentSearch::NoPosition,
                                     DocumentSearch::NoPosition, findOptions);
        findButton->setText(FindNextCaption);
    } else {
        // Right after the current selection, whoever made it.
        const int from = cursor.selectionEnd();
        cursor.setPosition(from);
        m_editor->setTextCursor(cursor);
        found = DocumentSearch::find(m_editor, findEdit->text(), from,
                                     m_editor->document()->characterCount() - 1, findOptions);
    }
    if (found == -1) {
        MessageBoxService::show(QStringLiteral("All instances have been found."),
                                MessageBoxService::Ok, MessageBoxService::Information,
                                QStringLiteral("Finished!"));
        close();
    }
}

void FindDialog::cancel()
{
    close();
}

void FindDialog::replace()
{
    if (!m_editor)
        return;
    QTextCursor cursor = m_editor->textCursor();
    if (cursor.selectedText().isEmpty()) {
        MessageBoxService::show(QStringLiteral("You have not found anything to replace!"),
                                MessageBoxService::Ok, MessageBoxService::Exclamation,
                                QStringLiteral("Error!"));
        return;
    }
    // The replacement takes the formatting of the first replaced character.
    QTextCursor first(cursor);
    first.setPosition(cursor.selectionStart() + 1);
    cursor.insertText(replaceEdit->text(), first.charFormat());
    m_editor->setTextCursor(cursor);
    findNext();
}

void FindDialog::updateMatchCase()
{
    findOptions = matchCaseBox->isChecked() ? DocumentSearch::MatchCase : 0;
}

void FindDialog::keyPressEvent(QKeyEvent *event)
{
    // Escape does not close the window; only "&Cancel" and the title bar do.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
