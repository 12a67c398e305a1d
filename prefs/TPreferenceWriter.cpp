#include "prefs/TPreferenceWriter.h"

TPreferenceWriter::~TPreferenceWriter() = default;

bool TPreferenceWriter::Close()
{
    return true;
}

QString TPreferenceWriter::FailureReason() const
{
    return {};
}
