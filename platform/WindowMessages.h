#pragma once
// Window messages between the streaming threads and the main window, carried
// as Qt events: a message number with its two parameters, either posted
// (handled later, in order) or sent (the sender waits for the handler's
// result).
//
// A target is a QObject that also derives from TMessageTarget and forwards its
// events with DispatchWindowMessage from its event() override. Senders are
// never left waiting for ever: a send is released with 0 when its target is
// destroyed or closed (CloseMessageTarget) before handling it, or when the
// application quits. A window should close itself as a target before it waits
// for the threads that send to it (stopping a graph joins its streaming threads,
// which may be inside a send).

#include <QEvent>
#include <QObject>
#include <memory>

constexpr unsigned WM_USER = 0x400;

class TMessageTarget
{
public:
    virtual ~TMessageTarget() = default;
    // Runs on the target's thread; the result goes back to a sender.
    virtual qintptr WindowMessage(unsigned msg, quintptr wParam, qintptr lParam) = 0;
};

struct TSendReply;
class TSendGate;

class TWindowMessageEvent : public QEvent
{
public:
    static QEvent::Type EventType();

    TWindowMessageEvent(unsigned msg, quintptr wParam, qintptr lParam);
    ~TWindowMessageEvent() override;

    unsigned Message() const { return m_msg; }
    quintptr WParam() const { return m_wParam; }
    qintptr LParam() const { return m_lParam; }
    bool IsSent() const { return m_reply != nullptr; }

private:
    friend bool DispatchWindowMessage(TMessageTarget* target, QEvent* e);
    friend qintptr SendMessage(
        QObject* target, unsigned msg, quintptr wParam, qintptr lParam, TSendGate* gate);

    unsigned m_msg;
    quintptr m_wParam;
    qintptr m_lParam;
    std::shared_ptr<TSendReply> m_reply; // set for sent messages
};

// For a target's event() override: handles e and returns true when it is a
// window message, returns false for every other event.
bool DispatchWindowMessage(TMessageTarget* target, QEvent* e);

// Queues the message for the target's thread; callable from any thread.
// Messages posted by one thread arrive in the order they were posted.
void PostMessage(QObject* target, unsigned msg, quintptr wParam, qintptr lParam);

// Runs the target's handler and returns its result. From the target's own
// thread the handler is called at once; from another thread the message is
// queued and the caller blocks until the handler has returned (0 when the
// message was never handled).
qintptr SendMessage(QObject* target, unsigned msg, quintptr wParam, qintptr lParam);

// A sender's way out, for senders that wait inside a pipeline: while a
// streaming thread waits in a send, the UI thread must be able to flush or
// stop that pipeline, which waits for the streaming thread. Closing the gate
// releases the send in progress at once (with 0), even when its handler has
// already started (the handler runs on; its result is lost), and makes later
// sends through the gate return 0 without waiting, until it is opened again.
class TSendGate
{
public:
    TSendGate();
    ~TSendGate();
    TSendGate(const TSendGate&) = delete;
    TSendGate& operator=(const TSendGate&) = delete;

    void Close();
    void Open();
    bool IsClosed() const;

private:
    friend qintptr SendMessage(
        QObject* target, unsigned msg, quintptr wParam, qintptr lParam, TSendGate* gate);
    struct TState;
    std::unique_ptr<TState> m_state;
};

// SendMessage through a gate (see TSendGate); a null gate is a plain send.
qintptr SendMessage(QObject* target, unsigned msg, quintptr wParam, qintptr lParam, TSendGate* gate);

// Handles the events queued for the calling thread, the window messages
// among them, and returns.
void ProcessPendingMessages();

// From now on, sends and posts to target are refused (sends return 0) and the
// senders still waiting for it are released with 0. Call it on the target's
// thread; it lasts until the object is destroyed.
void CloseMessageTarget(QObject* target);

// Number of senders waiting for a handler, in any thread.
int PendingSendCount();
