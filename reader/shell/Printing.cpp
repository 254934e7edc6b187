#include "Printing.h"

#include "FileDialogService.h"
#include "IgnoreErrors.h"
#include "MessageBoxService.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPrinter>
#include <QProgressBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

const QString Printing::PdfDialogTitle = QStringLiteral("No Printer Installed - Save as PDF");
const QString Printing::PdfFilter = QStringLiteral("PDF Files (*.pdf)");

Printing::Printing(Question question, QTextEdit *document, PrinterSource::Factory printer,
                   QWidget *parent)
    : QDialog(parent), m_question(std::move(question)), m_rt(document),
      m_printer(std::move(printer))
{
    setObjectName(QStringLiteral("Printing"));
    setWindowTitle(QStringLiteral("Printing..."));
    setAttribute(Qt::WA_DeleteOnClose);
    statusLabel = new QLabel(QStringLiteral("Sending document to printer..."));
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    progressBar = new QProgressBar;
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(statusLabel);
    layout->addWidget(progressBar);
}

void Printing::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Printing starts once the window is up, so that the user sees what is going on.
    if (!m_printed)
        QTimer::singleShot(0, this, &Printing::printDocument);
}

void Printing::printDocument()
{
    if (m_printed)
        return;
    m_printed = true;
    ignoreErrors([&] { progressBar->setMaximum(1); });
    ignoreErrors([&] {
        if (!m_rt)
            return;
        if (!m_question.entireDocument || m_question.entireDocument()) {
            // Selection start 0: the selection goes and the caret moves to the start.
            QTextCursor cursor = m_rt->textCursor();
            cursor.setPosition(0);
            m_rt->setTextCursor(cursor);
        }
        for (int copy = 1; copy <= 1; ++copy) {
            progressBar->setValue(progressBar->value() + 1);
            std::unique_ptr<QPrinter> printer = m_printer ? m_printer() : nullptr;
            if (printer)
                PrinterSource::printSelection(*m_rt, *printer);
            else
                saveAsPdf();
        }
    });
    ignoreErrors([&] { progressBar->setValue(progressBar->maximum()); });
    if (m_question.close)
        m_question.close();
    close();
}

void Printing::saveAsPdf()
{
    // Without a printer the print would go nowhere; the user may still want the pages, so a
    // PDF of the same choice is offered.
    const QString file = FileDialogService::getSaveFileName(this, PdfDialogTitle, PdfFilter);
    if (file.isEmpty())
        return;
    // The document's print reports nothing, so a file that cannot be written is found first.
    QFile target(file);
    const bool writable = target.open(QIODevice::Append);
    target.close();
    if (writable) {
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFileName(file);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        PrinterSource::printSelection(*m_rt, pdf);
    }
    if (!writable || QFileInfo(file).size() <= 0)
        MessageBoxService::show(
            QStringLiteral("The document could not be saved as \"%1\".").arg(file),
            MessageBoxService::Ok, MessageBoxService::Exclamation);
}
