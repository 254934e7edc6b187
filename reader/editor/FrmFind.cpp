#include "FrmFind.h"

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

const QString FrmFind::FindCaption = QStringLiteral("&Find");
const QString FrmFind::FindNextCaption = QStringLiteral("&Find Next");

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

FrmFind::FrmFind(QTextEdit *rt, QWidget *mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      m_rt(rt), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("FrmFind"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    // Closing ends this window for good; the next "&Find..." starts a fresh search.
    setAttribute(Qt::WA_DeleteOnClose);

    const TwipsScale scale = TwipsScale::forWidget(this);
    Label1 =
        place(new QLabel(QStringLiteral("Find what:"), this), "Label1", scale, 120, 120, 2535, 255);
    Text1 = place(new QLineEdit(this), "Text1", scale, 120, 360, 3735, 285);
    Command1 = place(new QPushButton(FindCaption, this), "Command1", scale, 4080, 360, 1095, 375);
    Command2 = place(new QPushButton(QStringLiteral("&Cancel"), this), "Command2", scale, 4080,
                     1320, 1095, 375);
    Check1 = place(new QCheckBox(QStringLiteral("Match Case"), this), "Check1", scale, 120, 1560,
                   1815, 195);
    Label2 = place(new QLabel(QStringLiteral("Replace with:"), this), "Label2", scale, 120, 720,
                   1455, 255);
    Text2 = place(new QLineEdit(this), "Text2", scale, 120, 960, 3735, 285);
    Command3 = place(new QPushButton(QStringLiteral("&Replace"), this), "Command3", scale, 4080,
                     840, 1095, 375);

    // Enter anywhere in the window searches, unless another button has the focus.
    Command1->setDefault(true);
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Check1);
    setTabOrder(Check1, Text2);
    setTabOrder(Text2, Command3);

    connect(Command1, &QPushButton::clicked, this, &FrmFind::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmFind::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmFind::Command3_Click);
    connect(Check1, &QCheckBox::clicked, this, &FrmFind::Check1_Click);

    setFixedSize(scale.size(QSize(DesignWidth, DesignHeight)));
    Form_Load();
}

void FrmFind::Form_Load()
{
    FindOptions = 0;
    const TwipsScale scale = TwipsScale::forWidget(this);
    const QScreen *screen =
        m_mainWindow ? m_mainWindow->screen() : QGuiApplication::primaryScreen();
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
    move(origin + QPoint(scale.x(DesignOffset), scale.y(DesignOffset)));
}

FrmFind *FrmFind::open(QTextEdit *rt, QWidget *mainWindow)
{
    FrmFind *window = nullptr;
    if (mainWindow) {
        // A closed window may linger until its deletion runs; only a shown one is reused.
        const auto windows = mainWindow->findChildren<FrmFind *>(Qt::FindDirectChildrenOnly);
        for (FrmFind *candidate : windows) {
            if (candidate->isVisible())
                window = candidate;
        }
    }
    if (!window)
        window = new FrmFind(rt, mainWindow);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void FrmFind::Command1_Click()
{
    if (!m_rt)
        return;
    if (m_mainWindow)
        m_mainWindow->activateWindow();
    m_rt->setFocus();

    QTextCursor cursor = m_rt->textCursor();
    int found = -1;
    if (Command1->text() == FindCaption) {
        cursor.setPosition(0);
        m_rt->setTextCursor(cursor);
        found = DocumentSearch::find(m_rt, Text1->text(), DocumentSearch::NoPosition,
                                     DocumentSearch::NoPosition, FindOptions);
        Command1->setText(FindNextCaption);
    } else {
        // Right after the current selection, whoever made it.
        const int from = cursor.selectionEnd();
        cursor.setPosition(from);
        m_rt->setTextCursor(cursor);
        found = DocumentSearch::find(m_rt, Text1->text(), from,
                                     m_rt->document()->characterCount() - 1, FindOptions);
    }
    if (found == -1) {
        MessageBoxService::show(QStringLiteral("All instances have been found."),
                                MessageBoxService::Ok, MessageBoxService::Information,
                                QStringLiteral("Finished!"));
        close();
    }
}

void FrmFind::Command2_Click()
{
    close();
}

void FrmFind::Command3_Click()
{
    if (!m_rt)
        return;
    QTextCursor cursor = m_rt->textCursor();
    if (cursor.selectedText().isEmpty()) {
        MessageBoxService::show(QStringLiteral("You have not found anything to replace!"),
                                MessageBoxService::Ok, MessageBoxService::Exclamation,
                                QStringLiteral("Error!"));
        return;
    }
    // The replacement takes the formatting of the first replaced character.
    QTextCursor first(cursor);
    first.setPosition(cursor.selectionStart() + 1);
    cursor.insertText(Text2->text(), first.charFormat());
    m_rt->setTextCursor(cursor);
    Command1_Click();
}

void FrmFind::Check1_Click()
{
    FindOptions = Check1->isChecked() ? DocumentSearch::MatchCase : 0;
}

void FrmFind::keyPressEvent(QKeyEvent *event)
{
    // Escape does not close the window; only "&Cancel" and the title bar do.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
