#pragma once
// A pin of a filter in a TFilterGraph: one GStreamer pad seen the platform's
// way, with its direction, category, media type and connected peer. Pins are
// made and owned by their filter; a pin stays valid for as long as its
// filter lives, even after its pad went away (it is then simply unusable:
// Pad() is null and it is no longer listed).

#include "graph/Guid.h"
#include "graph/PinDirection.h"
#include "graph/ResultCodes.h"
#include "graph/TMediaType.h"

#include <QString>
#include <atomic>
#include <gst/gst.h>

class TGraphFilter;

// The category that capture filters give their capture pins.
inline constexpr GUID PIN_CATEGORY_CAPTURE { 0xFB6C4281, 0x0353, 0x11D1,
    { 0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA } };

class TGraphPin
{
public:
    TGraphPin(TGraphFilter* filter, GstPad* pad);
    ~TGraphPin();
    TGraphPin(const TGraphPin&) = delete;
    TGraphPin& operator=(const TGraphPin&) = delete;

    TGraphFilter* Filter() const { return m_filter; }
    PIN_DIRECTION Direction() const { return m_direction; }
    QString Name() const { return m_name; }
    // No pin of this layer has a category except those that say so.
    const GUID& Category() const { return m_category; }
    void SetCategory(const GUID& category) { m_category = category; }

    // The pad, or nullptr once the element took it away.
    GstPad* Pad() const { return m_pad; }
    bool IsConnected() const { return m_peer != nullptr; }
    TGraphPin* ConnectedTo() const { return m_peer; }

    // The negotiated type; VFW_E_NOT_CONNECTED when the pin is not
    // connected, E_FAIL when its caps have no record.
    HRESULT ConnectionMediaType(TMediaType& out) const;
    // The type the pin carries or would carry: the caps already announced on
    // it (a splitter's output pins know them once the splitter read the
    // headers), or else the first type it can produce or accept.
    bool PreferredMediaType(TMediaType& out) const;
    // True when one of the types the pin offers has this major type and, when
    // subtype is not GUID_NULL, this subtype.
    bool OffersType(const GUID& majortype, const GUID& subtype = GUID_NULL) const;
    // The caps the pin carries (current), or else can carry (query); owned by
    // the caller; nullptr when the pad is gone.
    GstCaps* Caps() const;

private:
    friend class TFilterGraph;
    friend class TGraphFilter;

    TGraphFilter* m_filter;
    // Cleared (on the element's streaming thread) when the element removes
    // the pad; the pad itself is kept until the pin goes, so a pointer the UI
    // thread read just before stays valid.
    std::atomic<GstPad*> m_pad;
    GstPad* m_heldPad;
    PIN_DIRECTION m_direction;
    QString m_name;
    GUID m_category;
    TGraphPin* m_peer = nullptr;
    gulong m_probe = 0; // the hold-or-drop probe of an unconnected output
    gulong m_renderProbe = 0; // a renderer's input: drops what precedes a seek
    // The output negotiated its type while unconnected and its new peer
    // refuses it: what it sends is dropped until it has chosen again.
    bool m_staleCaps = false;
};
