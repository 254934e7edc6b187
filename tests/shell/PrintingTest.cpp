#include "Printing.h"
#include "FileDialogService.h"
#include "MessageBoxRecorder.h"
#include "PrintChoiceDialog.h"

#include <QFile>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {
class PrintingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QStringList lines;
        for (int i = 1; i <= 160; ++i)
            lines << QStringLiteral("Line %1 of the document that is printed.").arg(i);
        m_rt.setPlainText(lines.join(QLatin1Char('\n')));
    }

    PrinterSource::Factory pdf()
    {
        return [this]() -> std::unique_ptr<QPrinter> {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdfPath());
            return printer;
        };
    }

    void select(int from, int to)
    {
        QTextCursor cursor = m_rt.textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        m_rt.setTextCursor(cursor);
    }

    // Answers the question with `entire` and waits until both windows have gone.
    void print(bool entire, PrinterSource::Factory printer)
    {
        QPointer<PrintChoiceDialog> ask = new PrintChoiceDialog(&m_rt, std::move(printer));
        ask->show();
        (entire ? ask->entireDocumentOption : ask->selectedTextOption)->setChecked(true);
        ask->printButton->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !ask; }, 30000));
        EXPECT_TRUE(QTest::qWaitFor([] { return !printingWindow(); }, 30000));
    }

    static Printing *printingWindow()
    {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows)
            if (auto *printing = qobject_cast<Printing *>(window))
                return printing;
        return nullptr;
    }

    QString pdfPath() const { return m_dir.filePath(QStringLiteral("out.pdf")); }

    int pages() const
    {
        QFile file(pdfPath());
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        const QByteArray pdf = file.readAll();
        return int(QString::fromLatin1(pdf).count(
            QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
    }

    QTemporaryDir m_dir;
    QTextEdit m_rt;
};
} // namespace

TEST_F(PrintingTest, SelectedTextPrintsOnlyTheSelection)
{
    select(0, 120);
    print(false, pdf());
    EXPECT_EQ(pages(), 1);
    EXPECT_EQ(m_rt.textCursor().selectionEnd(), 120);
}

TEST_F(PrintingTest, EntireDocumentPrintsEverythingAndMovesTheCaretToTheStart)
{
    print(true, pdf());
    const int whole = pages();
    EXPECT_GT(whole, 2);

    select(500, 900);
    print(true, pdf());
    EXPECT_EQ(pages(), whole);
    EXPECT_FALSE(m_rt.textCursor().hasSelection());
    EXPECT_EQ(m_rt.textCursor().position(), 0);

    // "Selected Text" with nothing selected prints the whole document too.
    QFile::remove(pdfPath());
    print(false, pdf());
    EXPECT_EQ(pages(), whole);
}

TEST_F(PrintingTest, CancelLeavesTheDocumentAlone)
{
    select(10, 40);
    QPointer<PrintChoiceDialog> ask = new PrintChoiceDialog(&m_rt, pdf());
    ask->show();
    ask->cancelButton->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ask; }, 10000));
    EXPECT_FALSE(QFile::exists(pdfPath()));
    EXPECT_EQ(m_rt.textCursor().selectionStart(), 10);
    EXPECT_EQ(m_rt.textCursor().selectionEnd(), 40);
}

TEST_F(PrintingTest, WithoutAPrinterTheChoiceIsOfferedAsAPdf)
{
    MessageBoxRecorder boxes;
    QString answer = pdfPath();
    QList<FileDialogService::Request> asked;
    FileDialogService::setHandler([&](const FileDialogService::Request &request) {
        asked << request;
        return answer;
    });
    const auto noPrinter = [] { return std::unique_ptr<QPrinter>(); };
    select(0, 120);
    print(false, noPrinter);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].mode, FileDialogService::Save);
    EXPECT_EQ(pages(), 1);
    print(true, noPrinter);
    EXPECT_GT(pages(), 2);
    EXPECT_TRUE(boxes.requests().isEmpty());

    // Cancelled: nothing is written and nothing said.
    QFile::remove(pdfPath());
    answer.clear();
    print(true, noPrinter);
    EXPECT_FALSE(QFile::exists(pdfPath()));
    EXPECT_TRUE(boxes.requests().isEmpty());

    // A file that cannot be written is reported, not passed over.
    answer = m_dir.filePath(QStringLiteral("no/such/folder/out.pdf"));
    print(true, noPrinter);
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_TRUE(boxes.requests()[0].text.contains(answer));
    FileDialogService::setHandler(nullptr);

    // A printer that refuses the job is still passed over in silence.
    boxes.clear();
    print(true, [this] {
        auto printer = std::make_unique<QPrinter>();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(m_dir.filePath(QStringLiteral("no/such/folder/out.pdf")));
        return printer;
    });
    EXPECT_TRUE(boxes.requests().isEmpty());
}
