#pragma once
// One elementary stream of an opened file, as the source lists show it and
// the media system builds its chain from.

#include <QString>

class TCaptureDevice;
class TGraphPin;
class TNotifier;

class TavSource
{
public:
    virtual ~TavSource() = default;

    bool IsDV = false;
    TNotifier* Notifier = nullptr; // set while the media system holds the stream's chain
    TCaptureDevice* Device = nullptr;
    int32_t Number = 0; // 1-based among the streams of its kind on Device
    QString DisplayName;
    TGraphPin* Pin = nullptr; // set while the stream's chain exists

protected:
    TavSource() = default;
    // Filled only when 1 <= n <= `found`; `separator` goes between the
    // device's name and n when n > 1.
    TavSource(TCaptureDevice* device, int32_t n, int32_t found, const char* separator);
};
