#include "DesktopClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <stdexcept>

namespace {
const QString PasswordManagerHint = QStringLiteral("x-kde-passwordManagerHint");
const QByteArray Secret = QByteArrayLiteral("secret");
} // namespace

ClipboardSource::Contents DesktopClipboard::read()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QMimeData *data = clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
    if (!data)
        throw std::runtime_error("the clipboard cannot be read");
    Contents contents;
    if (data->hasText())
        contents.text = data->text();
    contents.concealed =
        data->hasFormat(PasswordManagerHint) && data->data(PasswordManagerHint) == Secret;
    return contents;
}

bool DesktopClipboard::seesCopiesInBackground() const
{
    return !QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}
