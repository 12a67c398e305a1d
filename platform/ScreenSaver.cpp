#include "platform/ScreenSaver.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>

namespace
{

const QString Service = QStringLiteral("org.freedesktop.ScreenSaver");
const QString Interface = QStringLiteral("org.freedesktop.ScreenSaver");

// Without an address the bus library may launch a bus of its own, which is
// slow and leaves a daemon behind; a session without a bus has no screen saver
// service to ask anyway.
QDBusConnection sessionBusIfPresent()
{
    const bool addressed = !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const bool userBus = !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
    if (!addressed && !userBus) return QDBusConnection(QStringLiteral("stillex-no-session-bus"));
    return QDBusConnection::sessionBus();
}

} // namespace

TScreenSaver::TScreenSaver()
    : m_bus(sessionBusIfPresent())
{
}

TScreenSaver::TScreenSaver(const QDBusConnection& bus)
    : m_bus(bus)
{
}

TScreenSaver::~TScreenSaver()
{
    Release();
}

bool TScreenSaver::Inhibit(const QString& appName, const QString& reason)
{
    if (m_inhibited) return true;
    if (!m_bus.isConnected()) return false;
    // Desktops publish the interface under one path or the other.
    for (const QString& path :
        { QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver") }) {
        QDBusMessage call
            = QDBusMessage::createMethodCall(Service, path, Interface, QStringLiteral("Inhibit"));
        call << appName << reason;
        const QDBusMessage reply = m_bus.call(call, QDBus::Block, CallTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1
            && reply.arguments().constFirst().canConvert<uint>()) {
            m_cookie = reply.arguments().constFirst().toUInt();
            m_path = path;
            m_inhibited = true;
            return true;
        }
        // Only a missing object or method is worth a second try; no service,
        // no bus or no answer in time will not change with another path.
        const QString error = reply.errorName();
        if (error != QDBusError::errorString(QDBusError::UnknownObject)
            && error != QDBusError::errorString(QDBusError::UnknownMethod)
            && error != QDBusError::errorString(QDBusError::UnknownInterface))
            return false;
    }
    return false;
}

void TScreenSaver::Release()
{
    if (!m_inhibited) return;
    m_inhibited = false;
    if (!m_bus.isConnected()) return;
    QDBusMessage call
        = QDBusMessage::createMethodCall(Service, m_path, Interface, QStringLiteral("UnInhibit"));
    call << m_cookie;
    m_bus.call(call, QDBus::Block, CallTimeoutMs);
}
