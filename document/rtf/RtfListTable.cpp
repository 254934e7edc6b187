#include "RtfListTable.h"

#include <algorithm>
#include <cstdlib>

namespace {
// Word allows nine levels; anything past that in a damaged file is not worth keeping.
constexpr int MaxLevels = 9;
constexpr int MaxLists = 10000;
} // namespace

void RtfListTable::beginList()
{
    if (m_lists.size() < MaxLists)
        m_lists.append(Definition{});
}

void RtfListTable::setListId(int id)
{
    if (m_lists.isEmpty())
        return;
    m_lists.last().id = id;
    m_listIndex.insert(id, m_lists.size() - 1);
}

void RtfListTable::beginLevel()
{
    if (!m_lists.isEmpty() && m_lists.last().formats.size() < MaxLevels)
        m_lists.last().formats.append(23);
}

void RtfListTable::setLevelNumberFormat(int nfc)
{
    if (!m_lists.isEmpty() && !m_lists.last().formats.isEmpty())
        m_lists.last().formats.last() = nfc;
}

void RtfListTable::beginOverride()
{
    m_overrideListId = 0;
    m_overrideIndex = 0;
}

void RtfListTable::setOverrideListId(int id)
{
    m_overrideListId = id;
    if (m_overrideIndex != 0)
        m_overrides.insert(m_overrideIndex, m_overrideListId);
}

void RtfListTable::setOverrideIndex(int ls)
{
    m_overrideIndex = ls;
    if (m_overrides.size() < MaxLists)
        m_overrides.insert(m_overrideIndex, m_overrideListId);
}

QTextListFormat::Style RtfListTable::style(int ls, int level) const
{
    const auto found = m_overrides.constFind(ls);
    if (found == m_overrides.constEnd())
        return QTextListFormat::ListStyleUndefined;
    const auto index = m_listIndex.constFind(found.value());
    if (index == m_listIndex.constEnd())
        return QTextListFormat::ListStyleUndefined;
    const Definition &definition = m_lists.at(index.value());
    if (definition.formats.isEmpty())
        return styleForNumberFormat(23, level);
    return styleForNumberFormat(
        definition.formats.at(std::clamp<qsizetype>(level, 0, definition.formats.size() - 1)),
        level);
}

QTextListFormat::Style RtfListTable::styleForNumberFormat(int nfc, int level)
{
    switch (nfc) {
    case 0:
        return QTextListFormat::ListDecimal;
    case 1:
        return QTextListFormat::ListUpperRoman;
    case 2:
        return QTextListFormat::ListLowerRoman;
    case 3:
        return QTextListFormat::ListUpperAlpha;
    case 4:
        return QTextListFormat::ListLowerAlpha;
    default:
        break;
    }
    // Bullets, and number styles Qt cannot draw: vary the bullet by level as word
    // processors do.
    static const QTextListFormat::Style bullets[] = {
        QTextListFormat::ListDisc, QTextListFormat::ListCircle, QTextListFormat::ListSquare};
    return bullets[std::abs(level) % 3];
}
