#pragma once
// Showing a file in the desktop's file manager: its folder opened with the
// file selected, through the freedesktop FileManager1 interface on the
// session bus, or, when no file manager answers there, the folder alone
// opened by its default handler.

#include <QString>

namespace FileManager
{
// How the file was shown.
enum class TShown { None, Selected, FolderOnly };
TShown ShowItem(const QString& path);
} // namespace FileManager
