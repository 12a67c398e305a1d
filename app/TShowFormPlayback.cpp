// The main window's playback: play and pause, the steps, the position
// slider and the timestamp field, volume and mute, the script commands
// "position" and "wait", and the mouse on the picture.

#include "app/TShowForm.h"
#include "app/Tnav_fileframe.h"
#include "automation/CommandContext.h"
#include "automation/KeyCodes.h"
#include "automation/TCustomSuperAction.h"
#include "automation/TSuperAction.h"
#include "automation/TtoggleAction.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "support/TTextGauge.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QSlider>
#include <QThread>
#include <QTimer>

namespace
{
constexpr int64_t StepSizes[3] = { 0, 10'000'000, 600'000'000 }; // image (frame duration), second, minute
} // namespace

void TShowForm::bindPlaybackCommands()
{
    if (auto* a = ToggleCommand("taPlayPause")) {
        a->OnfalseExecute = [this](QObject*) { PlayPause(true); };
        a->OnTrueExecute = [this](QObject*) { PlayPause(false); };
    }
    if (auto* a = ToggleCommand("taMute")) {
        a->OnfalseExecute = [this](QObject*) { SetMute(true); };
        a->OnTrueExecute = [this](QObject*) { SetMute(false); };
    }
    const char* const steps[3][2] = { { "saReculeLow", "saAvanceLow" },
        { "saReculeMedium", "saAvanceMedium" }, { "saReculeHigh", "saAvanceHigh" } };
    for (int size = 0; size < 3; ++size)
        for (int forward = 0; forward < 2; ++forward)
            if (auto* a = PlainCommand(steps[size][forward]))
                a->Onexecute = [this, size, forward](QObject*) { Step(size, forward); };
    if (auto* a = PlainCommand("saReculeTrack")) a->Onexecute = [this](QObject*) { SceneStep(false); };
    if (auto* a = PlainCommand("saAvanceTrack")) a->Onexecute = [this](QObject*) { SceneStep(true); };
    if (auto* a = PlainCommand("saIncVolume")) a->Onexecute = [this](QObject*) { ChangeVolume(1000); };
    if (auto* a = PlainCommand("saDecVolume")) a->Onexecute = [this](QObject*) { ChangeVolume(-1000); };
    if (auto* a = PlainCommand("saPosition"))
        a->Onexecute = [this](QObject*) { saPositionExecute(CommandArguments.value(0)); };
    if (auto* a = PlainCommand("saWait"))
        a->Onexecute = [this](QObject*) { saWaitExecute(CommandArguments.value(0)); };

    NavBar->BindCommands(*m_al);
    tb->installEventFilter(this);
    CurrentEdit->installEventFilter(this);
    connect(vwEcran, &TVideoWindow::MouseDown, this, &TShowForm::vwEcranMouseDown);
}

// ---------------------------------------------------------------------------
// The position display.

void TShowForm::Timer1Timer()
{
    if (!m_media) return;
    const int64_t position = m_media->CurrentPosition();
    if (!CurrentEdit->hasFocus()) CurrentEdit->setText(m_media->FormatTimestamp(position));
    if (m_media->Duration != 0 && !m_sliderDown) tb->setValue(int(position * 1024 / m_media->Duration));
    // Under timestamp naming the name follows the picture.
    if (ParImageAjouter && ParImageAjouter->Value == 1) RefreshNextImageName();
}

void TShowForm::StartRefreshTimer()
{
    if (m_media && (m_media->HasVideo() || m_media->HasAudio())) Timer1->start();
}

void TShowForm::StopRefreshTimer()
{
    Timer1->stop();
}

// ---------------------------------------------------------------------------
// Play and steps.

void TShowForm::PlayPause(bool play)
{
    if (!m_media) return;
    if (play)
        m_media->Play();
    else
        m_media->Pause();
    if (auto* a = dynamic_cast<TtoggleAction*>(Action("taPlayPause"))) a->SetChecked(play);
    Timer1Timer();
}

void TShowForm::Step(int size, bool forward)
{
    // A step waits for its frame in the event loop, where the repeats of a
    // held key arrive: each would start a step inside the one under way,
    // ever deeper, and the picture would stop until all had returned. They
    // are dropped instead, so a held key moves as fast as frames come.
    if (!m_media || m_stepping) return;
    const QScopedValueRollback stepping(m_stepping, true);
    const int64_t d = size == 0 ? m_media->FrameDuration : StepSizes[size];
    StopRefreshTimer();
    {
        TBusyScope busy(*this);
        if (forward)
            m_media->StepForward(d);
        else
            m_media->StepBackward(d);
        ProcessPendingMessages();
    }
    Timer1Timer();
    StartRefreshTimer();
}

