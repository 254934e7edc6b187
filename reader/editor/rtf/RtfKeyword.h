#pragma once

#include <QByteArrayView>

// The control words the reader acts on. Everything else is ignored (or, as a destination
// marked with \*, skipped with its group).
class RtfKeyword
{
public:
    enum Id {
        Unknown,
        // header
        Rtf,
        Ansi,
        Mac,
        Pc,
        Pca,
        AnsiCodePage,
        DefaultFont,
        DefaultLanguage,
        UnicodeSkip,
        Unicode,
        // destinations we read
        FontTable,
        ColorTable,
        ListTable,
        List,
        ListLevel,
        ListId,
        LevelNfc,
        LevelNfcN,
        ListOverrideTable,
        ListOverride,
        Picture,
        ShapePicture,
        Pn,
        Field,
        FieldResult,
        Info,
        InfoTitle,
        InfoAuthor,
        // destinations skipped with their content
        SkippedDestination,
        // font table
        Font,
        FontCharset,
        FontCodePage,
        FontRoman, // a font's generic kind, in this order
        FontSwiss,
        FontModern,
        FontScript,
        FontDecor,
        FontTech,
        FontBidi,
        FontNil,
        // colour table
        Red,
        Green,
        Blue,
        // character formatting
        Plain,
        Bold,
        Italic,
        Underline,
        UnderlineNone,
        UnderlineWave,
        Strike,
        StrikeDouble,
        FontSize,
        Foreground,
        Background,
        Highlight,
        Shading,
        Up,
        Down,
        Super,
        Sub,
        NoSuperSub,
        Caps,
        SmallCaps,
        Hidden,
        // paragraph formatting
        Pard,
        AlignLeft,
        AlignRight,
        AlignCenter,
        AlignJustify,
        LeftIndent,
        RightIndent,
        FirstIndent,
        SpaceBefore,
        SpaceAfter,
        ListOverrideIndex,
        ListLevelIndex,
        // legacy paragraph numbering
        PnBullet,
        PnBody,
        PnLevel,
        PnDecimal,
        PnUpperRoman,
        PnLowerRoman,
        PnUpperLetter,
        PnLowerLetter,
        // pictures
        PngBlip,
        JpegBlip,
        OtherBlip,
        PicWidth,
        PicHeight,
        PicWidthGoal,
        PicHeightGoal,
        PicScaleX,
        PicScaleY,
        // breaks and special characters
        Par,
        Line,
        Tab,
        Cell,
        Row,
        Sect,
        Page,
        EmDash,
        EnDash,
        Bullet,
        LeftQuote,
        RightQuote,
        LeftDoubleQuote,
        RightDoubleQuote,
        EmSpace,
        EnSpace,
        QuarterEmSpace,
        ZeroWidthJoiner,
        ZeroWidthNonJoiner,
        LtrMark,
        RtlMark,
    };

    static Id lookup(QByteArrayView word);

    // The character a symbol word stands for (\emdash, \tab, \line, ...); 0 for others.
    static char16_t character(Id id);
};
