#pragma once

#include <QSet>
#include <QTextDocument>

class ResourceGate;

// The document the editor shows and files are read into: a QTextDocument whose lists stay
// quick to build however long they grow (see LongTextList), and which never reads a file
// of its own accord. Qt's own resource loading would open whatever a picture or style sheet
// names (a device, a pipe, any file on the disk); here only the gate of the reading in
// progress is asked, and without one a name the document holds no resource for shows
// nothing.
class EditorDocument : public QTextDocument
{
    Q_OBJECT

public:
    explicit EditorDocument(QObject *parent = nullptr) : QTextDocument(parent) {}

    void setResourceGate(ResourceGate *gate) { m_gate = gate; }

    // The names of the pictures `document` shows, table cells included.
    static QSet<QString> pictureNames(const QTextDocument &document);
    // Hands `to` the pictures `from` shows: a copied fragment names them but does not
    // carry them, and a document shown or printed must not go looking for them.
    static void copyPictures(const QTextDocument &from, QTextDocument *to);

protected:
    QTextObject *createObject(const QTextFormat &format) override;
    QVariant loadResource(int type, const QUrl &name) override;

private:
    ResourceGate *m_gate = nullptr;
};
