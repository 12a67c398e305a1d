#pragma once
// Encodes and writes the images of a run on a thread of its own, so that the
// window can take the next frame while the previous one is compressed.
//
// Images are written one after the other in the order they were pushed, each
// through TImageWriter (a complete file or none). The queue is bounded: a push
// waits while `capacity` images are waiting, which holds the stream back when
// the disk or the encoder is slower than the decoder. The first failure ends
// the queue's work: the images pushed after it are dropped unwritten, and the
// failure is kept until `Drain` hands it over. The worker never waits for the
// thread that pushes, so that thread may block on it.

#include "capture/TExifBlock.h"

#include <QImage>
#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

class TImageWriteQueue
{
public:
    struct TJob {
        QImage image;
        QString path;
        bool jpeg = true;
        int quality = 50;
        std::optional<TExifBlock> exif; // for a JPEG: its EXIF block
    };

    explicit TImageWriteQueue(size_t capacity = 3);
    // Writes what is queued, then ends the worker.
    ~TImageWriteQueue();
    TImageWriteQueue(const TImageWriteQueue&) = delete;
    TImageWriteQueue& operator=(const TImageWriteQueue&) = delete;

    // False, without queuing, once a failure has ended the work.
    bool Push(TJob job);
    // Waits until every queued image is written or dropped. Returns false when
    // a failure happened since the last drain, with its text in `error` and the
    // number of images left unwritten (the failed one included) in `lost`;
    // the queue then takes new images again.
    bool Drain(QString* error = nullptr, int* lost = nullptr);
    // True once an image failed (and until the next drain).
    bool Failed() const;
    // True while an image for `path` is queued or being written: for the
    // question whether a name is taken, it counts as an existing file.
    bool IsPending(const QString& path) const;

private:
    void run();

    const size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<TJob> m_jobs;
    QString m_current; // the path being written, outside the queue
    bool m_busy = false;
    bool m_failed = false;
    bool m_quit = false;
    int m_lost = 0;
    QString m_error;
    std::thread m_worker;
};
