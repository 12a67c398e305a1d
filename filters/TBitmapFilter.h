#pragma once
// The filter on the decoded video stream, just before the renderer: it copies
// every RGB32 frame into its own bitmap (flipped or mirrored on request), lets
// a derived class draw on that bitmap, and copies the bitmap into an output
// buffer announced at the largest picture size seen so far, so that the
// renderer needs no reconnection while pictures stay within it. The bitmap is
// what a grab saves. It also follows the playback position of the frames,
// holds the stream at the capture points of the precision intervallometer
// (WM_USER+1, sent: wParam = the capture point, all 64 bits, lParam = the
// address of Bitmap) and asks the main window to reconnect a pin when the
// picture outgrows the output (WM_USER+4, posted: lParam = pin index).

#include "filters/TBCTransformFilter.h"
#include "filters/TLockedBitmap.h"
#include "filters/TvData.h"
#include "platform/WindowMessages.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

class QPainter;

class TBitmapFilter : public TBCTransformFilter
{
public:
    static const GUID ClassId_BitmapFilter; // {2AE57AC9-12EA-41EC-8F6B-998C5126A7E5}

    TBitmapFilter();
    ~TBitmapFilter() override;

    // ---- hooks of the transform base ----
    HRESULT Transform(TMediaSample* in, TMediaSample* out) override;
    HRESULT CheckInputType(const TMediaType& mt) override;
    HRESULT QueryAccept(const TMediaType& mt) override;
    HRESULT CheckTransform(const TMediaType& in, const TMediaType& out) override;
    HRESULT DecideBufferSize(TMemAllocator& allocator, ALLOCATOR_PROPERTIES& request) override;
    HRESULT GetMediaType(int position, TMediaType& mt) override;
    HRESULT StartStreaming() override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const TMediaType& mt) override;
    // A flush or a stop releases a capture the stream is waiting for: the
    // thread flushing or stopping waits for the stream.
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    void ReleaseStreamingWaits() override;

    // ---- operations of its own ----
    // Called for every frame, with the bitmap locked, while InlayEnabled.
    virtual void DrawInlay(TLockedBitmap& bitmap);
    // The picture size announced on the output until a larger picture comes
    // (the "Max Width" and "Max Height" preferences, given by the owner;
    // 736 x 576 until then).
    void SetMaximumSize(int32_t width, int32_t height);
    // Grows MaxWidth and MaxHeight to the picture of mt and asks for the
    // reconnections that the new output size needs.
    virtual void AdaptOutputSize(const TMediaType& mt);
    virtual void SetInlayEnabled(bool on);
    // Posts WM_USER+4 to the main window: lParam 0 = input pin, 1 = output.
    virtual void RequestReconnect(int pinIndex);
    // Before the media system connects or reconnects the filter: the next
    // accepted input type gives the picture size.
    virtual void PrepareConnection();

    void SetVerticalFlip(bool on) { VerticalFlip = on; }
    void SetHorizontalMirror(bool on) { HorizontalMirror = on; }
    // 100-ns units; 0 (or less) ends precision mode. A new interval starts
    // a new run: captures count from position 0 again.
    void SetPrecisionInterval(int64_t interval);
    // What starting to stream resets, for a graph that restarts its data
    // without stopping its filters.
    void RestartRun();
    // The base the samples after the next flush are timed from, told before
    // the seek that flushes. With restartRun, precision captures count from
    // the start again at that flush: a frame of the old segment still on its
    // way must neither be timed from the new base nor use up a point.
    void ExpectFlush(int64_t base, bool restartRun);
    // What ExpectFlush asked and no flush has applied yet is applied now
    // (the seek reached no compositor); false when nothing was waiting.
    bool ApplyExpectedFlush();

    // ---- drawing primitives, for DrawInlay (they take the bitmap lock) ----
    // Font cell height := bitmap width * 28 div 720, at least 16 pixels.
    void AutoFontSize();
    // Text with its top-left corner at (x, y), outlined by `outlineSize`
    // pixels: the offsets of the (2n+1) square outside its inscribed
    // diamond, in the outline colour, then the text itself. Colours are
    // 0x00BBGGRR.
    void DrawOutlinedText(TLockedBitmap& bitmap, int x, int y, const QString& text, uint32_t textColour,
        uint32_t outlineColour, int outlineSize);
    // Line 1 with its top at y - lineHeight, line 2 with its top at y, placed
    // by alignment: 0 left edge at x, 1 centred on x, 2 right edge at x,
    // 3 centred in the picture (x unused); any other alignment draws nothing.
    // Where a line of the inlay starts for its reference point x: 0 from
    // x, 1 centred on x, 2 ending at x, 3 centred in the picture.
    static int InlayLineLeft(const TLockedBitmap& bitmap, const QString& line, int x, int alignment);
    void DrawInlayLines(TLockedBitmap& bitmap, int x, int y, int lineHeight, const QString& line1,
        const QString& line2, uint32_t textColour, uint32_t outlineColour, int outlineSize, int alignment);

    // Outline sizes above this are drawn at this size: the draw count grows
    // with the square of the size and runs on the streaming thread.
    static constexpr int MaxOutlineSize = 16;

    // ---- state ----
    // Written and read from the main and the streaming threads.
    std::atomic<int32_t> Width { 0 }; // picture size, from the input type
    std::atomic<int32_t> Height { 0 };
    std::atomic<bool> GeometryPending { true };
    std::atomic<bool> InlayEnabled { false };
    std::atomic<int32_t> MaxWidth { 0 }; // picture size announced on the output
    std::atomic<int32_t> MaxHeight { 0 };
    std::atomic<int32_t> OutputStride { 0 }; // bytes per output row
    std::atomic<bool> VerticalFlip { false };
    std::atomic<bool> HorizontalMirror { false };
    // Position of the frame being handled, and the position that sample
    // time 0 stands for (the media system writes both on seeks and starts).
    std::atomic<int64_t> CurrentPosition { 0 };
    std::atomic<int64_t> PositionBase { 0 };
    std::atomic<int64_t> NextCapture { 0 };
    std::atomic<int64_t> CaptureInterval { 0 };
    std::atomic<bool> PrecisionOn { false };
    // Stream position of the frame being handled, when it has one.
    std::atomic<int64_t> FrameStart { 0 };
    std::atomic<bool> FrameStartValid { false };

    // The current picture; lock it to read or copy it.
    TLockedBitmap Bitmap;

    // While ObserveFrames is on, called on the streaming thread for every
    // frame copied into the bitmap, with the bitmap locked, before the
    // inlay is drawn: the picture as it came, its position and its sample
    // start. Set it before any data flows.
    std::function<void(const QImage& picture, int64_t position, int64_t frameStart)> FrameObserver;
    std::atomic<bool> ObserveFrames { false };
    // Puts back a picture that an observer was given as the current frame,
    // with the inlay drawn on it anew for that frame (dv: the frame's DV
    // stamp, if it had one). False when the picture does not have the
    // bitmap's size and format.
    bool ShowStill(const QImage& picture, int64_t position, int64_t frameStart, const TDvFrameStamp* dv);

