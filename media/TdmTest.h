#pragma once

#include "media/TdmGraphTemplate.h"

class TdmTest : public TdmGraphTemplate {
    Q_OBJECT
public:
    explicit TdmTest(QObject* parent = nullptr)
        : TdmGraphTemplate(QStringLiteral("dmTest"), parent)
    {
    }
};
