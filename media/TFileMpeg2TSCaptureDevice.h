#pragma once
// Transport streams (.ts, .m2ts, .mts), Matroska and MP4-family files,
// through the separately installed splitter; unusable without it.

#include "media/InstalledFilters.h"
#include "media/TFileReaderCaptureDevice.h"
#include "media/TdmFileMPEG2TS.h"

class TFileMpeg2TSCaptureDevice final : public TFileReaderCaptureDevice
{
public:
    explicit TFileMpeg2TSCaptureDevice(const QString& path)
        : TFileMpeg2TSCaptureDevice(path, new TdmFileMPEG2TS)
    {
    }

private:
    TFileMpeg2TSCaptureDevice(const QString& path, TdmFileMPEG2TS* module)
        : TFileReaderCaptureDevice(
            path, std::unique_ptr<TdmGraphTemplate>(module), module->Haali, HaaliPresent)
    {
    }
};
