#pragma once

#include "PrinterSource.h"

#include <QDialog>
#include <QPointer>
#include <functional>

class QLabel;
class QProgressBar;
class QTextEdit;

// The progress window that sends the document to the printer as soon as it comes up, then
// closes the question and itself. A printer that refuses is passed over in silence: the
// windows close as if the document had been printed. With no printer at all, the same
// pages are offered as a PDF file instead.
class Printing : public QDialog
{
    Q_OBJECT
public:
    static const QString PdfDialogTitle;
    static const QString PdfFilter;

    // The question that asked what to print: its choice, read when printing starts, and its
    // close once printing is done.
    struct Question
    {
        std::function<bool()> entireDocument;
        std::function<void()> close;
    };

    Printing(Question question, QTextEdit *document, PrinterSource::Factory printer,
             QWidget *parent = nullptr);

    QLabel *statusLabel = nullptr;
    QProgressBar *progressBar = nullptr;

    void printDocument();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void saveAsPdf();

    Question m_question;
    QPointer<QTextEdit> m_rt;
    PrinterSource::Factory m_printer;
    bool m_printed = false;
};
