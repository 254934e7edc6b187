#pragma once

#include "PrinterSource.h"

#include <QDialog>
#include <QPointer>

class QPushButton;
class QRadioButton;
class QTextEdit;

// The question before printing: the entire document or only the selected text. It stays
// loaded, hidden, while Printing reads the choice, and goes when printing is done.
class Askprint : public QDialog
{
    Q_OBJECT
public:
    Askprint(QTextEdit *Rt, PrinterSource::Factory printer, QWidget *parent = nullptr);

    QRadioButton *Option1 = nullptr; // "Entire Document"
    QRadioButton *Option2 = nullptr; // "Selected Text"
    QPushButton *Command2 = nullptr; // "&Print"
    QPushButton *Command1 = nullptr; // "&Cancel"

    void Command2_Click();
    void Command1_Click();

    bool entireDocument() const;

private:
    QPointer<QTextEdit> m_rt;
    PrinterSource::Factory m_printer;
};
