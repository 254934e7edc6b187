#include "DocumentFonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

namespace {
// The installed family the system shows for a font: asks the system, which costs what a
// layout of the font would.
QString systemMatch(const QString &family, QFont::StyleHint hint)
{
    QFont font(family);
    font.setStyleHint(hint);
    return QFontInfo(font).family();
}

QString familyOf(const QTextCharFormat &format)
{
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return families.first();
    return format.stringProperty(QTextFormat::FontFamily);
}
} // namespace

void DocumentFonts::setFamily(QTextCharFormat &format, const QString &family, const QString &kind)
{
    if (family.isEmpty())
        return;
    const QString shown = shownFamily(family, kind);
    format.setFontFamilies({shown});
    // The document finds an existing format by its hash, and the family list hashes the
    // same for every font: with only the list, each new font is compared with all the
    // formats before it. The single family hashes by its name.
    format.setProperty(QTextFormat::FontFamily, shown);
    // All three, even when they say nothing new: a style's format merged under this one
    // must not leave its own behind.
    format.setProperty(DocumentFamily, family);
    format.setProperty(ShownFamily, shown);
    format.setProperty(FamilyKind, kind);
}

void DocumentFonts::setChosenFamily(QTextCharFormat &format, const QString &family)
{
    format.setFontFamilies({family});
    format.setProperty(QTextFormat::FontFamily, family);
    format.setProperty(DocumentFamily, family);
    format.setProperty(ShownFamily, family);
    format.setProperty(FamilyKind, QString());
}

DocumentFonts::Named DocumentFonts::named(const QTextCharFormat &format)
{
    const QString current = familyOf(format);
    // A family chosen in the editor since the document was read replaces only the shown
    // one: the kept name then no longer applies.
    if (current.isEmpty() || format.stringProperty(ShownFamily) != current)
        return {current, {}};
    const QString documentFamily = format.stringProperty(DocumentFamily);
    return {documentFamily.isEmpty() ? current : documentFamily, format.stringProperty(FamilyKind)};
}

QString DocumentFonts::shownFamily(const QString &family, const QString &kind)
{
    const auto known = m_shown.constFind(family);
    if (known != m_shown.constEnd())
        return *known;
    QString shown;
    if (isInstalled(family)) {
        shown = family;
    } else if (m_systemMatches < SystemMatchBudget) {
        ++m_systemMatches;
        // The family alone: the system knows which installed fonts stand for a missing one
        // (metric-compatible ones first), while the kind in a file is often wrong - one
        // word processor marks its own sans-serif fonts as roman.
        shown = systemMatch(family, QFont::AnyStyle);
    }
    if (shown.isEmpty())
        shown = standIn(kind);
    m_shown.insert(family, shown);
    return shown;
}

bool DocumentFonts::isInstalled(const QString &family)
{
    if (!m_haveInstalled) {
        m_haveInstalled = true;
        for (const QString &installed : QFontDatabase::families()) {
            m_installed.insert(installed.toCaseFolded());
            // "Family [foundry]" is also found by the family alone.
            const qsizetype foundry = installed.indexOf(QLatin1String(" ["));
            if (foundry > 0)
                m_installed.insert(installed.left(foundry).toCaseFolded());
        }
    }
    return m_installed.contains(family.toCaseFolded());
}

QString DocumentFonts::standIn(const QString &kind)
{
    // Three stand-ins are enough to keep a document's look: serif text stays serif, code
    // stays in a fixed pitch, and everything else reads in the system's sans-serif.
    const QString generic = kind == u"roman"    ? QStringLiteral("serif")
                            : kind == u"modern" ? QStringLiteral("monospace")
                                                : QStringLiteral("sans-serif");
    const auto known = m_standIns.constFind(generic);
    if (known != m_standIns.constEnd())
        return *known;
    const QFont::StyleHint hint = kind == u"roman"    ? QFont::Serif
                                  : kind == u"modern" ? QFont::TypeWriter
                                                      : QFont::SansSerif;
    QString family = systemMatch(generic, hint);
    if (family.isEmpty())
        family = generic;
    m_standIns.insert(generic, family);
    return family;
}
