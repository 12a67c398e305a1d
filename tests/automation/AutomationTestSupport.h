#pragma once
// Helpers for driving widgets without the Qt test library.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QWidget>
#include <functional>

// Sends a press and a release as the platform does: to the window's QWindow
// when given one, from where Qt hands it to the focused widget.
inline bool pressKey(QObject* target, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier,
    const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QCoreApplication::sendEvent(target, &release);
    return press.isAccepted();
}

inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}
