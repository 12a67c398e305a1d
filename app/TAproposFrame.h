#pragma once

#include "support/TSidePanel.h"

class TAproposFrame : public TSidePanel
{
    Q_OBJECT
public:
    explicit TAproposFrame(QWidget* parent);
};
