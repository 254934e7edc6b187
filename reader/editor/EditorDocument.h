#pragma once

#include <QTextDocument>

// The document the editor shows and files are read into: a QTextDocument whose lists stay
// quick to build however long they grow (see LongTextList).
class EditorDocument : public QTextDocument
{
    Q_OBJECT

public:
    explicit EditorDocument(QObject *parent = nullptr) : QTextDocument(parent) {}

protected:
    QTextObject *createObject(const QTextFormat &format) override;
};
