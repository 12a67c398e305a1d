#pragma once

#include "support/TSidePanel.h"

class TExtraireFrame : public TSidePanel {
    Q_OBJECT
public:
    explicit TExtraireFrame(QWidget* parent);
};
