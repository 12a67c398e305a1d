#include "media/TVideoRenderer.h"

#include "graph/TFilterGraph.h"

#include <QMetaObject>
#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

namespace
{
struct MappedFrame {
    GstSample* sample;
    GstVideoFrame frame;
};

void releaseFrame(void* data)
{
    auto* mapped = static_cast<MappedFrame*>(data);
    gst_video_frame_unmap(&mapped->frame);
    gst_sample_unref(mapped->sample);
    delete mapped;
}
} // namespace

TVideoRenderer::TVideoRenderer(QObject* parent)
    : QObject(parent)
{
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    if (!sink) return;
    GstCaps* caps = gst_caps_from_string("video/x-raw,format={BGRx,BGRA}");
    g_object_set(sink, "caps", caps, "sync", TRUE, "max-buffers", 1u, "enable-last-sample", FALSE, nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks {};
    callbacks.new_sample = onSample;
    callbacks.new_preroll = onPreroll;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    m_filter = std::make_shared<TGraphFilter>(sink, CLSID_VideoMixingRenderer9);
}

TVideoRenderer::~TVideoRenderer()
{
    if (m_filter) {
        if (m_filter->Graph()) m_filter->Graph()->RemoveFilter(m_filter.get());
        GstAppSinkCallbacks none {};
        gst_app_sink_set_callbacks(GST_APP_SINK(m_filter->Element()), &none, nullptr, nullptr);
    }
}

void TVideoRenderer::SetPictureSize(std::function<QSize()> size)
{
    QMutexLocker lock(&m_lock);
    m_pictureSize = std::move(size);
}

QImage TVideoRenderer::LastFrame() const
{
    QMutexLocker lock(&m_lock);
    return m_last;
}

GstFlowReturn TVideoRenderer::onSample(GstAppSink* sink, gpointer self)
{
    if (GstSample* sample = gst_app_sink_pull_sample(sink)) static_cast<TVideoRenderer*>(self)->take(sample);
    return GST_FLOW_OK;
}

GstFlowReturn TVideoRenderer::onPreroll(GstAppSink* sink, gpointer self)
{
    if (GstSample* sample = gst_app_sink_pull_preroll(sink)) static_cast<TVideoRenderer*>(self)->take(sample);
    return GST_FLOW_OK;
}

void TVideoRenderer::take(GstSample* pulled)
{
    // The sink reuses the sample it hands out and writes into it after a
    // flush: keep a sample of our own (the same buffer, no pixel copied).
    GstSample* sample = gst_sample_new(
        gst_sample_get_buffer(pulled), gst_sample_get_caps(pulled), gst_sample_get_segment(pulled), nullptr);
    gst_sample_unref(pulled);
    ++m_received;
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    auto* mapped = new MappedFrame { sample, {} };
    if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample))
        || !gst_video_frame_map(&mapped->frame, &info, buffer, GST_MAP_READ)) {
        gst_sample_unref(sample);
        delete mapped;
        return;
    }
    int width = GST_VIDEO_FRAME_WIDTH(&mapped->frame);
    int height = GST_VIDEO_FRAME_HEIGHT(&mapped->frame);
    std::function<QSize()> pictureSize;
    {
        QMutexLocker lock(&m_lock);
        pictureSize = m_pictureSize;
    }
    if (pictureSize) {
        const QSize real = pictureSize();
        if (real.width() > 0 && real.height() > 0) {
            width = std::min(width, real.width());
            height = std::min(height, real.height());
        }
    }
    QImage image(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&mapped->frame, 0)), width, height,
        GST_VIDEO_FRAME_PLANE_STRIDE(&mapped->frame, 0), QImage::Format_RGB32, releaseFrame, mapped);
    GstSegment* segment = gst_sample_get_segment(sample);
    int64_t time = -1;
    if (segment && GST_BUFFER_PTS_IS_VALID(buffer)) {
        const guint64 stream = gst_segment_to_stream_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
        if (stream != guint64(-1)) time = int64_t(stream / 100);
    }
    {
        QMutexLocker lock(&m_lock);
        m_pending = std::move(image);
        m_pendingTime = time;
    }
    // One posted delivery at a time: at maximum speed the window only
    // ever draws the latest frame.
    if (!m_posted.exchange(true))
        QMetaObject::invokeMethod(
            this, [this] { deliver(); }, Qt::QueuedConnection);
}

void TVideoRenderer::deliver()
{
    m_posted = false;
    QImage frame;
    {
        QMutexLocker lock(&m_lock);
        if (m_pending.isNull()) return;
        m_last = std::move(m_pending);
        m_pending = QImage();
        m_lastTime = m_pendingTime;
        frame = m_last;
    }
    ++m_frames;
    emit FrameReady(frame);
}

void TVideoRenderer::ShowStill(const QImage& frame, int64_t time)
{
    {
        QMutexLocker lock(&m_lock);
        m_last = frame;
        m_pending = QImage();
        m_lastTime = time;
    }
    ++m_frames;
    emit FrameReady(frame);
}

void TVideoRenderer::Hide()
{
    {
        QMutexLocker lock(&m_lock);
        m_last = QImage();
        m_pending = QImage();
    }
    emit FrameReady(QImage());
}
