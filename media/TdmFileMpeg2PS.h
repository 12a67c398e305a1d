#pragma once
// The MPEG-2 program stream reader: a file source and the demultiplexer.

#include "graph/PlatformFilters.h"
#include "media/TTemplateFilter.h"
#include "media/TdmGraphTemplate.h"

class TdmFileMpeg2PS : public TdmGraphTemplate
{
    Q_OBJECT
public:
    explicit TdmFileMpeg2PS(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFileMpeg2PS"), parent)
    {
    }

    TTemplateFilter FileSource { QStringLiteral("FileSource"), QStringLiteral("File Source (Async.)"),
        PlatformFilters::SoftwareMoniker(PlatformFilters::CLSID_AsyncReader) };
    TTemplateFilter demux { QStringLiteral("demux"), QStringLiteral("MPEG-2 Demultiplexer"),
        PlatformFilters::SoftwareMoniker(PlatformFilters::CLSID_MPEG2Demultiplexer) };
};
