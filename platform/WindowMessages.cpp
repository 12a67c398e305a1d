#include "platform/WindowMessages.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <vector>

struct TSendReply {
    enum class State { Waiting, Running, Done, Abandoned };

    std::mutex mutex;
    std::condition_variable changed;
    State state = State::Waiting;
    qintptr result = 0;
    const QObject* target = nullptr;

    void finish(qintptr value)
    {
        {
            std::lock_guard lock(mutex);
            if (state == State::Done || state == State::Abandoned) return;
            state = State::Done;
            result = value;
        }
        changed.notify_all();
    }

    // Releases the sender unless the handler has already started, or even
    // then when forced.
    void abandon(bool force = false)
    {
        {
            std::lock_guard lock(mutex);
            if (state == State::Done || state == State::Abandoned) return;
            if (state == State::Running && !force) return;
            state = State::Abandoned;
        }
        changed.notify_all();
    }
};

struct TSendGate::TState {
    std::mutex mutex;
    bool closed = false;
    std::shared_ptr<TSendReply> current;
};

TSendGate::TSendGate()
    : m_state(std::make_unique<TState>())
{
}

TSendGate::~TSendGate() = default;

void TSendGate::Close()
{
    std::shared_ptr<TSendReply> current;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->closed = true;
        current = m_state->current;
    }
    if (current) current->abandon(true);
}

void TSendGate::Open()
{
    std::lock_guard lock(m_state->mutex);
    m_state->closed = false;
}

bool TSendGate::IsClosed() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->closed;
}

namespace
{

// Guards the senders' bookkeeping; held while posting so that a target closed
// by CloseMessageTarget can no longer receive anything once that returns.
// Lock order: a gate's lock, released, then this one, then a reply's lock;
// none of them is held while a handler runs or a sender waits.
std::mutex g_mutex;
std::vector<std::shared_ptr<TSendReply>> g_waiting;
std::set<const QObject*> g_closed;
bool g_quitting = false;
std::atomic<bool> g_quitHooked { false };

void releaseWaiting(const QObject* target)
{
    std::vector<std::shared_ptr<TSendReply>> waiting;
    {
        std::lock_guard lock(g_mutex);
        for (const auto& reply : g_waiting)
            if (!target || reply->target == target) waiting.push_back(reply);
    }
    for (const auto& reply : waiting)
        reply->abandon();
}

// Once the main loop has ended nobody may be left waiting for a window.
void hookQuit()
{
    if (g_quitHooked.load()) return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || g_quitHooked.exchange(true)) return;
    QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] {
        {
            std::lock_guard lock(g_mutex);
            g_quitting = true;
        }
        releaseWaiting(nullptr);
    });
}

} // namespace

QEvent::Type TWindowMessageEvent::EventType()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

TWindowMessageEvent::TWindowMessageEvent(unsigned msg, quintptr wParam, qintptr lParam)
    : QEvent(EventType())
    , m_msg(msg)
    , m_wParam(wParam)
    , m_lParam(lParam)
{
}

// A sent message dropped undelivered (its target destroyed, its queue
// discarded) still releases its sender.
TWindowMessageEvent::~TWindowMessageEvent()
{
    if (m_reply) m_reply->finish(0);
}

bool DispatchWindowMessage(TMessageTarget* target, QEvent* e)
{
    if (!e || e->type() != TWindowMessageEvent::EventType()) return false;
    auto* message = static_cast<TWindowMessageEvent*>(e);
    if (!target) return true;
    if (const auto& reply = message->m_reply) {
        {
            std::lock_guard lock(reply->mutex);
            if (reply->state != TSendReply::State::Waiting)
                return true; // the sender gave up; its request is void
            reply->state = TSendReply::State::Running;
        }
        const qintptr result = target->WindowMessage(message->m_msg, message->m_wParam, message->m_lParam);
        {
            std::lock_guard lock(reply->mutex);
            if (reply->state != TSendReply::State::Running) return true; // released meanwhile
            reply->state = TSendReply::State::Done;
            reply->result = result;
        }
        reply->changed.notify_all();
        return true;
    }
    target->WindowMessage(message->m_msg, message->m_wParam, message->m_lParam);
    return true;
}

void PostMessage(QObject* target, unsigned msg, quintptr wParam, qintptr lParam)
{
    if (!target || !QCoreApplication::instance()) return;
    hookQuit();
    std::lock_guard lock(g_mutex);
    if (g_closed.count(target)) return;
    QCoreApplication::postEvent(target, new TWindowMessageEvent(msg, wParam, lParam));
}

qintptr SendMessage(QObject* target, unsigned msg, quintptr wParam, qintptr lParam)
{
    return SendMessage(target, msg, wParam, lParam, nullptr);
}

qintptr SendMessage(QObject* target, unsigned msg, quintptr wParam, qintptr lParam, TSendGate* gate)
{
    if (!target || !QCoreApplication::instance()) return 0;
    hookQuit();

    auto reply = std::make_shared<TSendReply>();
    reply->target = target;

    if (target->thread() == QThread::currentThread()) {
        {
            std::lock_guard lock(g_mutex);
            if (g_closed.count(target)) return 0;
        }
        TWindowMessageEvent event(msg, wParam, lParam);
        event.m_reply = reply;
        QCoreApplication::sendEvent(target, &event);
        std::lock_guard lock(reply->mutex);
        return reply->state == TSendReply::State::Done ? reply->result : 0;
    }

    if (gate) {
        std::lock_guard lock(gate->m_state->mutex);
        if (gate->m_state->closed) return 0;
        gate->m_state->current = reply;
    }
    struct TGateRelease {
        TSendGate* gate;
        ~TGateRelease()
        {
            if (!gate) return;
            std::lock_guard lock(gate->m_state->mutex);
            gate->m_state->current.reset();
        }
    } gateRelease { gate };
    {
        std::lock_guard lock(g_mutex);
        if (g_quitting || g_closed.count(target)) return 0;
        g_waiting.push_back(reply);
        auto* event = new TWindowMessageEvent(msg, wParam, lParam);
        event->m_reply = reply;
        QCoreApplication::postEvent(target, event);
    }

    qintptr result = 0;
    {
        std::unique_lock lock(reply->mutex);
        reply->changed.wait(lock, [&] {
            return reply->state == TSendReply::State::Done || reply->state == TSendReply::State::Abandoned;
        });
        if (reply->state == TSendReply::State::Done) result = reply->result;
    }
    std::lock_guard lock(g_mutex);
    g_waiting.erase(std::remove(g_waiting.begin(), g_waiting.end(), reply), g_waiting.end());
    return result;
}

void ProcessPendingMessages()
{
    QCoreApplication::sendPostedEvents();
    if (QAbstractEventDispatcher::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CloseMessageTarget(QObject* target)
{
    if (!target) return;
    {
        std::lock_guard lock(g_mutex);
        if (!g_closed.insert(target).second) return;
    }
    // The address may be reused by a later object, which must not inherit this.
    QObject::connect(target, &QObject::destroyed, [target] {
        std::lock_guard lock(g_mutex);
        g_closed.erase(target);
    });
    releaseWaiting(target);
}

int PendingSendCount()
{
    std::lock_guard lock(g_mutex);
    return int(g_waiting.size());
}
