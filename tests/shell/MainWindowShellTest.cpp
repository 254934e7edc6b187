#include "AboutDialog.h"
#include "DocumentCommands.h"
#include "DocumentLanguageOffer.h"
#include "FileDialogService.h"
#include "HelpWindow.h"
#include "MainWindow.h"
#include "MainWindowLife.h"
#include "MarkedWords.h"
#include "MessageBoxRecorder.h"
#include "PrintChoiceDialog.h"
#include "ReaderSettings.h"
#include "RegistryAccess.h"
#include "RegistryStore.h"
#include "ShellFixture.h"
#include "CommandOpener.h"
#include "TestVoiceFile.h"
#include "TrayIcon.h"
#include "VoiceCatalogue.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

namespace {
QStringList entries(const QMenu *menu)
{
    QStringList result;
    for (const QAction *action : menu->actions())
        result << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return result;
}

// The program's main window on a shell whose outside effects are recorded, over a machine
// registry of the test's own.
class MainWindowShellTest : public ShellFixture
{
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        qputenv("PARLANCE_AUDIO", "null:40");
        qputenv("PARLANCE_MACHINE_REGISTRY", QFile::encodeName(m_dir.filePath("machine.sqlite")));
        RegistryStore::setCurrent(nullptr);
        VoiceCatalogue::cereVoices = {CereVoiceEntry()};
    }

    void TearDown() override
    {
        m_window.reset();
        ShellFixture::TearDown();
        VoiceCatalogue::cereVoices = {CereVoiceEntry()};
        RegistryStore::setCurrent(nullptr);
        qunsetenv("PARLANCE_MACHINE_REGISTRY");
    }

    // A voice file registered as an installer registers it, on one CereProc engine.
    void install(const QString &tokenName, const QString &name)
    {
        const QString file = TestVoiceFile::write(m_dir.filePath("voices/" + name), name);
        ASSERT_FALSE(file.isEmpty());
        const auto HKLM = RegistryRoot::LocalMachine;
        RegistryAccess::writeString(HKLM, VoiceCatalogue::CereProcKey + "CereVoice Engine 3.2.0",
                                    "InstallDir", m_dir.filePath("engine"));
        RegistryAccess::writeString(HKLM, VoiceCatalogue::PrivateVoicesKey + tokenName, QString(),
                                    tokenName);
        RegistryAccess::writeString(
            HKLM, VoiceCatalogue::PrivateVoicesKey + tokenName + "\\Attributes", "VoiceFile", file);
    }

    // Starts a run of the reader the way start does: a new shell, a new window.
    MainWindow &load()
    {
        m_window.reset();
        newShell();
        m_window = std::make_unique<MainWindow>(shell());
        shell().life().load(false);
        return *m_window;
    }

    std::unique_ptr<MainWindow> m_window;
};
} // namespace

