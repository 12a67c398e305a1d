#pragma once

#include "media/TdmGraphTemplate.h"

class TdmFileWmv : public TdmGraphTemplate {
    Q_OBJECT
public:
    explicit TdmFileWmv(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFileWmv"), parent)
    {
    }
};
