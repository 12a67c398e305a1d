#pragma once
// The AVI reader: a file source and the AVI splitter.

#include "graph/PlatformFilters.h"
#include "media/TTemplateFilter.h"
#include "media/TdmGraphTemplate.h"

class TdmFileAvi : public TdmGraphTemplate
{
    Q_OBJECT
public:
    explicit TdmFileAvi(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFile"), parent)
    {
    }

    TTemplateFilter FileSource { QStringLiteral("FileSource"), QStringLiteral("File Source (Async.)"),
        PlatformFilters::SoftwareMoniker(PlatformFilters::CLSID_AsyncReader) };
    TTemplateFilter avisplitter { QStringLiteral("avisplitter"), QStringLiteral("AVI Splitter"),
        PlatformFilters::SoftwareMoniker(PlatformFilters::CLSID_AviSplitter) };
};