void TShowForm::SceneStep(bool forward)
{
    if (!m_media || m_stepping) return;
    const QScopedValueRollback stepping(m_stepping, true);
    StopRefreshTimer();
    {
        TBusyScope busy(*this);
        ProcessPendingMessages();
        if (forward)
            m_media->NextScene();
        else
            m_media->PreviousScene();
    }
    Timer1Timer();
    StartRefreshTimer();
}

// ---------------------------------------------------------------------------
// Slider: free while held, one seek on release.

void TShowForm::nav_filetbMouseDown()
{
    m_sliderDown = true;
    StopRefreshTimer();
}

void TShowForm::nav_filetbMouseUp()
{
    m_sliderDown = false;
    if (!m_media) return;
    {
        TBusyScope busy(*this);
        try {
            // Through SetPosition: the position shown afterwards is the new one.
            m_media->SetPosition(int64_t(tb->value()) * m_media->Duration / 1024);
        } catch (...) {
        }
        ProcessPendingMessages();
    }
    Timer1Timer();
    StartRefreshTimer();
}

// ---------------------------------------------------------------------------
// Timestamp field: Space types a blank while it has the focus.

void TShowForm::CurrentEditEnter()
{
    StopRefreshTimer();
    if (TCustomSuperAction* play = Action("taPlayPause")) play->SetShortCut(0);
}

bool TShowForm::CurrentEditKeyPress(QKeyEvent* e)
{
    if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) return false;
    try {
        if (m_media) m_media->SeekToTimestamp(CurrentEdit->text());
        Timer1Timer();
        StartRefreshTimer();
    } catch (...) {
    }
    vwEcran->setFocus(Qt::OtherFocusReason);
    return true;
}

void TShowForm::CurrentEditExit()
{
    {
        TBusyScope busy(*this);
        try {
            if (m_media) m_media->SeekToTimestamp(CurrentEdit->text());
            ProcessPendingMessages();
            CurrentEdit->clearFocus();
            Timer1Timer();
            StartRefreshTimer();
        } catch (...) {
        }
    }
    if (TCustomSuperAction* play = Action("taPlayPause")) play->SetShortCut(KeyCodes::VkSpace);
}

// ---------------------------------------------------------------------------
// Sound.

void TShowForm::ChangeVolume(int delta)
{
    if (!ParIVolume) return;
    ParIVolume->Value = std::clamp(ParIVolume->Value + delta, 0, 10000);
    ApplyVolume();
}

void TShowForm::ApplyVolume()
{
    const int volume = ParIVolume ? ParIVolume->Value : 5000;
    if (m_media) m_media->SetVolume(ParMuteOn && ParMuteOn->Value ? 0 : volume);
    VolumeGauge->SetProgress(volume / 100);
}

void TShowForm::SetMute(bool on)
{
    if (m_media) m_media->SetVolume(on ? 0 : (ParIVolume ? ParIVolume->Value : 5000));
    if (ParMuteOn) ParMuteOn->Value = on;
    if (auto* a = dynamic_cast<TtoggleAction*>(Action("taMute"))) a->SetChecked(on);
}

// ---------------------------------------------------------------------------
// Script commands.

void TShowForm::saPositionExecute(const QString& timestamp)
{
    TCommandRunningScope running;
    try {
        if (m_media) m_media->SeekToTimestamp(timestamp);
    } catch (...) {
    }
    Timer1Timer();
}

void TShowForm::saWaitExecute(const QString& milliseconds)
{
    // Nothing is processed meanwhile: the wait holds the whole window.
    const int ms = milliseconds.trimmed().toInt();
    if (ms > 0) QThread::msleep(ulong(ms));
}

// ---------------------------------------------------------------------------
// The mouse on the picture.

void TShowForm::vwEcranMouseDown(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton) {
        if (PopupMenu) PopupMenu->popup(e->globalPosition().toPoint());
        return;
    }
    if (!TakeSnapshot()) return;
    const bool save
        = (ParSauverQuandClic && ParSauverQuandClic->Value) || (e->modifiers() & Qt::ShiftModifier);
    if (save) SaveSnapshot();
}

void TShowForm::UpdatePlayPicture()
{
    using P = Tnav_fileframe::TPlayPicture;
    if (!m_media || !m_media->HasVideo())
        NavBar->SetPlayPicture(P::NoVideo);
    else
        NavBar->SetPlayPicture(ParVitesseMaxi && ParVitesseMaxi->Value ? P::MaxSpeed : P::Normal);
}
