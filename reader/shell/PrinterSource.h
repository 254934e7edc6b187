#pragma once

#include <functional>
#include <memory>

class QPrinter;
class QTextEdit;

// Where printing goes, and the document's print-selection operation.
class PrinterSource
{
public:
    // Gives the printer to print on, or nothing when there is none; tests print to PDF.
    using Factory = std::function<std::unique_ptr<QPrinter>()>;

    // The system's default printer, or nothing when no printer is set up.
    static std::unique_ptr<QPrinter> defaultPrinter();

    // Prints the selected text of `documentEdit` with its formatting, or the whole document when
    // nothing is selected; the document does its own page layout.
    static void printSelection(const QTextEdit &documentEdit, QPrinter &printer);
};
