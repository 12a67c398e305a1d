// The main window's road from a path to a paused, shown video, and the
// placing of the picture.

#include "app/TShowForm.h"

#include "automation/TCustomSuperAction.h"
#include "automation/TtoggleAction.h"

#include "app/VideoFitting.h"
#include "filters/TvData.h"
#include "media/InstalledFilters.h"
#include "media/SourcePaths.h"
#include "media/TAudioSource.h"
#include "media/TVideoSource.h"
#include "platform/WindowMessages.h"
#include "prefs/Preferences.h"

#include <QLabel>

namespace
{
QString colored(const QString& text, const char* color)
{
    return QStringLiteral("<font color=\"%1\">%2</font>").arg(QLatin1String(color), text.toHtmlEscaped());
}
} // namespace

std::tuple<int, int, int> TShowForm::StreamShape()
{
    QMutexLocker lock(&SharedRecordLock());
    return { VData().Aspect, int(VData().Width), int(VData().Height) };
}

void TShowForm::reportError(const QString& message)
{
    m_lastError = message;
    if (ParTraiterErreurs && ParTraiterErreurs->Value && OnErrorMessage) OnErrorMessage(message);
}

TGrabBuilder* TShowForm::BuilderFor(const QString& path)
{
    return m_builders.BuilderFor(path);
}

void TShowForm::CloseMedia()
{
    if (m_media) m_media->ReleaseAll();
}

void TShowForm::OpenPath(const QString& path)
{
    if (!m_media) return;
    try {
        m_scenes.LoadScenes(ChangeExtension(path, QStringLiteral(".scn")));
        EnCoursLab->setText(colored(QStringLiteral("En train de charger ") + FileNamePart(path), "navy"));
        CloseMedia();
        ProcessPendingMessages();
        TGrabBuilder* result = BuilderFor(path);
        if (result->Failed) {
            reportError(QStringLiteral("Le fichier <color Maroon>") + path
                + QStringLiteral("</color> n'est pas d'un type reconnu par Stillex sur votre système.<br><br>"
                                 "Vérifiez si tous les filtres utiles sont installés")
                + (HaaliPresent ? QStringLiteral(".") : QStringLiteral(", notamment Haali Media Splitter.")));
            ApplyBuilder(&m_emptyBuilder);
            RefreshSourceState();
            return;
        }
        if (!ApplyBuilder(result)) {
            reportError(QStringLiteral("Le fichier <color Maroon>") + path
                + QStringLiteral("</color> ne peut pas être traité par Stillex sur votre système.<br><br>"
                                 "Vérifiez si tous les filtres ou codecs utiles sont installés")
                + (FfdshowVideoPresent && FfdshowAudioPresent ? QStringLiteral(".")
                                                              : QStringLiteral(", notamment ffdshow.")));
            ApplyBuilder(&m_emptyBuilder);
            RefreshSourceState();
            return;
        }
        RefreshSourceState();
    } catch (...) {
    }
}

bool TShowForm::ApplyBuilder(TGrabBuilder* result)
{
    try {
        m_currentBuilder = result ? result : &m_emptyBuilder;
        TVideoSource* video = m_currentBuilder->VideoSources.Count() ? m_currentBuilder->VideoSources.Items(0)
                                                                     : NoVideoSource();
        TAudioSource* audio = m_currentBuilder->AudioSources.Count() ? m_currentBuilder->AudioSources.Items(0)
                                                                     : NoAudioSource();
        m_media->SetSpeedMode(0);
        ProcessPendingMessages();
        m_media->ForceDecoder = !ParForcerLeDecodeur || ParForcerLeDecodeur->Value;
        if (m_currentBuilder == &m_emptyBuilder) return true;
        if (!m_media->SelectSources(video, audio)) return false;
        ProcessPendingMessages();
        DureeLab->setText(m_media->FormatTimestamp(m_media->Duration));
        return true;
    } catch (...) {
        return false;
    }
}

