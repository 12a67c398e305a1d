#pragma once

#include "media/TdmGraphTemplate.h"

class TdmFile : public TdmGraphTemplate {
    Q_OBJECT
public:
    explicit TdmFile(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFile"), parent)
    {
    }
};
