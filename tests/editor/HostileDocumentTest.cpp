// Documents made to exhaust the reader: pictures that decode to gigabytes and paragraphs too
// long to lay out.
#include "DocumentFile.h"
#include "LoadNotice.h"
#include "MessageBoxRecorder.h"
#include "ParagraphBreaker.h"
#include "RtfClipboard.h"
#include "rtf/RtfPictureBudget.h"
#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <gtest/gtest.h>

namespace {
// A picture larger than any page, shown very large: it is kept at the largest size.
QByteArray bigPicture()
{
    QImage image(RtfPictureBudget::MaxSide + 52, RtfPictureBudget::MaxSide + 52,
                 QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return "{\\pict\\pngblip\\picwgoal300000\\pichgoal300000 " + png.toHex() + "}";
}

QList<QImage> pictures(const QTextDocument &document)
{
    QList<QImage> found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat())
                found.append(
                    document
                        .resource(QTextDocument::ImageResource, QUrl(format.toImageFormat().name()))
                        .value<QImage>());
        }
    }
    return found;
}
} // namespace

TEST(HostileDocument, PicturesAreKeptWithinAPageAndADocumentTotalForOpenAndPaste)
{
    const qint64 largest =
        RtfPictureBudget::bytesFor({RtfPictureBudget::MaxSide, RtfPictureBudget::MaxSide});
    const int fitting = int(RtfPictureBudget::MaxDocumentBytes / largest);
    const QByteArray picture = bigPicture();
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (int i = 0; i < fitting + 2; ++i)
        rtf += "Picture " + QByteArray::number(i) + " " + picture + "\\par\n";
    rtf += "}";

    MessageBoxRecorder boxes;
    QTextDocument document;
    DocumentFile::loadData(rtf, &document, QTextCharFormat());
    const QList<QImage> shown = pictures(document);
    ASSERT_EQ(shown.size(), fitting + 2);
    int placeholders = 0;
    for (const QImage &image : shown) {
        EXPECT_LE(std::max(image.width(), image.height()), RtfPictureBudget::MaxSide);
        placeholders += image == RtfPictureBudget::placeholder();
    }
    EXPECT_EQ(placeholders, 2);
    LoadNotice::tell(&document);
    LoadNotice::tell(&document);
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests().at(0).text, QString::fromLatin1(LoadNotice::PicturesText));

    // Saving writes every picture as it came, those shown smaller or left out included.
    const QByteArray saved = RtfWriter().write(document);
    EXPECT_EQ(saved.count("\\picw" + QByteArray::number(RtfPictureBudget::MaxSide + 52)),
              fitting + 2);

    // A paste is paid from the same account: nothing is left for its picture.
    QMimeData pasted;
    pasted.setData(RtfClipboard::RtfMimeType, "{\\rtf1\\ansi Pasted " + picture + "}");
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    RtfClipboard::insert(&pasted, cursor);
    EXPECT_EQ(pictures(document).last(), RtfPictureBudget::placeholder());
    EXPECT_EQ(boxes.requests().size(), 2);
}

TEST(HostileDocument, OneHugeParagraphIsDividedAtSentenceEndsWithNothingLost)
{
    const QString sentence = QStringLiteral("The quick brown fox jumps over the lazy dog again. ");
    QString text;
    while (text.size() < 5 * ParagraphBreaker::MaxLength / 2)
        text += sentence;
    text = text.trimmed();

    for (const QByteArray &data : {"{\\rtf1\\ansi " + text.toLatin1() + "}", text.toUtf8()}) {
        MessageBoxRecorder boxes;
        QTextDocument document;
        DocumentFile::loadData(data, &document, QTextCharFormat());
        ASSERT_GE(document.blockCount(), 3);
        QString joined;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            EXPECT_LE(block.length() - 1, ParagraphBreaker::MaxLength);
            if (block.next().isValid()) {
                EXPECT_TRUE(block.text().endsWith(QStringLiteral("again. ")));
            }
            joined += block.text();
        }
        EXPECT_EQ(joined, text);
        LoadNotice::tell(&document);
        ASSERT_EQ(boxes.requests().size(), 1);
        EXPECT_EQ(boxes.requests().at(0).text, QString::fromLatin1(LoadNotice::ParagraphsText));
    }
}
