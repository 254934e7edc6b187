#include "ReadAlongBook.h"

#include "DocumentXhtml.h"
#include "ReadAlongCues.h"

#include "SpeechError.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTextDocument>

namespace {

QString clip(const QString &audio, const SpeechTimeline &timeline, qint64 begin, qint64 end)
{
    return QStringLiteral("<audio src=\"%1\" clipBegin=\"%2\" clipEnd=\"%3\"/>")
        .arg(audio, EpubWriter::clock(timeline.seconds(begin)),
             EpubWriter::clock(timeline.seconds(end)));
}

} // namespace

QString ReadAlongBook::defaultLanguage()
{
    const QString language = QLocale().bcp47Name();
    return language.isEmpty() || language == QLatin1String("C") ? QStringLiteral("en") : language;
}

void ReadAlongBook::write(const QString &path, const QList<Chapter> &chapters,
                          const EpubWriter::Metadata &metadata, const Synthesis &synthesis)
{
    const QString plain = m_document.toPlainText();
    const QString extension = AudioFileWriter::extension(m_options.audio);
    // The chapters' audio waits beside the book, on the disk it goes to, until it is packed.
    const QFileInfo target(path);
    QTemporaryDir parts(target.absoluteDir().filePath(QLatin1Char('.') + target.fileName() +
                                                      QStringLiteral("-XXXXXX")));
    if (!parts.isValid())
        throw SpeechError(SpeechErrors::FileAccess,
                          QStringLiteral("Cannot write \"%1\": %2").arg(path, parts.errorString()));

    DocumentXhtml xhtml(m_document);
    EpubWriter book(extension);
    for (int number = 1; number <= chapters.size(); ++number) {
        const Chapter &chapter = chapters.at(number - 1);
        const qsizetype start = qBound<qsizetype>(0, chapter.start, plain.size());
        const QString text = plain.mid(start, qMax<qsizetype>(0, chapter.end - start));
        EpubWriter::Page page;
        page.title = chapter.title;

        SpeechTimeline timeline;
        QList<ReadAlongCue> cues;
        if (!ReadAlongCues::sentences(text).isEmpty()) {
            page.audioFile = parts.filePath(EpubWriter::audioHref(number, extension));
            AudioTags tags;
            tags.title = chapter.title;
            tags.album = metadata.title;
            tags.artist = metadata.author.isEmpty() ? metadata.narrator : metadata.author;
            tags.track = number;
            tags.trackCount = int(chapters.size());
            AudioFileWriter writer(
                page.audioFile, m_options.audio,
                AudioFileWriter::fileRateFor(m_options.audio, m_options.chunkRate),
                m_options.chunkRate, tags);
            synthesis(start, start + text.size(), writer, timeline);
            writer.finish();
            m_bySentence = m_bySentence || timeline.bySentence;
            cues = ReadAlongCues::build(text, timeline, 0);
            page.seconds = timeline.seconds(timeline.samples);
        }

        // Ids for the sentences and words the overlay names, and the overlay itself.
        const QString pageHref = EpubWriter::pageHref(number);
        const QString audio = EpubWriter::audioHref(number, extension);
        QList<DocumentXhtml::Span> spans;
        for (qsizetype k = 0; k < cues.size(); ++k) {
            const ReadAlongCue &cue = cues.at(k);
            DocumentXhtml::Span sentence{
                start + cue.position, cue.length, QStringLiteral("s%1").arg(k + 1), {}};
            QString words;
            for (qsizetype j = 0; m_options.words && j < cue.words.size(); ++j) {
                const ReadAlongCue::Word &word = cue.words.at(j);
                qint64 end = cue.end;
                for (qsizetype n = j + 1; n < cue.words.size() && end == cue.end; ++n)
                    if (cue.words.at(n).sample >= 0)
                        end = cue.words.at(n).sample;
                if (word.sample < 0 || end <= word.sample)
                    continue;
                const QString id = QStringLiteral("w%1-%2").arg(k + 1).arg(j + 1);
                sentence.words.append({start + word.position, word.length, id, {}});
                words += QStringLiteral("<par><text src=\"%1#%2\"/>%3</par>\n")
                             .arg(pageHref, id, clip(audio, timeline, word.sample, end));
            }
            if (words.isEmpty() && cue.end > cue.start)
                page.overlay +=
                    QStringLiteral("<par><text src=\"%1#%2\"/>%3</par>\n")
                        .arg(pageHref, sentence.id, clip(audio, timeline, cue.start, cue.end));
            else if (!words.isEmpty())
                page.overlay += QStringLiteral("<seq epub:textref=\"%1#%2\">\n%3</seq>\n")
                                    .arg(pageHref, sentence.id, words);
            spans.append(sentence);
        }
        page.body = xhtml.body(start, start + text.size(), spans);
        book.addPage(page);
    }
    for (const DocumentXhtml::Picture &picture : xhtml.pictures())
        book.addPicture(picture.href, picture.png);
    book.write(path, metadata);
}
