#include "ConversionRequest.h"

#include "DocumentChapters.h"
#include "VoiceCatalogue.h"

#include <QFileInfo>
#include <QTextDocument>

ConversionRequest ConversionRequest::forDocument(const QTextDocument &document,
                                                 const QString &fileName, qint16 engineIndex,
                                                 const std::function<QString()> &standardVoice)
{
    ConversionRequest request;
    request.book = BookOutline::of(document, QFileInfo(fileName).completeBaseName());
    // The text the reader speaks, so the file sounds like the document read in the window.
    request.documentText = DocumentChapters::spokenText(document, &request.book.chapters);
    request.engineIndex = engineIndex;
    if (engineIndex > 0 && engineIndex < VoiceCatalogue::cereVoices.size()) {
        request.engineDir = VoiceCatalogue::cereVoices.at(engineIndex).engineDir;
        request.voiceDir = VoiceCatalogue::cereVoices.at(engineIndex).voiceDir;
    } else {
        request.engineIndex = 0;
        request.voiceName = standardVoice();
    }
    return request;
}
