#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Packs an EPUB 3 book: pages of XHTML, each with its narration (an audio file and the SMIL
// media overlay that ties the page's text to it), pictures, a table of contents, and the
// package document with the overlays' durations. The book appears under its name complete
// or not at all.
class EpubWriter
{
public:
    struct Metadata
    {
        QString title;
        QString author;
        QString language; // a BCP 47 tag
        QString narrator; // the voice
    };
    struct Page
    {
        QString title;
        QString body;      // the XHTML body's content
        QString overlay;   // the SMIL body's content; empty: no narration
        QString audioFile; // on disk, read when the book is written
        double seconds = 0;
    };

    // The reading systems' class for the text being spoken, styled by the book.
    static constexpr const char *ActiveClass = "-epub-media-overlay-active";

    // Where the n-th page (from 1) and its parts lie in the book, relative to each other.
    static QString pageHref(int page);
    static QString audioHref(int page, const QString &extension);
    // A SMIL clock value, "h:mm:ss.fff".
    static QString clock(double seconds);

    // `audioExtension` is "mp3" or "opus".
    explicit EpubWriter(const QString &audioExtension) : m_audioExtension(audioExtension) {}

    void addPage(const Page &page) { m_pages.append(page); }
    void addPicture(const QString &href, const QByteArray &png);
    // Throws SpeechError (FileAccess) when the book cannot be written.
    void write(const QString &path, const Metadata &metadata) const;

private:
    QByteArray packageDocument(const Metadata &metadata) const;
    QByteArray navigation(const Metadata &metadata) const;
    QByteArray page(int number, const Metadata &metadata) const;
    QByteArray overlay(int number) const;

    QString m_audioExtension;
    QList<Page> m_pages;
    QList<std::pair<QString, QByteArray>> m_pictures;
};
