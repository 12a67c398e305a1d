#pragma once

#include "media/TdmGraphTemplate.h"

class TdmFileUnknown : public TdmGraphTemplate {
    Q_OBJECT
public:
    explicit TdmFileUnknown(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFileUnknown"), parent)
    {
    }
};
