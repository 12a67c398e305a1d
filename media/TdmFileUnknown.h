#pragma once
// The reader of last resort. Its file source is not used by the recipe,
// which lets the platform build the whole graph from the file.

#include "graph/PlatformFilters.h"
#include "media/TTemplateFilter.h"
#include "media/TdmGraphTemplate.h"

class TdmFileUnknown : public TdmGraphTemplate
{
    Q_OBJECT
public:
    explicit TdmFileUnknown(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFileUnknown"), parent)
    {
    }

    TTemplateFilter FileSource { QStringLiteral("FileSource"), QStringLiteral("File Source (Async.)"),
        PlatformFilters::SoftwareMoniker(PlatformFilters::CLSID_AsyncReader) };
};
