#pragma once

#include "support/TSidePanel.h"

class TOptionsFrame : public TSidePanel {
    Q_OBJECT
public:
    explicit TOptionsFrame(QWidget* parent);
};
