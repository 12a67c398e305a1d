#pragma once
// The script runner: entries read from a text file.

#include "automation/TCustomScript.h"

class TScript : public TCustomScript
{
    Q_OBJECT
public:
    explicit TScript(QObject* parent = nullptr);
};
