#pragma once
// AVI files, DV ones of both layouts included.

#include "media/TFileSplitterCaptureDevice.h"
#include "media/TdmFileAvi.h"

class TFileAviCaptureDevice final : public TFileSplitterCaptureDevice
{
public:
    explicit TFileAviCaptureDevice(const QString& path)
        : TFileAviCaptureDevice(path, new TdmFileAvi)
    {
    }

private:
    TFileAviCaptureDevice(const QString& path, TdmFileAvi* module)
        : TFileSplitterCaptureDevice(
            path, std::unique_ptr<TdmGraphTemplate>(module), module->FileSource, module->avisplitter)
    {
    }
};
