#pragma once

#include <QString>

// Adds a flite voice file to the reader's private voice registry the way a voice package
// installs one, so that the voice catalogue lists it; and takes such a voice away again.
// The file is copied into the user's voice folder, one folder per voice: a voice-file
// element speaks every voice of its folder, and the user's download folder may hold more
// than one voice or go away.
class VoiceFileInstaller
{
public:
    struct Outcome
    {
        bool added = false;
        QString tokenName; // the name the voice list shows
        QString message;   // why it was not added
    };

    // Checks the file and registers it; a file that is not a usable voice changes nothing.
    static Outcome add(const QString &path);
    // Removes the voice's registry entry and, when it lies in the user's voice folder, its
    // copy. False (with `message`) when the voice could not be removed.
    static bool remove(const QString &tokenName, QString *message = nullptr);

    // "parlance/voices" in the per-user data folder.
    static QString voicesFolder();
    // The token name a voice file is registered under.
    static QString tokenNameFor(const QString &path);
    // The engine entry written when no engine is registered yet.
    static const QString EngineKeyName;
};