TEST_F(MainWindowShellTest, VoiceFileVoicesLoadReadAndComeBackInTheNextRun)
{
    install("CereVoice Anna 3.2.0", "anna");
    install("CereVoice Bella 3.2.0", "bella");
    MainWindow &w = load();

    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Larkvane TTS Reader - Untitled"));
    EXPECT_TRUE(w.monitorTimer->isActive());
    EXPECT_TRUE(w.readClipboardAction->isChecked());
    EXPECT_FALSE(w.readDialogsAction->isChecked());
    ASSERT_EQ(w.speechControls.size(), 3u);
    ASSERT_GT(w.voiceList->count(), 2);
    EXPECT_EQ(w.voiceList->itemText(0), QStringLiteral("CereVoice Anna 3.2.0"));
    EXPECT_EQ(w.voiceList->itemText(1), QStringLiteral("CereVoice Bella 3.2.0"));
    // Then espeak-ng's voices, as many as element 0 lists.
    EXPECT_EQ(w.voiceList->count() - 2, w.speechControls[0]->voices().size());
    EXPECT_EQ(w.speechControls[2]->voiceName(), QStringLiteral("CereVoice bella"));
    // A first start shows the standard engine's own voice.
    EXPECT_EQ(w.engineIndex, 0);
    EXPECT_EQ(w.voiceList->currentText(), w.currentVoice());
    EXPECT_GT(w.voiceList->currentIndex(), 1);

    // The user picks the second voice file in the list.
    w.voiceList->setCurrentIndex(1);
    emit w.voiceList->activated(1);
    ASSERT_EQ(w.engineIndex, 2);
    EXPECT_EQ(w.currentCatalogueVoice(), QStringLiteral("CereVoice Bella 3.2.0"));

    // Reading with it marks the words in the document as they are heard.
    const QString text = QStringLiteral("Every word here is marked");
    QStringList marked;
    ASSERT_NO_FATAL_FAILURE(readCollectingMarks(w, text, &marked));
    EXPECT_EQ(marked, (QStringList{"Every", "word", "here", "is", "marked"}));

    // A conversion names the voice file's folders.
    QStringList started;
    CommandOpenerPlatform::setOpenCall(
        [&](const QString &, const QString &file, const QString &parameters, const QString &, int) {
            started << file << parameters;
            return CommandOpenerPlatform::Started;
        });
    putSetting("Options", "DisableConvertWarn", "True");
    w.speedSlider->setValue(-3);
    w.convertAction->trigger();
    CommandOpenerPlatform::setOpenCall({});
    ASSERT_EQ(started.size(), 2);
    const QStringList fields = started[1].split(QLatin1Char('*'));
    ASSERT_EQ(fields.size(), 5);
    EXPECT_EQ(fields[0], VoiceCatalogue::cereVoices.at(2).engineDir);
    EXPECT_EQ(fields[1], VoiceCatalogue::cereVoices.at(2).voiceDir);
    EXPECT_EQ(fields[3], QStringLiteral("-3"));
    QFile::remove(fields[2]);

    // The choice is stored at unload and applied by the next run.
    shell().life().unload();
    EXPECT_EQ(setting("Options", "Voice"), QStringLiteral("CereVoice Bella 3.2.0"));
    MainWindow &next = load();
    EXPECT_EQ(next.engineIndex, 2);
    EXPECT_EQ(next.voiceList->currentText(), QStringLiteral("CereVoice Bella 3.2.0"));

    // A stored voice that was uninstalled falls back to element 0, and the list says so.
    shell().life().unload();
    putSetting("Options", "Voice", "CereVoice Gone 1.0");
    MainWindow &third = load();
    EXPECT_EQ(third.engineIndex, 0);
    EXPECT_EQ(third.voiceList->currentText(), third.currentVoice());
}

TEST_F(MainWindowShellTest, MenusListTheirItemsAndReachTheShell)
{
    MainWindow &w = load();
    QStringList menus;
    for (const QAction *action : w.menuBar()->actions())
        menus << action->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&Format", "&Options", "&Help"}));
    EXPECT_EQ(entries(w.fileMenu),
              (QStringList{"newAction", "openAction", "-", "saveAction", "saveAsAction", "-",
                           "convertAction", "-", "printAction", "-", "exitAction"}));
    EXPECT_EQ(entries(w.editMenu),
              (QStringList{"undoAction", "-", "cutAction", "copyAction", "pasteAction", "-",
                           "selectAllAction", "-", "findAction"}));
    EXPECT_EQ(entries(w.optionsMenu),
              (QStringList{"readClipboardAction", "readDialogsAction", "-", "advancedAction",
                           "pronunciationAction", "-", "addVoiceAction", "removeVoiceAction"}));
    EXPECT_EQ(entries(w.helpMenu), (QStringList{"helpAction", "visitSiteAction", "aboutAction"}));
    EXPECT_EQ(w.formatMenu->objectName(), QStringLiteral("formatMenu"));
    EXPECT_EQ(w.cutAction->text(), QStringLiteral("Cu&t        Ctrl+X"));
    EXPECT_TRUE(w.cutAction->shortcut().isEmpty());

    // The Options items only carry marks, and the tray menu shows the same.
    w.readDialogsAction->trigger();
    EXPECT_TRUE(w.readDialogsAction->isChecked());
    shell().trayIcon().popupMenu->popup(QPoint(0, 0));
    EXPECT_TRUE(shell().trayIcon().readDialogsAction->isChecked());
    shell().trayIcon().popupMenu->hide();

    // Help, the home page's stand-in and the voices link show the reader's help window.
    m_opened.clear();
    w.helpAction->trigger();
    w.visitSiteAction->trigger();
    QTest::mouseClick(w.moreVoicesLink, Qt::LeftButton);
    EXPECT_TRUE(m_opened.isEmpty());
    ASSERT_TRUE(shell().links().helpWindow());
    EXPECT_TRUE(shell().links().helpWindow()->isVisible());
    shell().links().helpWindow()->close();

    // F1 is Help wherever the focus is in the window; the caption shows no key.
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.documentEdit->setFocus();
    QTest::keyClick(w.documentEdit, Qt::Key_F1);
    EXPECT_TRUE(shell().links().helpWindow()->isVisible());
    EXPECT_TRUE(m_opened.isEmpty());
    EXPECT_EQ(w.helpAction->text(), QStringLiteral("Help"));

    QSignalSpy find(&w, &MainWindow::findRequested);
    w.findAction->trigger();
    EXPECT_EQ(find.size(), 1);

    w.printAction->trigger();
    ASSERT_TRUE(shell().printChoice());
    EXPECT_TRUE(shell().printChoice()->isVisible());
    shell().printChoice()->cancel();

    // The main menu's About waits for the user.
    bool modal = false;
    QTimer::singleShot(0, [&] {
        if (AboutDialog *about = shell().about()) {
            modal = about->isModal() && about->isVisible();
            about->close();
        }
    });
    w.aboutAction->trigger();
    EXPECT_TRUE(modal);

    // New clears the document and its file.
    w.documentEdit->setPlainText(QStringLiteral("old text"));
    w.newAction->trigger();
    EXPECT_TRUE(w.documentEdit->toPlainText().isEmpty());
}

