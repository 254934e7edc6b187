#pragma once

#include <QTextListFormat>

// What an RTF group carries: where its text goes and the formatting in force. A group
// starts as a copy of its parent; closing it brings the parent's state back.
struct RtfGroupState
{
    enum Destination {
        Text,
        Skip,
        FontTable,
        ColorTable,
        ListTable,
        List,
        ListLevel,
        ListOverrideTable,
        ListOverride,
        Picture,
        Pn,
        Info, // the document information: only its title and author are read
        InfoTitle,
        InfoAuthor,
        StyleSheet,
        StyleEntry, // one style of the style sheet: its number, outline level and name
    };

    struct Character
    {
        int font = -1;       // index into the font table; -1 is the document default
        int halfPoints = 24; // \fs: RTF's default size is 12 points
        int foreground = 0;  // colour table index; 0 is the automatic colour
        int background = 0;
        int offsetTwips = 0; // \up / \dn, kept in twips
        int script = 0;      // \super 1, \sub -1
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strike = false;
        bool caps = false;
        bool smallCaps = false;
        bool hidden = false;

        bool operator==(const Character &) const = default;
    };

    struct Paragraph
    {
        int alignment = 0;  // 0 left, 1 right, 2 centre, 3 justified
        int leftIndent = 0; // twips
        int rightIndent = 0;
        int firstIndent = 0;
        int spaceBefore = 0;
        int spaceAfter = 0;
        int listOverride = 0;                                                 // \ls; 0 is none
        int listLevel = 0;                                                    // \ilvl
        QTextListFormat::Style pnStyle = QTextListFormat::ListStyleUndefined; // legacy \pn
        int pnLevel = 0;
        int style = 0;        // \s
        int outlineLevel = 0; // \outlinelevel + 1; 0 when not given
    };

    Destination destination = Text;
    bool ignorableNext = false; // \* seen: an unknown destination that follows is skipped
    int unicodeSkip = 1;        // \uc
    Character character;
    Paragraph paragraph;
};