protected:
    // For derived filters with an identity of their own.
    TBitmapFilter(const QString& objectName, const GUID& classId);

    // The DV stamp of a still put back by ShowStill, for DrawInlay, which
    // cannot look it up: the stamps kept are those of the latest frames.
    // Read and written under the bitmap's lock.
    std::optional<TDvFrameStamp> StillStamp;

    // Draws one text with its top-left corner at (x, y) in colour
    // (0x00BBGGRR), on a painter open on the bitmap with its font.
    virtual void DrawTextAt(QPainter& painter, int x, int y, const QString& text, uint32_t colour);

private:
    // The output-type rule: the picture announced at MaxWidth x MaxHeight,
    // with the real picture in the rectangles at its top left.
    bool rewriteOutputType(TMediaType& mt) const;
    // A sample that starts a new format; false when its frames cannot be read.
    bool takeNewInputType(const TMediaType& type, TMediaSample* out);
    // The picture's size and row order, and the bitmap sized to them.
    void takeGeometry(int32_t width, int32_t height, bool topDown);
    void sendCaptures(int64_t frameEnd);
    // Output rows that fit in a buffer of `available` bytes, at most Height.
    int64_t outputRows(int64_t available) const;
    bool copyIntoBitmap(const uint8_t* data, int64_t available);
    void copyOutOfBitmap(uint8_t* data, int64_t available);

    // Capture messages wait behind this gate; flushes and stops close it.
    TSendGate m_captureGate;

    std::mutex m_expectLock;
    bool m_flushExpected = false;
    bool m_restartAtFlush = false;
    int64_t m_baseAtFlush = 0;

    // Whether the input rows are stored top row first (negative height in
    // the input's picture header): GStreamer frames always are.
    std::atomic<bool> m_inputTopDown { false };
};
