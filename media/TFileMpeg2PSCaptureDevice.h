#pragma once
// MPEG-2 program streams, read by the demultiplexer.

#include "media/TFileSplitterCaptureDevice.h"
#include "media/TdmFileMpeg2PS.h"

class TFileMpeg2PSCaptureDevice final : public TFileSplitterCaptureDevice
{
public:
    explicit TFileMpeg2PSCaptureDevice(const QString& path)
        : TFileMpeg2PSCaptureDevice(path, new TdmFileMpeg2PS)
    {
    }

private:
    TFileMpeg2PSCaptureDevice(const QString& path, TdmFileMpeg2PS* module)
        : TFileSplitterCaptureDevice(
            path, std::unique_ptr<TdmGraphTemplate>(module), module->FileSource, module->demux)
    {
    }
};
