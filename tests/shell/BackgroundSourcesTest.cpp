#include "BackgroundReader.h"
#include "platform/linux/AtspiForegroundWindow.h"
#include "platform/linux/DesktopClipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <gtest/gtest.h>

// The Linux sources where they need no desktop: the clipboard through Qt, and the reader's
// own windows, which are described from Qt rather than over the accessibility bus.
namespace {
using ChildWindows = QList<ForegroundWindowSource::ChildWindow>;

QStringList texts(const ChildWindows &children)
{
    QStringList result;
    for (const auto &child : children)
        result << child.className + QLatin1Char('|') + child.text;
    return result;
}

bool activate(QWidget &window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }, 5000);
}

TEST(DesktopClipboardTest, ReadsPlainTextAndTellsPasswordManagerSecrets)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    DesktopClipboard source;
    const auto offer = [&](const QByteArray &hint) {
        auto *data = new QMimeData;
        data->setText(QStringLiteral("s3cret pass"));
        data->setData(QStringLiteral("x-kde-passwordManagerHint"), hint);
        clipboard->setMimeData(data);
        return source.read();
    };
    ClipboardSource::Contents contents = offer("secret");
    EXPECT_EQ(contents.text, QStringLiteral("s3cret pass"));
    EXPECT_TRUE(contents.concealed);
    EXPECT_FALSE(offer("public").concealed);

    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    clipboard->setImage(picture);
    EXPECT_TRUE(source.read().text.isEmpty());
}

TEST(OwnForegroundWindowTest, DialogsAreStandardDialogsOtherWindowsKeepTheirClass)
{
    AtspiForegroundWindow source;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Exit Program?"),
                    QStringLiteral("Delete three files?"), QMessageBox::Yes | QMessageBox::No);
    box.setInformativeText(QStringLiteral("They cannot be restored."));
    ASSERT_TRUE(activate(box));
    EXPECT_EQ(source.foregroundClass(), BackgroundReader::DialogClass);
    EXPECT_EQ(texts(source.childWindows()),
              QStringList({"Static|Delete three files?", "Static|They cannot be restored."}));

    // File dialogs have the standard first label of their kind.
    QFileDialog files(nullptr, QStringLiteral("Save As"));
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    ASSERT_TRUE(activate(files));
    EXPECT_EQ(source.foregroundClass(), BackgroundReader::DialogClass);
    EXPECT_EQ(texts(source.childWindows()), QStringList({"Static|Save &in:"}));
    files.setAcceptMode(QFileDialog::AcceptOpen);
    EXPECT_EQ(texts(source.childWindows()), QStringList({"Static|Look &in:"}));

    QMainWindow window;
    ASSERT_TRUE(activate(window));
    EXPECT_EQ(source.foregroundClass(), QStringLiteral("QMainWindow"));
    // The reader's own forms are dialogs to Qt, but not standard dialog boxes.
    QDialog form;
    ASSERT_TRUE(activate(form));
    EXPECT_EQ(source.foregroundClass(), QStringLiteral("QDialog"));
}
} // namespace
