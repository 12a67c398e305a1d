#pragma once

#include "media/TdmGraphTemplate.h"

class TdmFileMpeg1 : public TdmGraphTemplate {
    Q_OBJECT
public:
    explicit TdmFileMpeg1(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFileMpeg1"), parent)
    {
    }
};
