#pragma once

#include <QString>

// A folder that belongs to the current user alone: a real directory (not a link), owned by
// the user, with no access for group or others. Files that other processes trust (the
// single-instance lock and socket) or that hold the user's text (the conversion's text
// file) are only ever placed in such a folder, so that another local user can neither
// plant them in advance nor read them.
class PrivateFolder
{
public:
    static bool isPrivate(const QString &folder);

    // The user's runtime folder when it is private; otherwise a folder of our own in the
    // temporary-files folder, created with owner-only access and verified after creation.
    // Empty when neither can be had: callers then do without rather than fall back to a
    // shared place.
    static QString runtimeFolder();

    // A private folder whose path holds no `forbidden` character, or empty.
    static QString runtimeFolderWithout(QChar forbidden);
};