TEST_F(MainWindowShellTest, FilesDroppedOnTheDocumentOpenAndDroppedTextGoesIn)
{
    MainWindow &w = load();
    MessageBoxRecorder boxes;
    // A drop reaches the widget that accepted the drag's entry.
    auto drop = [&](QMimeData &data) {
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.documentEdit->viewport(), &enter);
        QDropEvent event(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.documentEdit->viewport(), &event);
    };
    const QString file = m_dir.filePath(QStringLiteral("dropped ünï.txt"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("Dropped words.");
    out.close();

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(file), QUrl::fromLocalFile(m_dir.path())});
    drop(files);
    EXPECT_EQ(w.documentEdit->toPlainText(), QStringLiteral("Dropped words."));
    EXPECT_EQ(w.documents()->currentFile(), file);

    QMimeData text;
    text.setText(QStringLiteral("More "));
    drop(text);
    EXPECT_EQ(w.documentEdit->toPlainText(), QStringLiteral("More Dropped words."));
    EXPECT_EQ(w.documents()->currentFile(), file);
    EXPECT_TRUE(boxes.requests().isEmpty());

    // The dropped text is a change: a folder dropped next asks about it, then is refused
    // with a message naming it, and nothing changes.
    QMimeData folder;
    folder.setUrls({QUrl::fromLocalFile(m_dir.path())});
    boxes.queueAnswer(MessageBoxService::ResultDiscard);
    drop(folder);
    ASSERT_EQ(boxes.requests().size(), 2);
    EXPECT_EQ(boxes.requests()[0].text, QStringLiteral("Save changes to dropped ünï.txt?"));
    EXPECT_EQ(boxes.requests()[1].text, DocumentCommands::CannotOpenText.arg(m_dir.path()));
    EXPECT_EQ(w.documentEdit->toPlainText(), QStringLiteral("More Dropped words."));
    EXPECT_EQ(w.documents()->currentFile(), file);
}

