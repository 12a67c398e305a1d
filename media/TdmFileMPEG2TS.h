#pragma once

#include "media/TdmGraphTemplate.h"

class TdmFileMPEG2TS : public TdmGraphTemplate {
    Q_OBJECT
public:
    explicit TdmFileMPEG2TS(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmFileMPEG2TS"), parent)
    {
    }
};
