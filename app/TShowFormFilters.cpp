// The main window's part in the filters: the check of the required ones at
// start, the missing-filter warning, and the choice of the MPEG decoders.

#include "app/DirectXVersion.h"
#include "app/TOptionsFrame.h"
#include "app/TShowForm.h"
#include "graph/MediaRuntime.h"
#include "graph/MediaTypeGuids.h"
#include "graph/PlatformFilters.h"
#include "media/InstalledFilters.h"
#include "media/TFiltresWarningForm.h"
#include "media/TRequiredFilters.h"
#include "platform/SystemVersion.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TWideStringParameter.h"
#include "support/Product.h"
#include "support/THelpFrame.h"
#include "support/TLinkEdit.h"
#include "support/TLinkMarkup.h"
#include "support/TSystemInformation.h"

#include <QComboBox>
#include <QLabel>
#include <QTimer>

THelpFrame* TShowForm::HelpFrame() const
{
    return static_cast<THelpFrame*>(Panel(5));
}

void TShowForm::CheckRequiredFilters()
{
    TSystemInformation::Begin(TSystemVersion::Text(), DirectXVersion(), MediaRuntimeVersion());
    const std::vector<TRequiredFilters::TResult> results = TRequiredFilters::Check();
    for (const TRequiredFilters::TResult& r : results)
        TSystemInformation::AddLine(r.Line());
    const QStringList& lines = TSystemInformation::Lines();
    if (THelpFrame* help = HelpFrame())
        help->FilterList->SetRichText(TRequiredFilters::HelpMarkup(lines.value(0), lines.value(1), results));
}

void TShowForm::ShowFiltersWarning()
{
    if (ParAvertirSiFiltresAbsents && !ParAvertirSiFiltresAbsents->Value) return;
    const int which = TRequiredFilters::WarningCase(HaaliPresent, FfdshowVideoPresent, FfdshowAudioPresent);
    if (which < 0) return;
    if (!m_filtresWarning) {
        if (OnWarning)
            OnWarning(
                TLinkMarkup::DisplayedText(TRequiredFilters::WarningMarkup(which, Product::FiltersPage)));
        return;
    }
    m_filtresWarning->Prepare(HaaliPresent, FfdshowVideoPresent, FfdshowAudioPresent, this);
    const int answer = m_filtresWarning->exec();
    if (ParAvertirSiFiltresAbsents) ParAvertirSiFiltresAbsents->Value = !m_filtresWarning->DontWarnAgain();
    // "Quitter" ends the program; not from inside the paint that asked.
    if (answer == QDialog::Rejected) QTimer::singleShot(0, this, &QWidget::close);
}

void TShowForm::FillDecoderLists()
{
    m_videoDecoders.Clear();
    m_audioDecoders.Clear();
    const QStringList decod { QStringLiteral("decod") };
    m_videoDecoders.FillMatching(
        MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO, MEDIATYPE_Video, MEDIASUBTYPE_RGB32, decod, false);
    for (const GUID& sub : { MEDIASUBTYPE_MPEG1Payload, MEDIASUBTYPE_MPEG1Audio, MEDIASUBTYPE_MPEG2_AUDIO })
        m_audioDecoders.FillMatching(MEDIATYPE_Audio, sub, MEDIATYPE_Audio, MEDIASUBTYPE_PCM, decod, true);

    TOptionsFrame* options = OptionsFrame();
    for (auto [box, list] : { std::pair { options->cbDecodeursMpegVideo, &m_videoDecoders },
             std::pair { options->cbDecodeursMpegAudio, &m_audioDecoders } }) {
        box->clear();
        box->addItems(list->Names());
    }
    options->OnVideoDecoderChange = [this](const QString& name) { cbDecodeursMpegVideoChange(name); };
    options->OnAudioDecoderChange = [this](const QString& name) { cbDecodeursMpegAudioChange(name); };

    // The separately installed decoders, when there, are the ones to use.
    if (FfdshowVideoPresent && ParDecodeurMpegVideo) ParDecodeurMpegVideo->Value = FfdshowVideoName;
    ApplyVideoDecoder(ParDecodeurMpegVideo ? ParDecodeurMpegVideo->Value : QString());
    if (FfdshowAudioPresent && ParDecodeurMpegAudio) ParDecodeurMpegAudio->Value = FfdshowAudioName;
    ApplyAudioDecoder(ParDecodeurMpegAudio ? ParDecodeurMpegAudio->Value : QString());
}

namespace
{
// Selects `name` in the box (the first item when it has none) and loads
// the entry into the slot; the slot stays empty when the list is.
void applyDecoder(QComboBox* box, const TMonikerStringList& list, TWideStringParameter* preference,
    TTemplateFilter* slot, const QString& name)
{
    int index = box->findText(name, Qt::MatchExactly);
    if (index < 0) index = box->count() > 0 ? 0 : -1;
    box->setCurrentIndex(index);
    if (index >= 0 && preference) preference->Value = box->itemText(index);
    if (!slot) return;
    slot->TakeOut();
    const TMonikerClass* entry = index >= 0 ? list.Find(box->itemText(index)) : nullptr;
    if (entry)
        slot->SetMoniker(entry->Moniker, entry->FriendlyName);
    else
        slot->SetMoniker(QString());
}
} // namespace

void TShowForm::ApplyVideoDecoder(const QString& name)
{
    applyDecoder(OptionsFrame()->cbDecodeursMpegVideo, m_videoDecoders, ParDecodeurMpegVideo,
        m_media ? &m_media->decoderV : nullptr, name);
}

void TShowForm::ApplyAudioDecoder(const QString& name)
{
    applyDecoder(OptionsFrame()->cbDecodeursMpegAudio, m_audioDecoders, ParDecodeurMpegAudio,
        m_media ? &m_media->decoderA : nullptr, name);
}

void TShowForm::rebuildWithDecoder(bool video, const QString& name)
{
    if (!m_media) return;
    try {
        const int s0 = m_media->GraphState();
        TVideoSource* videoSource = m_media->CurrentVideo;
        TAudioSource* audioSource = m_media->CurrentAudio;
        const int64_t at = LastPosition;
        if (video) {
            m_media->ReleaseVideo();
            ApplyVideoDecoder(name);
        } else {
            m_media->ReleaseAudio();
            ApplyAudioDecoder(name);
        }
        // Nothing to rebuild: the choice waits for the next file.
        if (video ? !videoSource : !audioSource) return;
        if (!(video ? m_media->BuildVideoChain(videoSource) : m_media->BuildAudioChain(audioSource))) {
            m_media->ResetGraph();
            return;
        }
        // Back as it was, without running in between: a run would let
        // frames pass and the picture would no longer be the one it was.
        if (s0 == 3) {
            m_media->Play();
        } else {
            m_media->Pause();
            m_media->SeekTo(at);
        }
    } catch (...) {
    }
}

void TShowForm::cbDecodeursMpegVideoChange(const QString& name)
{
    rebuildWithDecoder(true, name);
}

void TShowForm::cbDecodeursMpegAudioChange(const QString& name)
{
    rebuildWithDecoder(false, name);
}
