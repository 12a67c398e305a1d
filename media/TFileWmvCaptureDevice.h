#pragma once
// ASF files (.wmv, .asf), through the ASF reader.

#include "media/TFileReaderCaptureDevice.h"
#include "media/TdmFileWmv.h"

class TFileWmvCaptureDevice final : public TFileReaderCaptureDevice
{
public:
    explicit TFileWmvCaptureDevice(const QString& path)
        : TFileWmvCaptureDevice(path, new TdmFileWmv)
    {
    }

private:
    TFileWmvCaptureDevice(const QString& path, TdmFileWmv* module)
        : TFileReaderCaptureDevice(path, std::unique_ptr<TdmGraphTemplate>(module), module->asfReader, true)
    {
    }
};
