#include "platform/FileManager.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace FileManager
{
TShown ShowItem(const QString& path)
{
    if (path.isEmpty()) return TShown::None;
    const QFileInfo info(path);
    QDBusConnection bus = QDBusConnection::sessionBus();
    static const QString service = QStringLiteral("org.freedesktop.FileManager1");
    if (bus.isConnected() && bus.interface()
        && (bus.interface()->isServiceRegistered(service).value()
            || bus.interface()->activatableServiceNames().value().contains(service))) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            service, QStringLiteral("/org/freedesktop/FileManager1"), service, QStringLiteral("ShowItems"));
        call << QStringList { QUrl::fromLocalFile(info.absoluteFilePath()).toString() } << QString();
        // Asynchronous: a slow file manager must not hold the window.
        if (bus.send(call)) return TShown::Selected;
    }
    const QString folder = info.absolutePath();
    if (QFileInfo(folder).isDir() && QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        return TShown::FolderOnly;
    return TShown::None;
}
} // namespace FileManager
