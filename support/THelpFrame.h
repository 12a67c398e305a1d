#pragma once

#include "support/TSidePanel.h"

class THelpFrame : public TSidePanel
{
    Q_OBJECT
public:
    explicit THelpFrame(QWidget* parent);
};
