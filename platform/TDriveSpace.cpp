#include "platform/TDriveSpace.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

TDriveSpace TDriveSpace::Of(const QString& folder)
{
    TDriveSpace space;
    if (folder.isEmpty()) return space;
    QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    while (!QFileInfo(path).isDir()) {
        const QString up = QFileInfo(path).path();
        if (up == path) return space;
        path = up;
    }
    const QStorageInfo info(path);
    if (!info.isValid() || !info.isReady() || info.bytesTotal() <= 0) return space;
    space.TotalBytes = info.bytesTotal();
    space.FreeBytes = info.bytesAvailable();
    space.MeasuredFolder = path;
    return space;
}
