#include "app/Tplaque.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>

Tplaque::Tplaque(QWidget* keyTarget)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::Window)
    , m_keyTarget(keyTarget)
{
    setObjectName(QStringLiteral("plaque"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
}

void Tplaque::SetFrameRect(const QRect& r)
{
    m_frame = r;
    update();
}

void Tplaque::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (m_frame.isValid()) {
        p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 2));
        p.drawRect(m_frame.adjusted(1, 1, -1, -1));
    }
}

// Key events are handed on unchanged: the main window's shortcuts decide.
void Tplaque::keyPressEvent(QKeyEvent* e)
{
    if (m_keyTarget) {
        QKeyEvent copy(e->type(), e->key(), e->modifiers(), e->nativeScanCode(), e->nativeVirtualKey(),
            e->nativeModifiers(), e->text(), e->isAutoRepeat(), e->count());
        QCoreApplication::sendEvent(m_keyTarget, &copy);
    }
}

void Tplaque::keyReleaseEvent(QKeyEvent* e)
{
    if (m_keyTarget) {
        QKeyEvent copy(e->type(), e->key(), e->modifiers(), e->nativeScanCode(), e->nativeVirtualKey(),
            e->nativeModifiers(), e->text(), e->isAutoRepeat(), e->count());
        QCoreApplication::sendEvent(m_keyTarget, &copy);
    }
}

// Closing the backdrop only hides it; full screen is ended by its command.
void Tplaque::closeEvent(QCloseEvent* e)
{
    e->ignore();
    hide();
}
