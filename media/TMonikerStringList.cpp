#include "media/TMonikerStringList.h"

#include "graph/CapsMediaType.h"
#include "graph/PlatformFilters.h"
#include "media/InstalledFilters.h"

#include <algorithm>
#include <gst/gst.h>

namespace
{
bool templateTakes(GstElementFactory* factory, GstPadDirection direction, const GstCaps* caps, bool exact)
{
    for (const GList* t = gst_element_factory_get_static_pad_templates(factory); t; t = t->next) {
        auto* templ = static_cast<GstStaticPadTemplate*>(t->data);
        if (templ->direction != direction) continue;
        GstCaps* offered = gst_static_pad_template_get_caps(templ);
        const bool takes = !(exact && gst_caps_is_any(offered)) && gst_caps_can_intersect(offered, caps);
        gst_caps_unref(offered);
        if (takes) return true;
    }
    return false;
}

// The separately installed decoders are filters of the platform, not
// GStreamer factories: they are asked what their input takes.
struct TInstalledDecoder {
    const GUID* clsid;
    const QString* name;
    const bool* present;
    const char* kind; // what their output is
};
const TInstalledDecoder InstalledDecoders[] = {
    { &CLSID_FfdshowVideoDecoder, &FfdshowVideoName, &FfdshowVideoPresent, "video/x-raw" },
    { &CLSID_FfdshowAudioDecoder, &FfdshowAudioName, &FfdshowAudioPresent, "audio/x-raw" },
};

bool installedDecoderTakes(const TInstalledDecoder& d, const GstCaps* input, const GstCaps* output)
{
    if (!*d.present || !gst_structure_has_name(gst_caps_get_structure(output, 0), d.kind)) return false;
    std::shared_ptr<TGraphFilter> filter = PlatformFilters::Create(*d.clsid);
    if (!filter) return false;
    GstPad* sink = gst_element_get_static_pad(filter->Element(), "sink");
    if (!sink) return false;
    GstCaps* takes = gst_pad_query_caps(sink, nullptr);
    const bool yes = gst_caps_can_intersect(takes, input);
    gst_caps_unref(takes);
    gst_object_unref(sink);
    return yes;
}

QString friendlyNameOf(const QString& moniker)
{
    for (const TInstalledDecoder& d : InstalledDecoders)
        if (moniker.compare(PlatformFilters::SoftwareMoniker(*d.clsid), Qt::CaseInsensitive) == 0)
            return *d.name;
    const QString factory = PlatformFilters::DecoderFactoryOfMoniker(moniker);
    if (factory.isEmpty()) return QString();
    GstElementFactory* f = gst_element_factory_find(factory.toUtf8().constData());
    if (!f) return QString();
    const QString name
        = QString::fromUtf8(gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_LONGNAME));
    gst_object_unref(f);
    return name;
}
} // namespace

bool TMonikerStringList::HoldsEveryWord(const QString& friendlyName, const QStringList& words)
{
    for (const QString& word : words)
        if (!friendlyName.contains(word, Qt::CaseInsensitive)) return false;
    return true;
}

bool TMonikerStringList::IsRefused(const QString& friendlyName)
{
    // That maker's decoders stay out of the lists, whatever they say they take.
    return friendlyName.contains(QStringLiteral("nero"), Qt::CaseInsensitive);
}

int32_t TMonikerStringList::NumberFor(const QString& friendlyName, const QStringList& displayNames)
{
    if (!displayNames.contains(friendlyName)) return 1;
    int32_t n = 2;
    while (displayNames.contains(friendlyName + QLatin1Char('#') + QString::number(n)))
        ++n;
    return n;
}

void TMonikerStringList::FillMatching(const GUID& inMajor, const GUID& inSub, const GUID& outMajor,
    const GUID& outSub, const QStringList& words, bool exact)
{
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    GstCaps* input = CapsForSubtype(inMajor, inSub);
    GstCaps* output = CapsForSubtype(outMajor, outSub);
    if (!input || !output) {
        if (input) gst_caps_unref(input);
        if (output) gst_caps_unref(output);
        return;
    }
    // A decoder filter puts a converter behind its decoder: any raw output
    // of the right kind gives the type asked for.
    GstCaps* raw = gst_caps_new_empty_simple(gst_structure_get_name(gst_caps_get_structure(output, 0)));
    gst_caps_unref(output);
    GList* factories = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_DECODER, GST_RANK_NONE);
    factories = g_list_sort(factories, gst_plugin_feature_rank_compare_func);
    for (GList* l = factories; l; l = l->next) {
        auto* f = GST_ELEMENT_FACTORY(l->data);
        // Decoders of a device may be registered where no device answers;
        // the chains never pick them either.
        if (gst_element_factory_list_is_type(f, GST_ELEMENT_FACTORY_TYPE_HARDWARE)) continue;
        if (!templateTakes(f, GST_PAD_SINK, input, exact) || !templateTakes(f, GST_PAD_SRC, raw, exact))
            continue;
        const QString name
            = QString::fromUtf8(gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_LONGNAME));
        if (!HoldsEveryWord(name, words)) continue;
        AddMoniker(PlatformFilters::DecoderMoniker(
            QString::fromUtf8(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)))));
    }
    gst_plugin_feature_list_free(factories);
    for (const TInstalledDecoder& d : InstalledDecoders)
        if (installedDecoderTakes(d, input, raw) && HoldsEveryWord(*d.name, words))
            AddMoniker(PlatformFilters::SoftwareMoniker(*d.clsid));
    gst_caps_unref(input);
    gst_caps_unref(raw);
}

bool TMonikerStringList::AddMoniker(const QString& moniker)
{
    for (const auto& e : m_entries)
        if (e->Moniker.compare(moniker, Qt::CaseInsensitive) == 0) return false;
    const QString friendlyName = friendlyNameOf(moniker);
    if (friendlyName.isEmpty() || IsRefused(friendlyName)) return false;
    if (!PlatformFilters::CreateFromMoniker(moniker)) return false;
    auto entry = std::make_unique<TMonikerClass>();
    entry->Moniker = moniker;
    entry->FriendlyName = friendlyName;
    entry->Number = NumberFor(friendlyName, Names());
    insert(std::move(entry));
    return true;
}

void TMonikerStringList::insert(std::unique_ptr<TMonikerClass> entry)
{
    const QString name = entry->DisplayName();
    auto at = std::upper_bound(m_entries.begin(), m_entries.end(), name,
        [](const QString& n, const std::unique_ptr<TMonikerClass>& e) {
            return QString::compare(n, e->DisplayName(), Qt::CaseInsensitive) < 0;
        });
    m_entries.insert(at, std::move(entry));
}

void TMonikerStringList::Clear()
{
    m_entries.clear();
}

QStringList TMonikerStringList::Names() const
{
    QStringList names;
    for (const auto& e : m_entries)
        names.append(e->DisplayName());
    return names;
}

const TMonikerClass* TMonikerStringList::Entry(int index) const
{
    return index >= 0 && index < Count() ? m_entries[size_t(index)].get() : nullptr;
}

const TMonikerClass* TMonikerStringList::Find(const QString& displayName) const
{
    for (const auto& e : m_entries)
        if (e->DisplayName() == displayName) return e.get();
    return nullptr;
}
