#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

struct zip;

// A read-only zip container in memory (EPUB, DOCX, ODT) through libzip. Everything read
// from one archive counts against ImportLimits::MaxDecompressedSize, so a zip bomb ends in
// a refusal, not in exhausted memory.
class ZipArchive
{
public:
    ZipArchive();
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    // False, with error() saying why, when the bytes are not a usable archive.
    bool open(QByteArrayView data);

    bool contains(const QString &name) const;

    // The entry's bytes; nothing when it is missing, damaged, encrypted or would pass
    // `maxBytes` or the archive's remaining budget (error() then says which).
    std::optional<QByteArray> read(const QString &name, qint64 maxBytes = -1);

    const QString &error() const { return m_error; }

    // The archive path `reference` (as written in a document in `baseFolder`) points to,
    // or nothing when it is absolute, a web address, or climbs out of the archive. With
    // `allowParent` false any ".." is refused, as it is where a reference has no reason to
    // climb (an EPUB spine lists the book's own chapters).
    static std::optional<QString> resolve(const QString &baseFolder, const QString &reference,
                                          bool allowParent = true);

private:
    QByteArray m_data;
    zip *m_zip = nullptr;
    qint64 m_budget = 0;
    QString m_error;
};
