#pragma once
// The reader for transport streams, Matroska and MP4: the separately
// installed splitter, which reads the file itself.

#include "graph/PlatformFilters.h"
#include "media/InstalledFilters.h"
#include "media/TTemplateFilter.h"
#include "media/TdmGraphTemplate.h"

class TdmFileMPEG2TS : public TdmGraphTemplate
{
    Q_OBJECT
public:
    explicit TdmFileMPEG2TS(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFileMPEG2TS"), parent)
    {
    }

    TTemplateFilter Haali { QStringLiteral("Haali"), QStringLiteral("Haali Media Splitter"),
        PlatformFilters::SoftwareMoniker(CLSID_HaaliMediaSplitter) };
};
