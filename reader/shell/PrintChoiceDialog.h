#pragma once

#include "PrinterSource.h"

#include <QDialog>
#include <QPointer>

class QPushButton;
class QRadioButton;
class QTextEdit;

// The question before printing: the entire document or only the selected text. It stays
// loaded, hidden, while Printing reads the choice, and goes when printing is done.
class PrintChoiceDialog : public QDialog
{
    Q_OBJECT
public:
    PrintChoiceDialog(QTextEdit *document, PrinterSource::Factory printer,
                      QWidget *parent = nullptr);

    QRadioButton *entireDocumentOption = nullptr; // "Entire Document"
    QRadioButton *selectedTextOption = nullptr;   // "Selected Text"
    QPushButton *printButton = nullptr;           // "&Print"
    QPushButton *cancelButton = nullptr;          // "&Cancel"

    void print();
    void cancel();

    bool entireDocument() const;

private:
    QPointer<QTextEdit> m_rt;
    PrinterSource::Factory m_printer;
};
