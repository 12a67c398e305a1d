#pragma once
// MPEG-1 system streams and elementary MPEG video or audio.

#include "media/TFileSplitterCaptureDevice.h"
#include "media/TdmFileMpeg1.h"

class TFileMpeg1CaptureDevice final : public TFileSplitterCaptureDevice
{
public:
    explicit TFileMpeg1CaptureDevice(const QString& path)
        : TFileMpeg1CaptureDevice(path, new TdmFileMpeg1)
    {
    }

private:
    TFileMpeg1CaptureDevice(const QString& path, TdmFileMpeg1* module)
        : TFileSplitterCaptureDevice(
            path, std::unique_ptr<TdmGraphTemplate>(module), module->FileSource, module->splitter)
    {
    }
};
