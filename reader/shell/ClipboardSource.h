#pragma once

#include <QString>

// The clipboard's plain text, as the clipboard reader sees it.
class ClipboardSource
{
public:
    struct Contents
    {
        // Empty when the clipboard holds no text (nothing, or only a picture).
        QString text;
        // A password manager marked the contents as secret: they must not be read aloud.
        bool concealed = false;
    };

    virtual ~ClipboardSource() = default;

    // Throws std::runtime_error when the clipboard cannot be read at the moment (another
    // program holds it); an unreadable clipboard is not an empty one.
    virtual Contents read() = 0;

    // Whether the desktop tells the reader of text copied in other programs while the
    // reader's window is not active; where it does not, such text is seen once the window is.
    virtual bool seesCopiesInBackground() const { return true; }
};
