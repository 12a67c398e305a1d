#pragma once
// MPEG-2 program streams, read by the MPEG-2 splitter.

#include "media/TFileSplitterCaptureDevice.h"
#include "media/TdmFileMpeg2Splitter.h"

class TFileMpeg2SplitterCaptureDevice final : public TFileSplitterCaptureDevice
{
public:
    explicit TFileMpeg2SplitterCaptureDevice(const QString& path)
        : TFileMpeg2SplitterCaptureDevice(path, new TdmFileMpeg2Splitter)
    {
    }

private:
    TFileMpeg2SplitterCaptureDevice(const QString& path, TdmFileMpeg2Splitter* module)
        : TFileSplitterCaptureDevice(
            path, std::unique_ptr<TdmGraphTemplate>(module), module->FileSource, module->splitter)
    {
    }
};
