#pragma once
// The bitmap filter that the media system puts in the video chain, under the
// name "Superposer": it will draw the inlay (recording date, timecode,
// clock, image number, position, custom text) into every frame before the
// renderer and the grabs see it. For now it keeps the settings it is given
// and draws nothing.

#include "filters/TBitmapFilter.h"
#include "inlay/TincrustRec.h"

#include <QMutex>

class Tsuperposer : public TBitmapFilter
{
public:
    static constexpr GUID ClassId_Superposer { 0xE97F14A9, 0x9EB5, 0x486F,
        { 0x82, 0x35, 0xB2, 0x9F, 0x93, 0x98, 0x34, 0x33 } };

    Tsuperposer();

    // Called from the main thread; read on the streaming thread.
    void SetInlaySettings(const TincrustRec& rec);
    TincrustRec InlaySettings() const;

private:
    mutable QMutex m_settingsLock;
    TincrustRec m_settings;
};
