#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QTextCharFormat>

// The fonts a document names, as this machine can show them. Laying out text in a family
// the system lacks makes Qt ask the system for a fallback, once per family and at about a
// millisecond each: a document naming tens of thousands of fonts would freeze the window
// for half a minute. So each family is looked up once, while the document is read, against
// the families installed here. A missing family is shown in the family the system picks
// for it (metric twins such as a sans-serif for a well-known face) for the first few, and
// beyond those in a stand-in of its generic kind (serif, sans-serif, monospace). The name
// the document gave is kept on the format, so that saving writes the document's own fonts.
//
// One instance serves one document being read; it may be used on a worker thread.
class DocumentFonts
{
public:
    // What is kept on a format whose family came from a document: the family the document
    // named, the family shown for it, and its generic kind as the document gave it
    // ("roman", "swiss", "modern", "script", "decor", "tech", "nil" or empty).
    // Plain strings each: the document tells its formats apart by a hash that sees a
    // string's value but only the type of a list.
    static constexpr int DocumentFamily = QTextFormat::UserProperty + 0x52;
    static constexpr int ShownFamily = QTextFormat::UserProperty + 0x53;
    static constexpr int FamilyKind = QTextFormat::UserProperty + 0x54;

    // Missing families matched by the system before the stand-ins take over: enough for
    // any real document, few enough to cost a blink.
    static constexpr int SystemMatchBudget = 64;

    // Sets `family` on the format for display, keeping the document's name and kind.
    void setFamily(QTextCharFormat &format, const QString &family, const QString &kind = {});

    // A family the user chose: shown as it is, and what the document names from now on
    // (merged over a format, it replaces what a document had kept there).
    static void setChosenFamily(QTextCharFormat &format, const QString &family);

    struct Named
    {
        QString family; // empty: the format names no family of its own
        QString kind;
    };
    // The family the document names for the format: the kept name while the format still
    // shows the family it was given for it (a font chosen since then wins), else the
    // family shown.
    static Named named(const QTextCharFormat &format);

private:
    QString shownFamily(const QString &family, const QString &kind);
    bool isInstalled(const QString &family);
    QString standIn(const QString &kind);

    bool m_haveInstalled = false;
    QSet<QString> m_installed; // case-folded, with and without the foundry
    QHash<QString, QString> m_shown;
    QHash<QString, QString> m_standIns;
    int m_systemMatches = 0;
};
