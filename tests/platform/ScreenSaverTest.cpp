#include "platform/ScreenSaver.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>
#include <mutex>

namespace
{

// Stands in for the desktop's screen saver on a private bus. It lives on a
// thread of its own so that the blocking calls of the main thread get answers.
class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    static constexpr uint Cookie = 4242;

    int inhibits() const
    {
        std::lock_guard lock(m_mutex);
        return m_inhibits;
    }
    QList<uint> releases() const
    {
        std::lock_guard lock(m_mutex);
        return m_releases;
    }
    QString lastApp() const
    {
        std::lock_guard lock(m_mutex);
        return m_lastApp;
    }

public slots:
    uint Inhibit(const QString& app, const QString&)
    {
        std::lock_guard lock(m_mutex);
        ++m_inhibits;
        m_lastApp = app;
        return Cookie;
    }
    void UnInhibit(uint cookie)
    {
        std::lock_guard lock(m_mutex);
        m_releases.append(cookie);
    }

private:
    mutable std::mutex m_mutex;
    int m_inhibits = 0;
    QList<uint> m_releases;
    QString m_lastApp;
};

class PrivateBus
{
public:
    PrivateBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) return;
        m_process.start(daemon,
            { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address") });
        if (!m_process.waitForStarted(5000)) return;
        QElapsedTimer timer;
        timer.start();
        while (!m_process.canReadLine() && timer.elapsed() < 5000)
            m_process.waitForReadyRead(100);
        m_address = QString::fromUtf8(m_process.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        // Asked to stop rather than killed, the daemon removes its socket.
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
    }
    QString Address() const { return m_address; }

private:
    QProcess m_process;
    QString m_address;
};

} // namespace

TEST(ScreenSaver, InhibitsThroughTheServiceAndReleasesItsOwnCookie)
{
    PrivateBus bus;
    if (bus.Address().isEmpty()) GTEST_SKIP() << "no dbus-daemon to run a private bus";

    QDBusConnection service
        = QDBusConnection::connectToBus(bus.Address(), QStringLiteral("fake-screensaver"));
    QDBusConnection client
        = QDBusConnection::connectToBus(bus.Address(), QStringLiteral("screensaver-client"));
    ASSERT_TRUE(service.isConnected());
    ASSERT_TRUE(client.isConnected());

    QThread serviceThread;
    serviceThread.start();
    auto* fake = new FakeScreenSaver;
    fake->moveToThread(&serviceThread);
    // Only the older path: the first one tried must fail over to it.
    ASSERT_TRUE(
        service.registerObject(QStringLiteral("/ScreenSaver"), fake, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));

    {
        TScreenSaver saver(client);
        EXPECT_FALSE(saver.Inhibited());
        EXPECT_TRUE(saver.Inhibit());
        EXPECT_TRUE(saver.Inhibited());
        EXPECT_TRUE(saver.Inhibit()); // held once, not twice
        EXPECT_EQ(fake->inhibits(), 1);
        EXPECT_EQ(fake->lastApp(), QStringLiteral("Stillex"));
        saver.Release();
        EXPECT_FALSE(saver.Inhibited());
        EXPECT_EQ(fake->releases(), QList<uint>({ FakeScreenSaver::Cookie }));
        saver.Release();
        EXPECT_EQ(fake->releases().size(), 1);
    }
    EXPECT_EQ(fake->releases().size(), 1); // nothing left to release at destruction
    {
        TScreenSaver saver(client);
        ASSERT_TRUE(saver.Inhibit());
    }
    EXPECT_EQ(fake->releases().size(), 2); // the destructor gives it back

    // Once the service is gone there is nothing to switch off, and asking is quick.
    ASSERT_TRUE(service.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver")));
    {
        QElapsedTimer timer;
        timer.start();
        TScreenSaver saver(client);
        EXPECT_FALSE(saver.Inhibit());
        EXPECT_LT(timer.elapsed(), 2 * TScreenSaver::CallTimeoutMs);
        EXPECT_FALSE(saver.Inhibited());
    }
    EXPECT_EQ(fake->inhibits(), 2);

    service.unregisterObject(QStringLiteral("/ScreenSaver"));
    serviceThread.quit();
    serviceThread.wait();
    delete fake;
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-screensaver"));
    QDBusConnection::disconnectFromBus(QStringLiteral("screensaver-client"));
}

TEST(ScreenSaver, WithoutASessionBusNothingIsAskedOrStarted)
{
    TScreenSaver unconnected(QDBusConnection(QStringLiteral("never-connected")));
    EXPECT_FALSE(unconnected.Inhibit());
    unconnected.Release();

    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", "/nonexistent-runtime-dir");
    QElapsedTimer timer;
    timer.start();
    {
        TScreenSaver saver;
        EXPECT_FALSE(saver.Inhibit());
    }
    EXPECT_LT(timer.elapsed(), 1000);
    if (!address.isNull()) qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    if (runtime.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", runtime);
}

#include "ScreenSaverTest.moc"