void TShowForm::RefreshSourceState()
{
    SetVideoControls(m_media->HasVideo());
    SetAudioControls(m_media->HasAudio());
    if (m_currentBuilder == &m_emptyBuilder) {
        EnCoursLab->setText(m_emptyBuilder.DisplayName);
        DureeLab->clear();
        return;
    }
    if (m_media->SeekTo(0)) {
        LastPosition = 0;
        EnCoursLab->setText(colored(m_currentBuilder->DisplayName, "maroon"));
        EnCoursLab->setToolTip(QStringLiteral(
            "Vidéo courante qui a été chargée dans Stillex\r\nCliquez dessus pour accéder au dossier qui la contient."));
        RefreshFrameSize();
        return;
    }
    QString message = QStringLiteral("Le fichier <color Maroon>") + m_currentBuilder->DisplayName
        + QStringLiteral("</color> ne peut pas être exploité par Stillex sur votre système.<br><br>"
                         "Vérifiez s'il n'est pas corrompu<br><br>");
    if (m_media->ForceDecoder && FfdshowVideoPresent)
        message += QStringLiteral("Vous pouvez aussi essayer de désactiver le décodeur ffdshow dans les options (F10)");
    reportError(message);
    CloseMedia();
    ApplyBuilder(&m_emptyBuilder);
    RefreshSourceState();
}

void TShowForm::SetVideoControls(bool on)
{
    PanelHaut->setVisible(on || (m_media && m_media->HasAudio()));
    labTaille->setVisible(on);
    vwEcran->setVisible(on);
    Panel2->setVisible(!on);
    for (const char* name : { "taIncruster", "taVertFlip", "taHorzFlip", "tafullscreen", "saGrab", "saCopier" })
        if (TCustomSuperAction* a = Action(name)) a->setEnabled(on);
}

void TShowForm::SetAudioControls(bool on)
{
    for (const char* name : { "taMute", "saIncVolume", "saDecVolume" })
        if (TCustomSuperAction* a = Action(name)) a->setEnabled(on);
}

void TShowForm::FitVideo(int a, int b)
{
    m_ratioA = a;
    m_ratioB = b;
    const QRect area(Panel1->pos(), Panel1->size());
    const QRect video = FitRect(a, b, area, true, 12);
    vwEcran->setGeometry(video);
    Panel2->move((area.width() - Panel2->width()) / 2, (area.height() - Panel2->height()) / 2);
    const int width = std::max(SourceSize.width(), 0);
    const int height = std::max(SourceSize.height(), 0);
    const QRect out = FitRect(a, b, QRect(0, 0, width, height), false, 0);
    OutputSize = out.size();
}

void TShowForm::RefitVideo()
{
    if (!m_media || !m_media->HasVideo()) return;
    const auto [aspect, width, height] = StreamShape();
    const TAspectChoice ratio = RatioOfMode(AspectMode, aspect, width ? width : SourceSize.width(),
        height ? height : SourceSize.height());
    FitVideo(ratio.a, ratio.b);
}

void TShowForm::RefreshFrameSize()
{
    QImage frame;
    if (m_media && m_media->HasVideo()) m_media->CopyOverlayBitmap(frame);
    SourceSize = frame.isNull() ? QSize() : frame.size();
    RefitVideo();
    labTaille->setText(SizeLabelText(SourceSize.width(), SourceSize.height(), OutputSize.width(),
        OutputSize.height(), AspectMode));
}

void TShowForm::ForceAspect(int mode)
{
    if (ParForcerAspectRatio) ParForcerAspectRatio->Value = mode;
    const auto [aspect, width0, height0] = StreamShape();
    int width = width0;
    int height = height0;
    if (width <= 0 || height <= 0) {
        width = SourceSize.width();
        height = SourceSize.height();
    }
    const TAspectChoice ratio = ApplyAspectPreference(mode, aspect, width, height);
    AspectMode = ratio.mode;
    FitVideo(ratio.a ? ratio.a : 4, ratio.b ? ratio.b : 3);
    RefreshFrameSize();
}

void TShowForm::SetFlip(bool vertical, bool on)
{
    (vertical ? VerticalFlip : HorizontalFlip) = on;
    if (m_media) {
        if (vertical)
            m_media->SetVerticalFlip(on);
        else
            m_media->SetHorizontalMirror(on);
    }
    if (auto* a = dynamic_cast<TtoggleAction*>(Action(vertical ? "taVertFlip" : "taHorzFlip"))) {
        a->SetChecked(on);
        a->setEnabled(true);
    }
    RedrawStill();
}

void TShowForm::RedrawStill()
{
    if (!m_media) return;
    Busy = true;
    m_media->RefreshStill();
    ProcessPendingMessages();
    Busy = false;
}
