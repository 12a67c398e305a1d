#pragma once

#include "media/TdmGraphTemplate.h"

class TdmFileMpeg2Splitter : public TdmGraphTemplate {
    Q_OBJECT
public:
    explicit TdmFileMpeg2Splitter(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFileMpeg2Splitter"), parent)
    {
    }
};
