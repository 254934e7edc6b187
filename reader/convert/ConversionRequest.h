#pragma once

#include "BookOutline.h"

#include <QString>
#include <QtGlobal>
#include <functional>

class QTextDocument;

// What a conversion needs from the reader at the moment of the request. The main window
// fills it from its own state (document, voice, sliders, settings); nothing of it is kept
// once the converter has been started.
struct ConversionRequest
{
    // The reader's openCommand: starts the converter with its command line.
    using CommandOpenerCall =
        std::function<int(QString &command, int showStyle, const QString &workDir)>;
    using StoreSetting = std::function<void(const QString &value)>;

    QString documentText;   // the document's whole plain text
    BookOutline book;       // its title, author and chapters (positions in documentText)
    qint16 engineIndex = 0; // 0: a standard voice; i > 0: CereVoice voice i
    QString voiceName;      // the current voice, for a standard voice
    QString engineDir;      // engineDir of cereVoices entry engineIndex
    QString voiceDir;       // voiceDir of that entry
    int speed = 0;          // the speed slider, -10..10
    int volume = 0;         // the volume slider, 0..100

    // The stored "DisableConvertWarn" of section "Options" (empty when missing), and how
    // to store a new value for it.
    QString disableConvertWarn;
    StoreSetting storeDisableConvertWarn;

    CommandOpenerCall openCommand;
    // The folder that holds the converter; empty means the reader's own folder.
    QString readerFolder;
    // Where the temporary text file goes; empty means the per-user temporary folder.
    QString temporaryFolder;

    // The document's part of a request: its spoken text and outline (titled by `fileName`
    // without its folder and extension) and the voice: catalogue voice `engineIndex` when
    // there is one, else the standard voice that `standardVoice` names (asked only then).
    static ConversionRequest forDocument(const QTextDocument &document, const QString &fileName,
                                         qint16 engineIndex,
                                         const std::function<QString()> &standardVoice);
};
