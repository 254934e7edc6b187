#pragma once

#include "ConversionRequest.h"

#include <QString>

class QWidget;

// The conversion request: the reader writes the document to a temporary text file and
// starts the converter on it with a command line naming the voice, the file, the speed and
// the volume. The reader does not wait for the converter.
namespace ConversionLauncher {

// The menu command: asks first (ConversionWarningDialog) unless the user switched the question
// off, and starts the converter when the answer is Yes.
void askAndConvert(const ConversionRequest &request, QWidget *parent = nullptr);

// Writes the temporary text file and starts the converter. Returns whether the converter
// was asked to start; a file that cannot be written is reported in a message box.
bool startConverter(const ConversionRequest &request);

// The document on one line: every line break becomes one space.
QString documentOnOneLine(const QString &text);

// The outline with its chapters' positions moved to the text on one line (documentOnOneLine).
BookOutline outlineOnOneLine(const BookOutline &book, const QString &text);

// The per-user folder for the temporary text file, with a trailing separator.
QString temporaryFolder();

// Creates a new file in `folder`, owner-only, named "temp" + the seconds since midnight +
// a unique part + ".txt", and writes `text` to it as UTF-8. Returns its absolute path, or
// empty with the reason in `error`.
QString writeTemporaryTextFile(const QString &text, const QString &folder, QString *error);

// The converter's parameter string: the voice (a voice name, or the engine and voice
// folders), the text file, the speed and the volume, joined by "*".
QString parameterString(const ConversionRequest &request, const QString &textFile);

// The converter program in `readerFolder`.
QString converterProgram(const QString &readerFolder);

// The quoted program followed by the parameter string. The quotes keep a folder with a
// space in it from being taken for the end of the program's name.
QString converterCommandLine(const QString &program, const QString &parameters);

} // namespace ConversionLauncher
