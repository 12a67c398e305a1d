#include "capture/TImageWriteQueue.h"

#include "capture/TImageWriter.h"

#include <algorithm>

TImageWriteQueue::TImageWriteQueue(size_t capacity)
    : m_capacity(std::max<size_t>(capacity, 1))
{
    m_worker = std::thread([this] { run(); });
}

TImageWriteQueue::~TImageWriteQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

bool TImageWriteQueue::Push(TJob job)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_failed || m_jobs.size() < m_capacity; });
    if (m_failed) return false;
    m_jobs.push_back(std::move(job));
    lock.unlock();
    m_changed.notify_all();
    return true;
}

bool TImageWriteQueue::Drain(QString* error, int* lost)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
    const bool failed = m_failed;
    if (error) *error = m_error;
    if (lost) *lost = m_lost;
    m_failed = false;
    m_lost = 0;
    m_error.clear();
    return !failed;
}

bool TImageWriteQueue::Failed() const
{
    std::lock_guard lock(m_mutex);
    return m_failed;
}

bool TImageWriteQueue::IsPending(const QString& path) const
{
    std::lock_guard lock(m_mutex);
    if (m_busy && m_current == path) return true;
    return std::any_of(m_jobs.begin(), m_jobs.end(), [&](const TJob& job) { return job.path == path; });
}

void TImageWriteQueue::run()
{
    // The encoder's state lives on this thread only.
    TImageWriter writer;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
        if (m_jobs.empty()) return; // quitting with nothing left
        TJob job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        m_current = job.path;
        lock.unlock();
        // A slot is free: a waiting push may go on while this one is written.
        m_changed.notify_all();

        QString error;
        const bool written = job.jpeg
            ? writer.WriteJpeg(job.image, job.path, job.quality, &error, job.exif ? &*job.exif : nullptr)
            : writer.WriteBmp(job.image, job.path, &error);
        job.image = QImage(); // the pixels go back before the pusher is told

        lock.lock();
        m_busy = false;
        m_current.clear();
        if (!written) {
            // What follows a failure is not written: the run it belongs to ends.
            m_failed = true;
            m_error = error;
            m_lost = 1 + int(m_jobs.size());
            m_jobs.clear();
        }
        m_changed.notify_all();
    }
}
