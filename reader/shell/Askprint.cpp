#include "Askprint.h"

#include "Printing.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QVBoxLayout>

Askprint::Askprint(QTextEdit *Rt, PrinterSource::Factory printer, QWidget *parent)
    : QDialog(parent), m_rt(Rt), m_printer(std::move(printer))
{
    setObjectName(QStringLiteral("Askprint"));
    setWindowTitle(QStringLiteral("Print"));
    setAttribute(Qt::WA_DeleteOnClose);

    Option1 = new QRadioButton(QStringLiteral("Entire Document"));
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setChecked(true);
    Option2 = new QRadioButton(QStringLiteral("Selected Text"));
    Option2->setObjectName(QStringLiteral("Option2"));
    Command2 = new QPushButton(QStringLiteral("&Print"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setDefault(true);
    Command1 = new QPushButton(QStringLiteral("&Cancel"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    connect(Command2, &QPushButton::clicked, this, &Askprint::Command2_Click);
    // Esc rejects the dialog, which closes it like Cancel.
    connect(Command1, &QPushButton::clicked, this, &Askprint::Command1_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Option1);
    layout->addWidget(Option2);
    layout->addLayout(buttons);
}

bool Askprint::entireDocument() const
{
    return Option1->isChecked();
}

void Askprint::Command2_Click()
{
    hide();
    QApplication::processEvents();
    // A window of its own, not a child: it unloads this question before it goes itself.
    auto *printing = new Printing(*this, m_rt, m_printer, parentWidget());
    printing->show();
    QApplication::processEvents();
}

void Askprint::Command1_Click()
{
    close();
}
