#pragma once
// Installing and removing the media filters of a file. Here a filter file is
// a GStreamer plugin (a shared library): installing it loads it into the
// running registry, which proves it is one and makes its elements usable at
// once, and copies it into the user's plugin folder, which GStreamer scans
// at every start; removing it takes it out of the registry and deletes that
// copy. Files outside the user's folder (the system's plugins) are never
// touched.

#include <QString>

class TPluginFiles
{
public:
    // $XDG_DATA_HOME/gstreamer-1.0/plugins ($HOME/.local/share when the
    // variable is unset or not absolute, as GStreamer reads it).
    static QString UserFolder();

    // False, with the reason, when the file is not a plugin that loads, when
    // another plugin of the same file name is loaded in its place, or when
    // the copy cannot be written; the user's folder is then as it was.
    static bool Install(const QString& path, QString* reason = nullptr);
    // Removes the copy of that file name from the user's folder. False when
    // there is none, when it is not a plugin (then it stays) or when it
    // cannot be deleted.
    static bool Uninstall(const QString& path, QString* reason = nullptr);
};
