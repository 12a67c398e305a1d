#include "platform/WindowMessages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <new>
#include <thread>
#include <tuple>
#include <vector>

namespace
{

class Target : public QObject, public TMessageTarget
{
public:
    qintptr WindowMessage(unsigned msg, quintptr wParam, qintptr lParam) override
    {
        ++calls;
        received.emplace_back(msg, wParam, lParam);
        handledOn = QThread::currentThread();
        if (during) during();
        return qintptr(wParam) * 3 + lParam;
    }

    std::atomic<int> calls { 0 };
    std::vector<std::tuple<unsigned, quintptr, qintptr>> received;
    QThread* handledOn = nullptr;
    std::function<void()> during;

protected:
    bool event(QEvent* e) override
    {
        if (DispatchWindowMessage(this, e)) return true;
        return QObject::event(e);
    }
};

// A thread running one call; a call that never returns is left behind
// (detached) so that the failing test reports instead of hanging.
class Worker
{
public:
    explicit Worker(std::function<qintptr()> call)
        : m_state(std::make_shared<State>())
    {
        m_thread = std::thread([state = m_state, call = std::move(call)] {
            state->result = call();
            state->done = true;
        });
    }
    ~Worker()
    {
        if (m_state->done)
            m_thread.join();
        else
            m_thread.detach();
    }
    bool Done() const { return m_state->done; }
    qintptr Result() const { return m_state->result; }

private:
    struct State {
        std::atomic<bool> done { false };
        std::atomic<qintptr> result { -1 };
    };
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

// The main thread's waiting loop, as the application runs it during a seek.
bool pumpUntil(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        ProcessPendingMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Waits without handling any event.
bool waitUntil(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

TEST(WindowMessages, SendFromAWorkerIsHandledOnceInsideTheWaitingLoop)
{
    Target target;
    {
        Worker worker([&] { return SendMessage(&target, WM_USER + 1, 7, 2); });
        ASSERT_TRUE(pumpUntil([&] { return worker.Done(); }));
        EXPECT_EQ(worker.Result(), 23);
    }
    EXPECT_EQ(target.calls, 1);
    EXPECT_EQ(target.handledOn, QThread::currentThread());
    ProcessPendingMessages();
    EXPECT_EQ(target.calls, 1);

    // A handler that itself waits with the loop (as a precision capture does)
    // still takes the next sender's message, and each sender gets its own answer.
    std::unique_ptr<Worker> second;
    target.during = [&] {
        if (target.received.size() != 2) return;
        second = std::make_unique<Worker>([&] { return SendMessage(&target, WM_USER + 1, 100, 0); });
        pumpUntil([&] { return target.calls == 3; }, 5000);
    };
    Worker first([&] { return SendMessage(&target, WM_USER + 1, 10, 1); });
    ASSERT_TRUE(pumpUntil([&] { return first.Done() && second && second->Done(); }));
    EXPECT_EQ(first.Result(), 31);
    EXPECT_EQ(second->Result(), 300);
    EXPECT_EQ(target.calls, 3);
    target.during = nullptr;

    std::vector<std::unique_ptr<Worker>> many;
    for (int i = 0; i < 6; ++i)
        many.push_back(
            std::make_unique<Worker>([&target, i] { return SendMessage(&target, WM_USER + 1, i, 5); }));
    ASSERT_TRUE(pumpUntil([&] {
        for (const auto& w : many)
            if (!w->Done()) return false;
        return true;
    }));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(many[size_t(i)]->Result(), i * 3 + 5);
    EXPECT_EQ(target.calls, 9);
    EXPECT_EQ(PendingSendCount(), 0);
}

TEST(WindowMessages, PostsArriveInOrderPerSenderAndBeforeItsNextSend)
{
    Target target;
    constexpr int senders = 4;
    constexpr int posts = 300;
    std::vector<std::unique_ptr<Worker>> workers;
    for (int s = 0; s < senders; ++s) {
        workers.push_back(std::make_unique<Worker>([&target, s] {
            for (int i = 0; i < posts; ++i)
                PostMessage(&target, WM_USER + 3, quintptr(s), i);
            return SendMessage(&target, WM_USER + 4, quintptr(s), -1);
        }));
    }
    PostMessage(&target, 0x999, 0, 0); // not one of the window's; delivered all the same
    ASSERT_TRUE(pumpUntil([&] {
        for (const auto& w : workers)
            if (!w->Done()) return false;
        return true;
    }));
    ProcessPendingMessages();
    ASSERT_EQ(target.received.size(), size_t(senders * (posts + 1) + 1));

    std::vector<int> next(senders, 0);
    int strangers = 0;
    for (const auto& [msg, wParam, lParam] : target.received) {
        if (msg == 0x999) {
            ++strangers;
            continue;
        }
        ASSERT_LT(wParam, quintptr(senders));
        if (msg == WM_USER + 4) {
            EXPECT_EQ(next[wParam], posts) << "sender " << wParam << " sent before all its posts arrived";
            continue;
        }
        EXPECT_EQ(msg, WM_USER + 3);
        EXPECT_EQ(lParam, next[wParam]) << "sender " << wParam;
        next[wParam] = int(lParam) + 1;
    }
    EXPECT_EQ(strangers, 1);
    for (int s = 0; s < senders; ++s)
        EXPECT_EQ(workers[size_t(s)]->Result(), s * 3 - 1);
}

TEST(WindowMessages, SendersAreReleasedWhenTheTargetCannotAnswer)
{
    ASSERT_EQ(PendingSendCount(), 0);

    // From the target's own thread the handler runs at once.
    Target direct;
    EXPECT_EQ(SendMessage(&direct, WM_USER + 1, 1, 1), 4);
    EXPECT_EQ(direct.calls, 1);
    EXPECT_EQ(SendMessage(nullptr, WM_USER + 1, 1, 1), 0);

    // An object that does not handle window messages answers 0.
    QObject deaf;
    {
        Worker worker([&] { return SendMessage(&deaf, WM_USER + 1, 1, 1); });
        ASSERT_TRUE(pumpUntil([&] { return worker.Done(); }));
        EXPECT_EQ(worker.Result(), 0);
    }

    // Destroyed before its queue was handled: the sender gets 0 and goes on.
    auto* doomed = new Target;
    {
        Worker worker([&] { return SendMessage(doomed, WM_USER + 1, 9, 9); });
        ASSERT_TRUE(waitUntil([] { return PendingSendCount() == 1; }));
        delete doomed;
        EXPECT_TRUE(waitUntil([&] { return worker.Done(); }, 5000));
        EXPECT_EQ(worker.Result(), 0);
    }

    // Closed while a sender waits: released at once, the stale request is
    // dropped instead of running later, and nothing more gets through.
    Target closing;
    {
        Worker worker([&] { return SendMessage(&closing, WM_USER + 1, 2, 2); });
        ASSERT_TRUE(waitUntil([] { return PendingSendCount() == 1; }));
        CloseMessageTarget(&closing);
        EXPECT_TRUE(waitUntil([&] { return worker.Done(); }, 5000));
        EXPECT_EQ(worker.Result(), 0);
    }
    ProcessPendingMessages();
    EXPECT_EQ(closing.calls, 0);
    {
        Worker worker([&] { return SendMessage(&closing, WM_USER + 1, 2, 2); });
        EXPECT_TRUE(waitUntil([&] { return worker.Done(); }, 5000));
        EXPECT_EQ(worker.Result(), 0);
    }
    PostMessage(&closing, WM_USER + 3, 1, 0);
    EXPECT_EQ(SendMessage(&closing, WM_USER + 1, 1, 1), 0);
    ProcessPendingMessages();
    EXPECT_EQ(closing.calls, 0);
    EXPECT_EQ(PendingSendCount(), 0);

    // A later object at the same address is not closed.
    alignas(Target) unsigned char storage[sizeof(Target)];
    auto* first = new (storage) Target;
    CloseMessageTarget(first);
    first->~Target();
    auto* fresh = new (storage) Target;
    EXPECT_EQ(SendMessage(fresh, WM_USER + 1, 1, 0), 3);
    fresh->~Target();
}

TEST(WindowMessages, AClosedGateReleasesItsSenderEvenWhileTheHandlerRuns)
{
    Target target;
    TSendGate gate;

    // Waiting, not yet handled: released with 0, and the message is void.
    {
        Worker worker([&] { return SendMessage(&target, WM_USER + 1, 1, 0, &gate); });
        ASSERT_TRUE(waitUntil([&] { return PendingSendCount() == 1; }));
        gate.Close();
        ASSERT_TRUE(waitUntil([&] { return worker.Done(); }));
        EXPECT_EQ(worker.Result(), 0);
        ProcessPendingMessages();
        EXPECT_EQ(target.calls, 0);
    }
    // Closed: the next send does not wait at all.
    {
        Worker worker([&] { return SendMessage(&target, WM_USER + 1, 2, 0, &gate); });
        ASSERT_TRUE(waitUntil([&] { return worker.Done(); }));
        EXPECT_EQ(worker.Result(), 0);
    }
    // Open again, and closed from inside the handler (the window stopping the
    // pipeline while it handles the message): the sender goes on at once,
    // the handler finishes on its own.
    gate.Open();
    {
        std::unique_ptr<Worker> worker;
        bool senderFreeInsideHandler = false;
        target.during = [&] {
            gate.Close();
            senderFreeInsideHandler = waitUntil([&] { return worker->Done(); }, 5000);
        };
        worker = std::make_unique<Worker>([&] { return SendMessage(&target, WM_USER + 1, 3, 0, &gate); });
        ASSERT_TRUE(pumpUntil([&] { return target.calls == 1; }));
        EXPECT_TRUE(senderFreeInsideHandler);
        EXPECT_EQ(worker->Result(), 0);
        target.during = nullptr;
    }
    gate.Open();
    {
        Worker worker([&] { return SendMessage(&target, WM_USER + 1, 4, 1, &gate); });
        ASSERT_TRUE(pumpUntil([&] { return worker.Done(); }));
        EXPECT_EQ(worker.Result(), 13);
    }
    EXPECT_EQ(PendingSendCount(), 0);
}
