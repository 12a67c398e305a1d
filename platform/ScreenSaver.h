#pragma once
// Keeps the screen saver from starting while the application runs, through
// the session's org.freedesktop.ScreenSaver service where there is one.

#include <QDBusConnection>
#include <QString>

class TScreenSaver
{
public:
    // The session bus, when one can be reached without starting one.
    TScreenSaver();
    explicit TScreenSaver(const QDBusConnection& bus);
    ~TScreenSaver(); // releases the inhibition still held

    // Asks the service to hold the screen saver off. Returns whether a
    // screen-saver service answered, i.e. whether there was one to switch off.
    bool Inhibit(const QString& appName = QStringLiteral("Stillex"),
        const QString& reason = QStringLiteral("Lecture vidéo"));
    // Lets the screen saver start again (nothing when Inhibit did not succeed).
    void Release();

    bool Inhibited() const { return m_inhibited; }

    // How long a call may take: a bus that does not answer never delays start-up.
    static constexpr int CallTimeoutMs = 500;

private:
    QDBusConnection m_bus;
    QString m_path; // object path that answered Inhibit
    uint m_cookie = 0;
    bool m_inhibited = false;
};
