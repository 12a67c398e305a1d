#pragma once
// A plain command: one handler, Onexecute, run whatever the state.

#include "automation/TCustomSuperAction.h"

class TSuperAction : public TCustomSuperAction
{
    Q_OBJECT
public:
    explicit TSuperAction(QObject* parent = nullptr);
};
