#include "ConversionLauncher.h"

#include "ConversionWarningDialog.h"
#include "IgnoreErrors.h"
#include "MessageBoxService.h"
#include "PrivateFolder.h"
#include "RegistryAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTime>
#include <exception>

namespace ConversionLauncher {

void askAndConvert(const ConversionRequest &request, QWidget *parent)
{
    if (request.disableConvertWarn != QLatin1String("True")) {
        ConversionWarningDialog warning(request.storeDisableConvertWarn, parent);
        if (warning.exec() != QDialog::Accepted)
            return;
        ignoreErrors([&request] { startConverter(request); });
        return;
    }
    startConverter(request);
}

bool startConverter(const ConversionRequest &request)
{
    QString error;
    const QString textFile = writeTemporaryTextFile(
        documentOnOneLine(request.documentText) + QStringLiteral("\r\n"),
        request.temporaryFolder.isEmpty() ? temporaryFolder() : request.temporaryFolder, &error);
    if (textFile.contains(QLatin1Char('*'))) {
        QFile::remove(textFile);
        error = QStringLiteral("The temporary file's path holds a \"*\", which the "
                               "converter's command line cannot carry.");
    }
    if (textFile.isEmpty() || !error.isEmpty()) {
        MessageBoxService::show(
            QStringLiteral("The document could not be written to a temporary file, so it "
                           "cannot be converted.\n%1")
                .arg(error),
            MessageBoxService::Ok, MessageBoxService::Critical, QStringLiteral("Convert To Wave"));
        return false;
    }

    // The book's title, author and chapters go beside the text, where the converter looks for
    // them; without them it still converts the text, as one file.
    outlineOnOneLine(request.book, request.documentText)
        .write(BookOutline::pathBeside(QDir::fromNativeSeparators(textFile)), nullptr);

    const QString folder = request.readerFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                          : request.readerFolder;
    QString command =
        converterCommandLine(converterProgram(folder), parameterString(request, textFile));
    if (!request.openCommand)
        return false;
    // Whether the converter started is not reported: it says itself what is wrong.
    try {
        request.openCommand(command, 1, QDir::toNativeSeparators(folder));
    } catch (const std::exception &) {
    }
    return true;
}

QString documentOnOneLine(const QString &text)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // The editor's own line and paragraph separators are line breaks too.
    line.replace(QChar::LineSeparator, QLatin1Char(' '));
    line.replace(QChar::ParagraphSeparator, QLatin1Char(' '));
    return line;
}

BookOutline outlineOnOneLine(const BookOutline &book, const QString &text)
{
    // A carriage return and line feed become one space: every position after one moves back.
    BookOutline moved = book;
    qsizetype at = 0;
    int pairs = 0;
    const auto move = [&](int position) {
        for (; at + 1 < qMin(qsizetype(position), text.size()); ++at)
            if (text[at] == u'\r' && text[at + 1] == u'\n')
                ++pairs;
        return position - pairs;
    };
    for (DocumentChapters::Chapter &chapter : moved.chapters) {
        chapter.start = move(chapter.start);
        chapter.end = move(chapter.end);
    }
    return moved;
}

QString temporaryFolder()
{
    // The converter's command line has no quoting: a "*" in the text file's path would
    // split it into more fields. A private folder comes first (the file holds the user's
    // text), then the temporary-files folder, then a private folder under /tmp.
    const QChar separator = QLatin1Char('*');
    QString folder = PrivateFolder::runtimeFolder();
    if (folder.isEmpty() || folder.contains(separator)) {
        const QString temp = RegistryAccess::temporaryFolder();
        if (!temp.isEmpty() && !temp.contains(separator))
            return temp;
        folder = PrivateFolder::runtimeFolderWithout(separator);
    }
    if (folder.isEmpty())
        return {};
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return QDir::toNativeSeparators(folder);
}

QString writeTemporaryTextFile(const QString &text, const QString &folder, QString *error)
{
    // A fixed name from the clock would let a second request in the same second overwrite
    // the first one's file, and would follow a link planted under that name. The temporary
    // file is created new (never opened if something is there), readable by its owner only.
    const int seconds = QTime::currentTime().msecsSinceStartOfDay() / 1000;
    const QString name = QStringLiteral("temp%1-XXXXXX.txt").arg(seconds);
    QTemporaryFile file(folder.isEmpty() ? name : QDir(folder).filePath(name));
    file.setAutoRemove(false);
    if (!file.open()) {
        if (error)
            *error = file.errorString();
        return {};
    }
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        file.remove();
        return {};
    }
    file.close();
    return QDir::toNativeSeparators(QFileInfo(file.fileName()).absoluteFilePath());
}

QString parameterString(const ConversionRequest &request, const QString &textFile)
{
    const QString voice = request.engineIndex > 0
                              ? request.engineDir + QLatin1Char('*') + request.voiceDir
                              : request.voiceName;
    return QStringLiteral("%1*%2*%3*%4")
        .arg(voice, textFile, QString::number(request.speed), QString::number(request.volume));
}

QString converterProgram(const QString &readerFolder)
{
    // Found with the system's executable ending where it has one.
    const QString name = QStringLiteral("wavewright");
    const QString found = QStandardPaths::findExecutable(name, {readerFolder});
    return QDir::toNativeSeparators(found.isEmpty() ? QDir(readerFolder).filePath(name) : found);
}

QString converterCommandLine(const QString &program, const QString &parameters)
{
    return QLatin1Char('"') + program + QStringLiteral("\" ") + parameters;
}

} // namespace ConversionLauncher
