#pragma once
// The parts of a video's path that opening looks at. Only "/" separates
// folders here; a dot in a folder's name is not an extension.

#include <QString>

// From the last "." on, lower-cased, when that "." lies in the file's own
// name; otherwise empty.
QString ExtensionOf(const QString& path);
// What follows the last "/" (the whole path when there is none).
QString FileNamePart(const QString& path);
// The path with its extension (as ExtensionOf finds it) replaced by
// `extension`, or with `extension` appended when it has none.
QString ChangeExtension(const QString& path, const QString& extension);
