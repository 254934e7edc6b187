#include "DocumentProbe.h"

#include "DocumentFonts.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <gtest/gtest.h>

QByteArray DocumentProbe::dataFile(const QString &name)
{
    QFile file(QStringLiteral(PARLANCE_TEST_DATA "/rtf/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

std::unique_ptr<QTextDocument> DocumentProbe::read(const QByteArray &rtf)
{
    auto document = std::make_unique<QTextDocument>();
    RtfReader().read(rtf, QTextCursor(document.get()));
    return document;
}

QByteArray DocumentProbe::write(const QTextDocument &document)
{
    return RtfWriter().write(document);
}

QString DocumentProbe::text(const QTextDocument &document)
{
    return paragraphs(document).join(u'\n');
}

QStringList DocumentProbe::paragraphs(const QTextDocument &document)
{
    QStringList texts;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        texts << block.text();
    return texts;
}

QList<DocumentProbe::Run> DocumentProbe::runs(const QTextDocument &document, int index)
{
    QList<Run> result;
    const QTextBlock block = document.findBlockByNumber(index);
    for (auto it = block.begin(); !it.atEnd(); ++it)
        result.append(Run{it.fragment().text(), it.fragment().charFormat()});
    return result;
}

QTextCharFormat DocumentProbe::formatOf(const QTextDocument &document, const QString &text)
{
    const QTextCursor found = document.find(text, 0, QTextDocument::FindCaseSensitively);
    EXPECT_FALSE(found.isNull()) << "missing text: " << text.toStdString();
    if (found.isNull())
        return QTextCharFormat();
    QTextCursor cursor(const_cast<QTextDocument *>(&document));
    cursor.setPosition(found.selectionStart() + 1);
    return cursor.charFormat();
}

QTextBlockFormat DocumentProbe::blockFormatOf(const QTextDocument &document, const QString &text)
{
    return blockOf(document, text).blockFormat();
}

QTextBlock DocumentProbe::blockOf(const QTextDocument &document, const QString &text)
{
    const QTextCursor found = document.find(text, 0, QTextDocument::FindCaseSensitively);
    EXPECT_FALSE(found.isNull()) << "missing text: " << text.toStdString();
    return found.isNull() ? QTextBlock() : found.block();
}

QString DocumentProbe::family(const QTextCharFormat &format)
{
    return DocumentFonts::named(format).family;
}

bool DocumentProbe::isBold(const QTextCharFormat &format)
{
    return format.fontWeight() >= QFont::Bold;
}
