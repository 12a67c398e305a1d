#pragma once
// The video renderer at the end of the video chain: a sink of the graph that
// takes RGB32 frames on the streaming thread and hands the latest one to the
// UI thread, where the video window draws it. A frame is never copied: the
// image handed over is a view on the GStreamer buffer, cut to the real
// picture (the compositor announces a larger picture and fills its top
// left), and the buffer lives as long as some image refers to it.
//
// While paused, the frame at the position (the preroll) is handed over too,
// so the window shows where a seek or a step landed.

#include "graph/TGraphFilter.h"

#include <QImage>
#include <QMutex>
#include <QObject>
#include <atomic>
#include <functional>
#include <gst/app/gstappsink.h>
#include <memory>

inline constexpr GUID CLSID_VideoMixingRenderer9 { 0x51B4ABF3, 0x748F, 0x4E3B,
    { 0xA2, 0x76, 0xC8, 0x28, 0x33, 0x0E, 0x92, 0x6A } };

class TVideoRenderer : public QObject
{
    Q_OBJECT
public:
    explicit TVideoRenderer(QObject* parent = nullptr);
    ~TVideoRenderer() override;

    // The renderer as a filter of a graph.
    const std::shared_ptr<TGraphFilter>& Filter() const { return m_filter; }

    // Size of the real picture inside each frame, asked on the streaming
    // thread for every frame; the whole frame when not set.
    void SetPictureSize(std::function<QSize()> size);

    // The window shows nothing until the next frame.
    void Hide();
    // Shows a picture that did not come through the sink (a frame kept from
    // earlier), as the sink's frames are shown.
    void ShowStill(const QImage& frame, int64_t time);

    // The latest frame handed to the UI thread (null before the first).
    QImage LastFrame() const;
    // Frames handed over since creation (on the UI thread).
    int FrameCount() const { return m_frames.load(); }
    // Frames received since creation, counted on the streaming thread as
    // they arrive (prerolls included): whether a seek brought a frame.
    uint64_t ReceivedCount() const { return m_received.load(); }
    // The presentation time of the latest frame, in 100-ns units of its
    // stream time; -1 before the first.
    int64_t LastFrameTime() const { return m_lastTime.load(); }

signals:
    // On the UI thread, at most once per event-loop turn: the latest frame.
    void FrameReady(const QImage& frame);

private:
    static GstFlowReturn onSample(GstAppSink* sink, gpointer self);
    static GstFlowReturn onPreroll(GstAppSink* sink, gpointer self);
    void take(GstSample* sample);
    void deliver();

    std::shared_ptr<TGraphFilter> m_filter;
    std::function<QSize()> m_pictureSize;
    mutable QMutex m_lock;
    QImage m_pending;
    int64_t m_pendingTime = -1;
    QImage m_last;
    std::atomic<bool> m_posted { false };
    std::atomic<int> m_frames { 0 };
    std::atomic<uint64_t> m_received { 0 };
    std::atomic<int64_t> m_lastTime { -1 };
};
