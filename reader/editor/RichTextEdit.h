#pragma once

#include <QTextEdit>

// The document control: a QTextEdit whose own clipboard keys and drag and drop carry RTF
// beside Qt's formats, and take RTF or else plain text, so that Ctrl+C / Ctrl+V in the
// document behave as the Edit menu does. A file dropped on it is opened, not inserted.
class RichTextEdit : public QTextEdit
{
    Q_OBJECT

public:
    explicit RichTextEdit(QWidget *parent = nullptr);

    // The local files that `source` carries, as a file manager drags them; empty for text.
    static QStringList droppedFiles(const QMimeData *source);

signals:
    // Files were dropped on the document: they are to be opened, not inserted as text.
    void filesDropped(const QStringList &files);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
};
