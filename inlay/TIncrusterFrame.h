#pragma once

#include "support/TSidePanel.h"

class TIncrusterFrame : public TSidePanel
{
    Q_OBJECT
public:
    explicit TIncrusterFrame(QWidget* parent);
};
