#pragma once

#include "RtfDocumentBuilder.h"
#include "RtfFormatting.h"
#include "RtfGroupState.h"
#include "RtfPicture.h"
#include "RtfPictureBudget.h"
#include "RtfTextDecoder.h"
#include "RtfTokenizer.h"

#include "../formats/DocumentMetadata.h"

#include <QByteArrayView>
#include <QTextCursor>
#include <memory>
#include <vector>

// Reads RTF into a QTextDocument: text in the document's code pages and Unicode, character
// and paragraph formatting, lists, PNG and JPEG pictures; tables become tab-separated
// lines. Damaged data is read as far as it makes sense: the reader never fails and never
// loops, groups nested deeper than MaxDepth keep their parent's formatting, and whatever
// follows the end of the outermost group is ignored.
class RtfReader
{
public:
    static constexpr int MaxDepth = 256;

    RtfReader();
    ~RtfReader();

    // True when the data starts with an RTF header (after an optional UTF-8 byte-order mark
    // and white space).
    static bool isRtf(QByteArrayView data);

    // Inserts the document at the cursor. Call once per reader.
    void read(QByteArrayView data, const QTextCursor &cursor);
    // The title and author of the document information, and the default language.
    const DocumentMetadata &metadata() const { return m_metadata; }
    // The document whose picture account (RtfPictureBudget) pays for the pictures read:
    // by default the one read into; a paste names the document it goes to.
    void setPictureOwner(QTextDocument *document) { m_pictureOwner = document; }

private:
    RtfGroupState &state() { return m_stack.back(); }
    const RtfGroupState &state() const { return m_stack.back(); }

    void groupOpen();
    void groupClose();
    void controlWord(const RtfTokenizer::Token &token);
    void controlSymbol(char symbol);
    void text(QByteArrayView bytes);
    void binary(QByteArrayView bytes);

    bool headerWord(int id, bool hasParameter, int parameter);
    bool startDestination(int id);
    void tableWord(int id, int parameter);
    void breakWord(int id);
    void pnWord(int id, int parameter);

    bool collectsText() const;
    void appendBytes(QByteArrayView bytes);
    void appendUnit(char16_t unit);
    void beforeContent();
    void decodePending();
    void flushText();
    int currentCodePage() const;

    void endParagraph();
    void commitParagraph();
    void finishFontEntry();
    void finishColor();
    void finishPicture();
    void finishInfoText(RtfGroupState::Destination closing);
    void finishStyleEntry();
    void finishDocument(const RtfGroupState &last);

    std::vector<RtfGroupState> m_stack;
    int m_overflowDepth = 0;
    bool m_done = false;

    int m_documentCodePage = 1252;
    RtfFormatting m_formatting;
    RtfTextDecoder m_decoder;
    std::unique_ptr<RtfDocumentBuilder> m_builder;
    QTextDocument *m_pictureOwner = nullptr;

    // The font table entry being read.
    int m_fontEntry = -1;
    int m_fontEntryCodePage = 0;
    QString m_fontEntryKind;
    // The colour table entry being read.
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;
    // The legacy paragraph numbering group (\pn) being read.
    bool m_pnBullet = false;
    int m_pnLevel = 0;
    QTextListFormat::Style m_pnStyle = QTextListFormat::ListDecimal;
    RtfPicture m_picture;
    DocumentMetadata m_metadata;
    QString m_firstLanguage; // of the first \lang, when there is no \deflang
    // The style sheet entry being read.
    int m_styleNumber = 0;
    int m_styleOutline = 0;

    // Text not yet handed on: bytes still in their code page, and decoded text.
    QByteArray m_bytes;
    int m_bytesCodePage = 0;
    QString m_text;
    int m_skipCharacters = 0; // stand-ins still to drop after \u

    // A paragraph mark is acted on when content follows it, so that the mark closing the
    // last paragraph of a table cell can become a cell separator instead.
    bool m_cellPending = false;
    bool m_paragraphPending = false;
    QTextBlockFormat m_pendingBlock;
    QTextCharFormat m_pendingMark;
    RtfDocumentBuilder::ListShape m_pendingList;
};
