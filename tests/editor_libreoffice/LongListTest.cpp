// A numbered list of thousands of items opened, saved by us, and passed through LibreOffice
// Writer, opened each time as File > Open does: every item keeps its own number.
#include "DocumentCommands.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextList>
#include <QUrl>
#include <gtest/gtest.h>

namespace {
constexpr int Items = 5000;
// LibreOffice takes minutes over thousands of list items, so its leg has fewer; still past
// any length at which a list might be cut into parts.
constexpr int WriterItems = 1500;

QByteArray numberedList(int items)
{
    QByteArray rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Liberation Serif;}}"
        "{\\*\\listtable{\\list\\listtemplateid7{\\listlevel\\levelnfc0"
        "{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}\\listid7}}"
        "{\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls1}}\r\n";
    for (int i = 1; i <= items; ++i)
        rtf += "\\pard\\ls1\\ilvl0\\fi-360\\li720 entry " + QByteArray::number(i) + "\\par\r\n";
    return rtf + "}";
}

// Empty when every paragraph is item n of one list, numbered n; else the first that is not.
QString misnumbered(const QTextDocument &document, int items = Items)
{
    const QTextList *list = document.begin().textList();
    int number = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty() && !block.next().isValid())
            break; // a closing empty paragraph some writers add
        ++number;
        if (block.text() != QStringLiteral("entry %1").arg(number) || block.textList() != list ||
            !list || list->itemText(block) != QStringLiteral("%1.").arg(number))
            return QStringLiteral("paragraph %1: \"%2\" numbered \"%3\"")
                .arg(number)
                .arg(block.text(), list && block.textList() == list
                                       ? list->itemText(block)
                                       : QStringLiteral("(other list)"));
    }
    return number == items ? QString() : QStringLiteral("%1 paragraphs").arg(number);
}

bool convertToRtf(const QString &path, const QString &dir)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStandardPaths::findExecutable(QStringLiteral("soffice")),
                  {"-env:UserInstallation=" + QUrl::fromLocalFile(dir + "/profile").toString(),
                   "--headless", "--norestore", "--convert-to", "rtf", "--outdir", dir, path});
    const bool finished = process.waitForFinished(300000);
    if (!finished)
        process.kill();
    return finished && process.exitCode() == 0;
}
} // namespace

TEST(LongList, KeepsItsNumberingThroughOpenOurSaveAndLibreOffice)
{
    QTemporaryDir dir;
    const auto write = [&dir](const QString &name, int items) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(numberedList(items));
        return file.fileName();
    };
    const QString path = write(QStringLiteral("list.rtf"), Items);
    QWidget window;
    QTextEdit editor(&window);
    DocumentCommands commands(&editor, &window);

    ASSERT_TRUE(commands.openFile(path));
    EXPECT_EQ(misnumbered(*editor.document()).toStdString(), "") << "opened";
    // Items leaving the list and coming back keep it in order.
    editor.selectAll();
    editor.textCursor().removeSelectedText();
    ASSERT_EQ(editor.document()->blockCount(), 1);
    editor.undo();
    EXPECT_EQ(misnumbered(*editor.document()).toStdString(), "") << "deleted and brought back";

    commands.saveDocument();
    ASSERT_TRUE(commands.openFile(path));
    EXPECT_EQ(misnumbered(*editor.document()).toStdString(), "") << "saved by us and opened again";

    const QString shorter = write(QStringLiteral("shorter.rtf"), WriterItems);
    ASSERT_TRUE(commands.openFile(shorter));
    commands.saveDocument();
    const QString writer = dir.filePath(QStringLiteral("writer"));
    ASSERT_TRUE(convertToRtf(shorter, writer)) << "soffice could not convert our file";
    ASSERT_TRUE(commands.openFile(writer + "/shorter.rtf"));
    EXPECT_EQ(misnumbered(*editor.document(), WriterItems).toStdString(), "")
        << "saved by us, then by LibreOffice, and opened";
}
