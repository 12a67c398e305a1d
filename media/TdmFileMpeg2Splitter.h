#pragma once
// The second MPEG-2 program stream reader: a file source and the MPEG-2
// splitter.

#include "graph/PlatformFilters.h"
#include "media/TTemplateFilter.h"
#include "media/TdmGraphTemplate.h"

class TdmFileMpeg2Splitter : public TdmGraphTemplate
{
    Q_OBJECT
public:
    explicit TdmFileMpeg2Splitter(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFileMpeg2Splitter"), parent)
    {
    }

    TTemplateFilter FileSource { QStringLiteral("FileSource"), QStringLiteral("File Source (Async.)"),
        PlatformFilters::SoftwareMoniker(PlatformFilters::CLSID_AsyncReader) };
    TTemplateFilter splitter { QStringLiteral("splitter"), QStringLiteral("MPEG-2 Splitter"),
        PlatformFilters::SoftwareMoniker(PlatformFilters::CLSID_MPEG2Splitter) };
};
