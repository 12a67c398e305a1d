#pragma once
// The base of our filters: identity, state, the filter lock, pin lookup and
// the window the filters report to.

#include "filters/TBCBasePin.h"
#include "graph/Guid.h"
#include "graph/ResultCodes.h"

#include <QRecursiveMutex>
#include <QString>

class QObject;

enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

class TBCBaseFilter
{
public:
    TBCBaseFilter(const QString& objectName, const GUID& classId);
    virtual ~TBCBaseFilter();
    TBCBaseFilter(const TBCBaseFilter&) = delete;
    TBCBaseFilter& operator=(const TBCBaseFilter&) = delete;

    const QString& ObjectName() const { return m_objectName; }
    const GUID& ClassId() const { return m_classId; }
    FILTER_STATE State() const { return m_state; }

    // Pin 0 is the input, pin 1 the output; any other index gives none.
    virtual int GetPinCount() = 0;
    virtual TBCBasePin* GetPin(int n) = 0;
    // "In" gives the input pin, "Out" the output; VFW_E_NOT_FOUND otherwise.
    HRESULT FindPin(const QString& id, TBCBasePin** pin);

    // State changes and connection run under this lock.
    QRecursiveMutex& FilterLock() { return m_filterLock; }

    // The element is about to stop and will wait for its streaming thread:
    // let go of anything that thread may be waiting for in this filter (a
    // message to the main window). Called on the stopping thread, before
    // the stream is stopped; streaming starts with it undone.
    virtual void ReleaseStreamingWaits() { }

    // The window that receives the filters' messages (the main window); one
    // for the whole process, set at start.
    static void SetMainWindow(QObject* window);
    static QObject* MainWindow();

    // Stream time: the reference-clock time at which the run started, kept
    // by the base; our filters only read it.
    int64_t StreamStartTime() const { return m_start; }
    void SetStreamStartTime(int64_t start) { m_start = start; }

protected:
    FILTER_STATE m_state = State_Stopped;

private:
    QString m_objectName;
    GUID m_classId;
    QRecursiveMutex m_filterLock;
    int64_t m_start = 0;
};
