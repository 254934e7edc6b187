#pragma once

#include "DocumentCommands.h"
#include "EditCommands.h"
#include "EditorFormatting.h"
#include "EditorToolBar.h"
#include "FormatMenu.h"
#include "FormatStateSync.h"
#include "MessageBoxRecorder.h"

#include <QMenu>
#include <QTextEdit>
#include <QWidget>
#include <gtest/gtest.h>
#include <optional>

// A window with the document, the Format menu, the toolbar and the document and edit
// commands attached as the main window attaches them. Dialogs and message boxes are
// answered by the test.
class FormattingFixture : public ::testing::Test
{
protected:
    FormattingFixture();
    ~FormattingFixture() override;

    // Replaces the document with paragraphs of plain text, insertion point at the start.
    void setParagraphs(const QStringList &paragraphs);
    // Selects `length` characters from `start` (0-based, paragraph breaks count one).
    void select(int start, int length);
    // Selects the first occurrence of `text`.
    void selectText(const QString &text);
    // The format of the first character of the first occurrence of `text`.
    QTextCharFormat formatOf(const QString &text) const;
    Qt::Alignment alignmentOf(const QString &text) const;

    FormatMenu &menu() const { return *formatting->formatMenu(); }
    EditorToolBar &toolBar() const { return *formatting->toolBar(); }

    QWidget window;
    QWidget host;
    QTextEdit editor;
    QMenu formatMenu;
    DocumentCommands documents{&editor, &window};
    EditCommands edits{&editor};
    EditorFormatting *formatting = nullptr;
    MessageBoxRecorder boxes;
    // Answers of the colour and font dialogs; std::nullopt cancels. The initial values the
    // dialogs were given are kept.
    std::optional<QColor> colorAnswer;
    std::optional<QFont> fontAnswer;
    QList<QColor> colorSeeds;
    QList<QFont> fontSeeds;
    int beeps = 0;
};
