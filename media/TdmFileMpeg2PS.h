#pragma once

#include "media/TdmGraphTemplate.h"

class TdmFileMpeg2PS : public TdmGraphTemplate {
    Q_OBJECT
public:
    explicit TdmFileMpeg2PS(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFileMpeg2PS"), parent)
    {
    }
};
