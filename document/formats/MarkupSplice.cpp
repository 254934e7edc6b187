#include "MarkupSplice.h"

QString MarkupSplice::replace(const QString &html, const QRegularExpression &pattern, int capture,
                              const Replacement &replacement)
{
    QString out;
    bool changed = false;
    qsizetype copied = 0;
    for (auto it = pattern.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const std::optional<QString> with = replacement(m);
        if (!with)
            continue;
        if (!changed)
            out.reserve(html.size());
        changed = true;
        out += QStringView(html).sliced(copied, m.capturedStart(capture) - copied);
        out += *with;
        copied = m.capturedEnd(capture);
    }
    if (!changed)
        return html;
    out += QStringView(html).sliced(copied);
    return out;
}
