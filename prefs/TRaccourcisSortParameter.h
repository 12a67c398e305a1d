#pragma once

#include "prefs/TByteParameter.h"

// The sort column of the shortcuts window, 0 to 3.
class TRaccourcisSortParameter : public TByteParameter
{
public:
    using TByteParameter::TByteParameter;
};
