#pragma once

#include <QHash>
#include <QList>
#include <QTextListFormat>

// The list definitions of \listtable and the \ls numbers of \listoverridetable that
// paragraphs refer to. Only the number style of each level is kept: the indentation and
// the label text are Qt's.
class RtfListTable
{
public:
    void beginList();
    void setListId(int id);
    void beginLevel();
    void setLevelNumberFormat(int nfc);

    void beginOverride();
    void setOverrideListId(int id);
    void setOverrideIndex(int ls);

    // The style of level `level` of the list that \ls`ls` names; ListStyleUndefined when
    // the number is not defined.
    QTextListFormat::Style style(int ls, int level) const;

    // The Qt style for an RTF number format (\levelnfc).
    static QTextListFormat::Style styleForNumberFormat(int nfc, int level);

private:
    struct Definition
    {
        int id = 0;
        QList<int> formats; // \levelnfc per level
    };

    QList<Definition> m_lists;
    QHash<int, qsizetype> m_listIndex; // \listid -> position in m_lists
    QHash<int, int> m_overrides;       // \ls -> \listid
    int m_overrideListId = 0;
    int m_overrideIndex = 0;
};
