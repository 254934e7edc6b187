#pragma once

#include "RtfDocumentBuilder.h"
#include "RtfGroupState.h"
#include "RtfListTable.h"
#include "RtfTextDecoder.h"
#include "RtfTokenizer.h"

#include <QByteArrayView>
#include <QColor>
#include <QHash>
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

    int paragraphCount() const;

private:
    struct Font
    {
        QString name;
        int codePage = 0; // 0: the document's code page
    };

    RtfGroupState &state() { return m_stack.back(); }
    const RtfGroupState &state() const { return m_stack.back(); }

    void groupOpen();
    void groupClose();
    void controlWord(const RtfTokenizer::Token &token);
    void controlSymbol(char symbol);
    void text(QByteArrayView bytes);
    void binary(QByteArrayView bytes);

    bool startDestination(int id);
    void characterWord(int id, bool hasParameter, int parameter);
    void paragraphWord(int id, bool hasParameter, int parameter);
    void tableWord(int id, int parameter);
    void pictureWord(int id, int parameter);

    bool collectsText() const;
    void appendBytes(QByteArrayView bytes);
    void appendUnit(char16_t unit);
    void decodePending();
    void flushText();
    int currentCodePage() const;

    void endParagraph();
    void finishFontEntry();
    void finishColor();
    void finishPicture();
    void finishDocument(const RtfGroupState &last);

    QTextCharFormat charFormat(const RtfGroupState::Character &character);
    QTextBlockFormat blockFormat(const RtfGroupState::Paragraph &paragraph) const;
    RtfDocumentBuilder::ListSpec listSpec(const RtfGroupState::Paragraph &paragraph) const;

    std::vector<RtfGroupState> m_stack;
    int m_overflowDepth = 0;
    bool m_done = false;

    int m_documentCodePage = 1252;
    int m_defaultFont = 0;
    QHash<int, Font> m_fonts;
    int m_fontEntry = -1;
    int m_fontEntryCodePage = 0;
    QList<QColor> m_colors; // invalid: the automatic colour
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;
    RtfListTable m_lists;

    QTextListFormat::Style m_pnStyle = QTextListFormat::ListStyleUndefined;
    bool m_pnBullet = false;
    int m_pnLevel = 0;

    enum class PictureType { None, Png, Jpeg, Other };
    PictureType m_pictureType = PictureType::None;
    QByteArray m_pictureHex;
    QByteArray m_pictureBinary;
    int m_pictureWidth = 0, m_pictureHeight = 0;
    int m_pictureGoalWidth = 0, m_pictureGoalHeight = 0;
    int m_pictureScaleX = 100, m_pictureScaleY = 100;

    QByteArray m_bytes;
    int m_bytesCodePage = 0;
    QString m_text;
    int m_skipCharacters = 0;
    bool m_cellPending = false;

    RtfTextDecoder m_decoder;
    std::unique_ptr<RtfDocumentBuilder> m_builder;
    RtfGroupState::Character m_cachedCharacter;
    QTextCharFormat m_cachedFormat;
    bool m_cacheValid = false;
};