// A document that says it is written in a language the voice in use does not speak offers a
// voice that does; answered yes, the list and the voice in use change as by the user's choice.
TEST_F(MainWindowShellTest, DocumentsInAnotherLanguageOfferAVoiceOfTheirs)
{
    MainWindow &w = load();
    MessageBoxRecorder boxes(MessageBoxService::ResultNo);
    const auto write = [&](const QString &name, const QByteArray &content) {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    };
    const QString english =
        write("english.html", "<html lang=\"en-GB\"><p>Good morning.</p></html>");
    const QString german = write("german.html", "<html lang=\"de-AT\"><p>Guten Morgen.</p></html>");
    const QString plain = write("plain.txt", "No language named.");
    const QString before = w.currentVoice();

    ASSERT_TRUE(w.documents()->openGivenFile(english));
    ASSERT_TRUE(w.documents()->openGivenFile(plain));
    EXPECT_TRUE(boxes.requests().isEmpty());

    ASSERT_TRUE(w.documents()->openGivenFile(german));
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests()[0].text,
              DocumentLanguageOffer::QuestionText.arg("German", before, "German"));
    EXPECT_EQ(boxes.requests()[0].buttons, MessageBoxService::YesNo);
    EXPECT_EQ(w.currentVoice(), before);

    boxes.queueAnswer(MessageBoxService::ResultYes);
    ASSERT_TRUE(w.documents()->openGivenFile(german));
    EXPECT_EQ(w.currentVoice(), QStringLiteral("German"));
    EXPECT_EQ(w.voiceList->currentText(), QStringLiteral("German"));
    // The German voice speaks German: nothing more to ask.
    ASSERT_TRUE(w.documents()->openGivenFile(german));
    EXPECT_EQ(boxes.requests().size(), 2);
}

TEST_F(MainWindowShellTest, ExitAsksWithNoAsTheDefaultAndEndsOnlyOnYes)
{
    MainWindow &w = load();
    {
        // The real box: Enter would press No.
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                defaultButton = box->standardButton(box->defaultButton());
                box->done(QMessageBox::No);
            }
        });
        w.exitAction->trigger();
        EXPECT_EQ(defaultButton, QMessageBox::No);
        EXPECT_EQ(m_ended, 0);
        EXPECT_TRUE(w.isVisible());
    }

    MessageBoxRecorder boxes(MessageBoxService::ResultYes);
    w.readClipboardAction->trigger();
    w.exitAction->trigger();
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests()[0].title, QStringLiteral("Exit Program?"));
    EXPECT_EQ(boxes.requests()[0].effectiveDefault(), MessageBoxService::ResultNo);
    EXPECT_EQ(m_ended, 1);
    EXPECT_EQ(setting("Options", "ProperShutdown"), QStringLiteral("True"));
    EXPECT_EQ(setting("Options", "Clipboard"), QStringLiteral("False"));
}

TEST_F(MainWindowShellTest, MinimizingGoesToTheTrayAndAProgramCloseUnloads)
{
    MainWindow &w = load();
    w.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 5000));
    EXPECT_TRUE(shell().trayIcon().trayIconShown());
    EXPECT_TRUE(shell().trayIcon().isVisible());

    // Brought back from the tray, the window is normal again and the icon goes.
    shell().showMainWindow();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMinimized());
    EXPECT_FALSE(shell().trayIcon().trayIconShown());

    // Without a notification area a minimized window stays on the task bar.
    m_tray = false;
    w.showMinimized();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isVisible());

    // A close by the program is not the user's close box: the window unloads.
    m_tray = true;
    w.showNormal();
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(shell().life().unloaded());
    EXPECT_EQ(setting("Options", "ProperShutdown"), QStringLiteral("True"));
}

TEST_F(MainWindowShellTest, WindowKeysRunNewOpenSaveFindAndPrint)
{
    MainWindow &w = load();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QList<FileDialogService::Mode> asked;
    FileDialogService::setHandler([&](const FileDialogService::Request &request) {
        asked << request.mode;
        return QString();
    });
    QSignalSpy find(&w, &MainWindow::findRequested);
    w.documentEdit->setFocus();
    w.documentEdit->setPlainText(QStringLiteral("old text"));
    const auto press = [&](Qt::Key key) {
        QTest::keyClick(w.documentEdit, key, Qt::ControlModifier);
    };

    press(Qt::Key_N);
    EXPECT_TRUE(w.documentEdit->toPlainText().isEmpty());
    press(Qt::Key_O);
    press(Qt::Key_S);
    EXPECT_EQ(asked,
              (QList<FileDialogService::Mode>{FileDialogService::Open, FileDialogService::Save}));
    press(Qt::Key_F);
    EXPECT_EQ(find.size(), 1);
    press(Qt::Key_P);
    ASSERT_TRUE(shell().printChoice());
    EXPECT_TRUE(shell().printChoice()->isVisible());
    shell().printChoice()->cancel();
    FileDialogService::setHandler(nullptr);
}
