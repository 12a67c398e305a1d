#include "filters/TBCBaseFilter.h"

#include <QObject>
#include <atomic>

namespace
{
// Written once at start on the main thread, read from streaming threads.
std::atomic<QObject*> g_mainWindow { nullptr };
} // namespace

TBCBaseFilter::TBCBaseFilter(const QString& objectName, const GUID& classId)
    : m_objectName(objectName)
    , m_classId(classId)
{
}

TBCBaseFilter::~TBCBaseFilter() = default;

HRESULT TBCBaseFilter::FindPin(const QString& id, TBCBasePin** pin)
{
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (id == QLatin1String("In"))
        *pin = GetPin(0);
    else if (id == QLatin1String("Out"))
        *pin = GetPin(1);
    return *pin ? S_OK : VFW_E_NOT_FOUND;
}

void TBCBaseFilter::SetMainWindow(QObject* window)
{
    g_mainWindow.store(window);
}

QObject* TBCBaseFilter::MainWindow()
{
    return g_mainWindow.load();
}
