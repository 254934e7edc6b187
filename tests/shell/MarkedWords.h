#pragma once

#include "MainWindow.h"

#include <QPushButton>
#include <QScopeGuard>
#include <QStringList>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

// Reads `text` with Read All in the window and collects the words marked in the document
// while the reading lasts, each once, in the order they were marked.
inline void readCollectingMarks(MainWindow &w, const QString &text, QStringList *marked)
{
    w.documentEdit->setPlainText(text);
    const QMetaObject::Connection watch = QObject::connect(
        w.documentEdit, &QTextEdit::selectionChanged, w.documentEdit, [&w, marked] {
            const QString selected = w.documentEdit->textCursor().selectedText().trimmed();
            if (w.reading().speaking && !selected.isEmpty() && !marked->contains(selected))
                marked->append(selected);
        });
    const auto unwatch = qScopeGuard([&watch] { QObject::disconnect(watch); });
    w.readAllButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.reading().speaking; }, 20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.readAllButton->isEnabled(); }, 60000));
}
