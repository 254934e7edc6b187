#include "PrintChoiceDialog.h"

#include "Printing.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QVBoxLayout>

PrintChoiceDialog::PrintChoiceDialog(QTextEdit *document, PrinterSource::Factory printer,
                                     QWidget *parent)
    : QDialog(parent), m_rt(document), m_printer(std::move(printer))
{
    setObjectName(QStringLiteral("PrintChoiceDialog"));
    setWindowTitle(QStringLiteral("Print"));
    setAttribute(Qt::WA_DeleteOnClose);

    entireDocumentOption = new QRadioButton(QStringLiteral("Entire Document"));
    entireDocumentOption->setObjectName(QStringLiteral("entireDocumentOption"));
    entireDocumentOption->setChecked(true);
    selectedTextOption = new QRadioButton(QStringLiteral("Selected Text"));
    selectedTextOption->setObjectName(QStringLiteral("selectedTextOption"));
    printButton = new QPushButton(QStringLiteral("&Print"));
    printButton->setObjectName(QStringLiteral("printButton"));
    printButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("&Cancel"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setAutoDefault(false);
    connect(printButton, &QPushButton::clicked, this, &PrintChoiceDialog::print);
    // Esc rejects the dialog, which closes it like Cancel.
    connect(cancelButton, &QPushButton::clicked, this, &PrintChoiceDialog::cancel);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(printButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(entireDocumentOption);
    layout->addWidget(selectedTextOption);
    layout->addLayout(buttons);
}

bool PrintChoiceDialog::entireDocument() const
{
    return entireDocumentOption->isChecked();
}

void PrintChoiceDialog::print()
{
    hide();
    QApplication::processEvents();
    // A window of its own, not a child: it unloads this question before it goes itself.
    // A question closed meanwhile counts as the entire document.
    const QPointer<PrintChoiceDialog> self(this);
    Printing::Question question;
    question.entireDocument = [self] { return !self || self->entireDocument(); };
    question.close = [self] {
        if (self)
            self->close();
    };
    auto *printing = new Printing(std::move(question), m_rt, m_printer, parentWidget());
    printing->show();
    QApplication::processEvents();
}

void PrintChoiceDialog::cancel()
{
    close();
}
