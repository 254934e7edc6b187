#pragma once

#include "PronunciationLexicon.h"

#include <QDialog>

class QTableWidget;

// The pronunciation editor of a voice: a table of words and how to say them, with Add and
// Remove. Rows with a blank word are left out of lexicon().
class PronunciationDialog : public QDialog
{
    Q_OBJECT
public:
    PronunciationDialog(const QString &voice, const PronunciationLexicon &lexicon,
                        QWidget *parent = nullptr);

    PronunciationLexicon lexicon() const;

    QTableWidget *table() const { return m_table; }
    // Appends an empty row and starts editing its word.
    void addRow();
    // Removes the selected rows (or the current one).
    void removeSelectedRows();

private:
    void appendRow(const QString &word, const QString &sayAs);

    QTableWidget *m_table;
};
