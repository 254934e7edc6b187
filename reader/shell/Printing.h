#pragma once

#include "PrinterSource.h"

#include <QDialog>
#include <QPointer>

class Askprint;
class QLabel;
class QProgressBar;
class QTextEdit;

// The progress window that sends the document to the printer as soon as it comes up, then
// closes the question and itself. Every failure (no printer, a printer that refuses) is
// passed over in silence: the windows close as if the document had been printed.
class Printing : public QDialog
{
    Q_OBJECT
public:
    Printing(Askprint &question, QTextEdit *Rt, PrinterSource::Factory printer,
             QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;

    void Form_Activate();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPointer<Askprint> m_question;
    QPointer<QTextEdit> m_rt;
    PrinterSource::Factory m_printer;
    bool m_printed = false;
};
