#pragma once

#include "support/TSidePanel.h"

class TSourcesFrame : public TSidePanel {
    Q_OBJECT
public:
    explicit TSourcesFrame(QWidget* parent);
};
