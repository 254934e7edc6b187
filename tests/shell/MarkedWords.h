#pragma once

#include "frmMain.h"

#include <QPushButton>
#include <QScopeGuard>
#include <QStringList>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

// Reads `text` with Read All in the window and collects the words marked in the document
// while the reading lasts, each once, in the order they were marked.
inline void readCollectingMarks(frmMain &w, const QString &text, QStringList *marked)
{
    w.Rt->setPlainText(text);
    const QMetaObject::Connection watch =
        QObject::connect(w.Rt, &QTextEdit::selectionChanged, w.Rt, [&w, marked] {
            const QString selected = w.Rt->textCursor().selectedText().trimmed();
            if (w.reading().Speaking && !selected.isEmpty() && !marked->contains(selected))
                marked->append(selected);
        });
    const auto unwatch = qScopeGuard([&watch] { QObject::disconnect(watch); });
    w.Command1->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.reading().Speaking; }, 20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Command1->isEnabled(); }, 60000));
}
