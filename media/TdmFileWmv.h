#pragma once
// The ASF reader, which reads the file itself.

#include "graph/PlatformFilters.h"
#include "media/TTemplateFilter.h"
#include "media/TdmGraphTemplate.h"

class TdmFileWmv : public TdmGraphTemplate
{
    Q_OBJECT
public:
    explicit TdmFileWmv(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFileWmv"), parent)
    {
    }

    TTemplateFilter asfReader { QStringLiteral("asfReader"), QStringLiteral("WM ASF Reader"),
        PlatformFilters::SoftwareMoniker(PlatformFilters::CLSID_WMAsfReader) };
};
