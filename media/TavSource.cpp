#include "media/TavSource.h"

#include "media/TAudioSource.h"
#include "media/TCaptureDevice.h"
#include "media/TDVCaptureDevice.h"
#include "media/TVideoSource.h"

TavSource::TavSource(TCaptureDevice* device, int32_t n, int32_t found, const char* separator)
{
    if (!device || n < 1 || n > found) return;
    Device = device;
    Number = n;
    DisplayName = device->DisplayName;
    if (n > 1) DisplayName += QLatin1String(separator) + QString::number(n);
    IsDV = dynamic_cast<TDVCaptureDevice*>(device) != nullptr;
}

TVideoSource::TVideoSource(TCaptureDevice* device, int32_t n)
    : TavSource(device, n, device ? device->VideoCount() : 0, " #")
{
}

TAudioSource::TAudioSource(TCaptureDevice* device, int32_t n)
    : TavSource(device, n, device ? device->AudioCount() : 0, "#")
{
}
