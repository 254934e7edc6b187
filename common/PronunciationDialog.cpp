#include "PronunciationDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <set>

PronunciationDialog::PronunciationDialog(const QString &voice, const PronunciationLexicon &lexicon,
                                         QWidget *parent)
    : QDialog(parent), m_table(new QTableWidget(0, 2, this))
{
    setObjectName(QStringLiteral("PronunciationDialog"));
    setWindowTitle(tr("Pronunciation - %1").arg(voice));

    m_table->setObjectName(QStringLiteral("entries"));
    m_table->setHorizontalHeaderLabels({tr("Word"), tr("Say as")});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (const auto &entry : lexicon.entries())
        appendRow(entry.word, entry.sayAs);

    auto *add = new QPushButton(tr("&Add"), this);
    add->setObjectName(QStringLiteral("addButton"));
    auto *remove = new QPushButton(tr("&Remove"), this);
    remove->setObjectName(QStringLiteral("removeButton"));
    connect(add, &QPushButton::clicked, this, &PronunciationDialog::addRow);
    connect(remove, &QPushButton::clicked, this, &PronunciationDialog::removeSelectedRows);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *rowButtons = new QHBoxLayout;
    rowButtons->addWidget(add);
    rowButtons->addWidget(remove);
    rowButtons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Words the voice \"%1\" says differently. Whole words match, "
                                    "in any letter case.")
                                     .arg(voice),
                                 this));
    layout->addWidget(m_table, 1);
    layout->addLayout(rowButtons);
    layout->addWidget(buttons);
}

void PronunciationDialog::appendRow(const QString &word, const QString &sayAs)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_table->setItem(row, 0, new QTableWidgetItem(word));
    m_table->setItem(row, 1, new QTableWidgetItem(sayAs));
}

void PronunciationDialog::addRow()
{
    appendRow(QString(), QString());
    const int row = m_table->rowCount() - 1;
    m_table->setCurrentCell(row, 0);
    m_table->editItem(m_table->item(row, 0));
}

void PronunciationDialog::removeSelectedRows()
{
    std::set<int> rows;
    const auto ranges = m_table->selectedRanges();
    for (const auto &range : ranges) {
        for (int row = range.topRow(); row <= range.bottomRow(); ++row)
            rows.insert(row);
    }
    if (rows.empty() && m_table->currentRow() >= 0)
        rows.insert(m_table->currentRow());
    // From the bottom up, so that the indexes still to go stay valid.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        m_table->removeRow(*it);
}

PronunciationLexicon PronunciationDialog::lexicon() const
{
    QList<PronunciationLexicon::Entry> entries;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QTableWidgetItem *word = m_table->item(row, 0);
        const QTableWidgetItem *sayAs = m_table->item(row, 1);
        entries.append({word ? word->text() : QString(), sayAs ? sayAs->text() : QString()});
    }
    return PronunciationLexicon(entries);
}
