#pragma once

#include "StructuredText.h"

#include <QHash>
#include <QPair>
#include <QSet>
#include <QString>
#include <QTextListFormat>

class ZipArchive;

// The list definitions of a DOCX file (word/numbering.xml) and the counting of its lists.
// Numbering instances share the count of their abstract numbering, level by level, as word
// processors show them; an instance that overrides a level's start begins a new count there
// when it is first used.
class DocxNumbering
{
public:
    // Reads the list definitions, when the file has any; false with the reason in `error`
    // when they cannot be read.
    bool read(ZipArchive &zip, QString *error);
    // Makes `paragraph` an item at `level` of numbering instance `numId`, counted on from
    // the items before it.
    void number(ImportedParagraph &paragraph, const QString &numId, int level);

private:
    QHash<QString, QString> m_numToAbstract;
    QHash<QString, QHash<int, QTextListFormat::Style>> m_abstractLevels;
    QSet<QPair<QString, int>> m_restartingLevels;      // numId, level
    QSet<QPair<QString, int>> m_usedLevels;            // numId, level
    QHash<QPair<QString, int>, int> m_countGeneration; // abstractNumId, level
};
