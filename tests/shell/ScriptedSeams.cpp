#include "ScriptedSeams.h"

#include "BackgroundReader.h"

#include <stdexcept>

QString ScriptedWindows::foregroundClass()
{
    // The children asked for belong to the window found here, as with a real desktop.
    m_found = children;
    return className;
}

QList<ForegroundWindowSource::ChildWindow> ScriptedWindows::childWindows()
{
    return m_found;
}

void ScriptedWindows::show(const QString &windowClass, const QStringList &labels)
{
    className = windowClass;
    children.clear();
    for (const QString &label : labels)
        children.append({BackgroundReader::LabelClass, label});
}

ClipboardSource::Contents ScriptedClipboard::read()
{
    ++reads;
    if (busy)
        throw std::runtime_error("clipboard held by another program");
    return contents;
}
