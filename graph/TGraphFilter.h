#pragma once
// A filter of a TFilterGraph: one GStreamer element (or bin) with a name in
// its graph, a class identifier and an ordered list of pins. Input pins come
// first, then output pins in the order the element made them, so "pin n"
// means the same thing from one run to the next. Our own transform filters
// take part through their adapter element, like any other element.
//
// A filter object outlives the graphs it is put into: it is held by
// shared_ptr by its owner (a recipe's template, the media system) and by the
// graph while it is in it.

#include "graph/Guid.h"
#include "graph/ResultCodes.h"
#include "graph/TGraphPin.h"
#include "graph/TMediaType.h"

#include <QMutex>
#include <QString>
#include <QWaitCondition>
#include <atomic>
#include <gst/gst.h>
#include <memory>
#include <vector>

class TFilterGraph;

class TGraphFilter
{
public:
    // Takes ownership of element (a floating reference is sunk). A file
    // source takes Load: the element, or the child of the bin, that has a
    // "location" property gets the path.
    TGraphFilter(GstElement* element, const GUID& classId, bool fileSource = false);
    ~TGraphFilter();
    TGraphFilter(const TGraphFilter&) = delete;
    TGraphFilter& operator=(const TGraphFilter&) = delete;

    // A new filter made from a GStreamer factory; nullptr when the factory
    // is not installed.
    static std::shared_ptr<TGraphFilter> FromFactory(const char* factory, const GUID& classId = GUID_NULL);

    // Marks an element that takes only pushed data on its inputs, so that
    // nothing upstream of it, once in a graph, chooses to pull through it.
    static void MarkPushOnly(GstElement* element);

    // The filter an element belongs to, or nullptr.
    static TGraphFilter* FromElement(GstElement* element);

    GstElement* Element() const { return m_element; }
    const GUID& ClassId() const { return m_classId; }
    // The name it was added under; empty while it is in no graph.
    QString Name() const { return m_name; }
    TFilterGraph* Graph() const { return m_graph; }

    // The pins now present, in order.
    std::vector<TGraphPin*> Pins() const;
    TGraphPin* Pin(int n) const;
    TGraphPin* FindPinByName(const QString& name) const;
    bool HasConnectedPin(PIN_DIRECTION direction) const;
    bool HasConnectedPin() const;

    // The file reading interface. E_NOINTERFACE for a filter that reads no
    // file. The file must exist and be readable (HRESULT of ERROR_FILE_NOT_FOUND
    // otherwise). A reader whose outputs are the streams (a file reader with
    // its own splitter) reads the headers here when it is in a graph, so that
    // its output pins exist when Load returns; a file it cannot read fails
    // with VFW_E_UNSUPPORTED_STREAM and leaves no pins.
    HRESULT Load(const QString& path, const TMediaType* mt = nullptr);
    bool IsFileSource() const { return m_fileSource; }
    QString LoadedPath() const { return m_path; }
    // True for a filter that makes its output pins only once it reads data.
    bool HasDynamicOutputs() const;
    // For bins that make their outputs late without saying so in templates.
    void SetDynamicOutputs(bool on) { m_dynamic = on; }

    // A description of the last error the element reported, for diagnostics.
    QString LastError() const;

private:
    friend class TFilterGraph;
    friend class TGraphPin;

    static void onPadAdded(GstElement*, GstPad* pad, gpointer self);
    static void onPadRemoved(GstElement*, GstPad* pad, gpointer self);
    static void onNoMorePads(GstElement*, gpointer self);
    static GstPadProbeReturn onSchedulingQuery(GstPad*, GstPadProbeInfo* info, gpointer);
    static GstPadProbeReturn onOutputData(GstPad* pad, GstPadProbeInfo* info, gpointer pin);

    TGraphPin* addPin(GstPad* pad); // under m_lock
    void installProbe(TGraphPin* pin);
    void removeProbe(TGraphPin* pin);
    void removeRendererProbe(TGraphPin* pin);
    void removeDecodedProbe(); // under m_lock
    // While on, data and events that would wait at an unconnected output
    // are dropped instead, and whatever waits there now is let go.
    void setReleasingHeld(bool on);
    // Splitter read-ahead bookkeeping, reset each time the filter starts.
    void resetScan();
    void markScanDone();

    GstElement* m_element;
    GUID m_classId;
    bool m_fileSource;
    QString m_path;
    QString m_name;
    TFilterGraph* m_graph = nullptr;
    bool m_live = false; // unlocked and following the graph's state
    // A video decoder's output before conversion, and the graph's probe
    // there that drops the frames a seek decodes before its target.
    GstPad* m_decodedPad = nullptr;
    gulong m_decodedProbe = 0;
    GstPad* m_codedPad = nullptr; // its input, where the graph counts what goes in
    gulong m_codedProbe = 0;
    // How far the segment going into the decoder was moved back so that it
    // puts out frames before a seek's target; what comes out is moved
    // forward again by as much. 0 when the segment went in as it was.
    std::atomic<gint64> m_widenedBy { 0 };
    bool m_loaded = false; // a reader that read its file
    bool m_dynamic = false;

    // Taken by the UI thread and by probes and signals on streaming threads.
    // Lock order: this lock, then the graph's waiters' lock; never held
    // while calling into GStreamer in a way that waits for a streaming
    // thread, nor while sending a window message.
    mutable QMutex m_lock;
    QWaitCondition m_changed;
    std::vector<std::unique_ptr<TGraphPin>> m_allPins; // every pin ever made: pointers stay valid
    std::vector<TGraphPin*> m_pins;
    bool m_noMorePads = false;
    bool m_scanDone = false;
    bool m_failed = false;
    bool m_releasingHeld = false;
    QString m_error;
    QString m_errorDetail; // the element's own debugging text, for the log
    // The failure was a refused type on a link (not-negotiated), which a
    // link changed under flowing data gives until the data restarts.
    bool m_failedNegotiating = false;
    // Every failure came while the data restarted after the graph was built:
    // it may be about data from before the restart (an end of stream a
    // parser got before any frame, the stream having been read to its end
    // while its pins were found).
    bool m_failedRestarting = false;
    GstClockTime m_scanFirst = GST_CLOCK_TIME_NONE;
    guint64 m_scanBytes = 0;
    GstClockTime m_startTime = GST_CLOCK_TIME_NONE; // stream time of the first segment
    // An output told where its stream starts (a segment of any kind) or
    // that it ended, since the filter was brought up.
    bool m_startTold = false;
    gulong m_signals[3] = {};
};
