#include "prefs/TPreferenceReader.h"

TPreferenceReader::~TPreferenceReader() = default;
