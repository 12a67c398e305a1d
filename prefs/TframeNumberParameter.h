#pragma once

#include "prefs/TByteParameter.h"

// The number of a side panel of the main window.
class TframeNumberParameter : public TByteParameter
{
public:
    using TByteParameter::TByteParameter;
};
