#include "prefs/TPreferenceWriter.h"

TPreferenceWriter::~TPreferenceWriter() = default;

bool TPreferenceWriter::Close()
{
    return true;
}
