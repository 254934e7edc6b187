#pragma once

#include <QObject>
#include <QPointer>

class QTextEdit;

// The Edit menu on the document control: undo and select all are the control's own; cut,
// copy and paste move the selection through the clipboard as plain text and RTF.
class EditCommands : public QObject
{
    Q_OBJECT

public:
    explicit EditCommands(QTextEdit *editor, QObject *parent = nullptr);

public slots:
    void undo();
    void cut();
    void copy();
    void paste();
    void selectAll();
    void find();

signals:
    // The find and replace window should be shown beside the main window.
    void findRequested();

private:
    QPointer<QTextEdit> m_editor;
};
