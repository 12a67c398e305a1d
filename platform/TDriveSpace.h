#pragma once
// The size and the free space of the file system holding a folder (the
// statvfs of the mount, through QStorageInfo), free space counted as the
// user may fill it. A folder not made yet (the image folder is made at the
// first grab) is measured on the nearest folder above it that exists.

#include <QString>
#include <cstdint>

class TDriveSpace
{
public:
    // -1 for both when nothing on the path can be measured.
    static TDriveSpace Of(const QString& folder);

    int64_t TotalBytes = -1;
    int64_t FreeBytes = -1;
    // The folder actually measured, empty when none.
    QString MeasuredFolder;
};
