#pragma once

#include "support/TSidePanel.h"

class TDossiersFrame : public TSidePanel {
    Q_OBJECT
public:
    explicit TDossiersFrame(QWidget* parent);
};
