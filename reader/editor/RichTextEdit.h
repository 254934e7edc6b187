#pragma once

#include <QTextEdit>

// The document control: a QTextEdit whose own clipboard keys and drag and drop carry RTF
// beside Qt's formats, and take RTF or else plain text, so that Ctrl+C / Ctrl+V in the
// document behave as the Edit menu does.
class RichTextEdit : public QTextEdit
{
    Q_OBJECT

public:
    explicit RichTextEdit(QWidget *parent = nullptr);

protected:
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
};
