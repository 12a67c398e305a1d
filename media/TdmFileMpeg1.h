#pragma once
// The MPEG-1 reader: a file source and the MPEG-1 stream splitter (system
// streams and elementary MPEG video or audio).

#include "graph/PlatformFilters.h"
#include "media/TTemplateFilter.h"
#include "media/TdmGraphTemplate.h"

class TdmFileMpeg1 : public TdmGraphTemplate
{
    Q_OBJECT
public:
    explicit TdmFileMpeg1(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFileMpeg1"), parent)
    {
    }

    TTemplateFilter FileSource { QStringLiteral("FileSource"), QStringLiteral("File Source (Async.)"),
        PlatformFilters::SoftwareMoniker(PlatformFilters::CLSID_AsyncReader) };
    TTemplateFilter splitter { QStringLiteral("splitter"), QStringLiteral("MPEG-I Stream Splitter"),
        PlatformFilters::SoftwareMoniker(PlatformFilters::CLSID_MPEG1Splitter) };
};
