// The intervallometer: images at a regular interval through the whole video,
// by seeking to each point (normal mode) or from the stream played at full
// speed, held by the bitmap filter at each point (precision mode).
#include "app/TShowForm.h"
#include "app/Tintervalloframe.h"
#include "automation/CommandContext.h"
#include "automation/TSuperAction.h"
#include "automation/TtoggleAction.h"
#include "media/TGrabBuilder.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

namespace
{
// A stored value below 1 would make the step 0.
int64_t intervalloValue()
{
    return std::max<int64_t>(ParValeurIntervallometre ? ParValeurIntervallometre->Value : 1, 1);
}

// A stored unit outside the three counts as seconds, the default.
int intervalloUnit()
{
    const int unit = ParUnitesIntervallometre ? ParUnitesIntervallometre->Value : 1;
    return unit >= 0 && unit <= 2 ? unit : 1;
}
} // namespace

void TShowForm::bindIntervalloCommands()
{
    Tintervalloframe* bar = IntervalloBar;
    connect(bar->cboxIntervallo, &QComboBox::activated, this, [this](int index) {
        if (ParUnitesIntervallometre) ParUnitesIntervallometre->Value = index;
        RefreshIntervalloCount();
    });
    connect(bar->RxSpinEdit7, &QSpinBox::valueChanged, this, [this](int value) {
        if (ParValeurIntervallometre) ParValeurIntervallometre->Value = value;
        RefreshIntervalloCount();
    });
    TtoggleAction* go = ToggleCommand("taIntervalloGo");
    connect(bar->RxSwitch1, &QToolButton::clicked, go, [go, bar] {
        // The switch shows the run's state, not its own.
        bar->SetSwitch(go->Checked());
        go->Execute();
    });
    go->OnfalseExecute = [this](QObject*) { StartIntervallo(); };
    go->OnTrueExecute = [this](QObject*) { StopIntervallo(); };
    go->SetChecked(false);
    IsIntervalloRunning = [this] { return m_intervalloRunning; };

    TtoggleAction* show = ToggleCommand("taIntervalloShow");
    show->OnfalseExecute = [this, show, bar](QObject*) {
        show->SetChecked(true);
        if (!Xslider->isVisible()) {
            bar->show();
            bar->raise();
        }
        RefreshIntervalloCount();
    };
    show->OnTrueExecute = [show, bar](QObject*) {
        show->SetChecked(false);
        bar->hide();
    };
    show->SetChecked(false);
    OnShowIntervalloBar = [show, bar](bool visible) {
        if (visible && show->Checked()) {
            bar->show();
            bar->raise();
        } else if (!visible) {
            bar->hide();
        }
    };

    TtoggleAction* precision = ToggleCommand("taModePrecision");
    auto setPrecision = [precision, bar](bool on) {
        if (ParModePrecision) ParModePrecision->Value = on;
        precision->SetChecked(on);
        const QSignalBlocker block(bar->cbPrecision);
        bar->cbPrecision->setChecked(on);
    };
    precision->OnfalseExecute = [setPrecision](QObject*) { setPrecision(true); };
    precision->OnTrueExecute = [setPrecision](QObject*) { setPrecision(false); };
    connect(bar->cbPrecision, &QCheckBox::clicked, precision, [precision] { precision->Execute(); });
}

void TShowForm::refreshIntervalloBar()
{
    Tintervalloframe* bar = IntervalloBar;
    const QSignalBlocker a(bar->RxSpinEdit7), b(bar->cboxIntervallo), c(bar->cbPrecision);
    bar->RxSpinEdit7->setValue(int(std::min<int64_t>(intervalloValue(), bar->RxSpinEdit7->maximum())));
    bar->cboxIntervallo->setCurrentIndex(intervalloUnit());
    const bool precise = ParModePrecision && ParModePrecision->Value;
    bar->cbPrecision->setChecked(precise);
    ToggleCommand("taModePrecision")->SetChecked(precise);
}

void TShowForm::RefreshIntervalloCount()
{
    if (!m_media) return;
    const int unit = intervalloUnit();
    const int64_t unitLength = unit == 0 ? std::max<int64_t>(m_media->FrameDuration, 1)
        : unit == 1                      ? 10'000'000
                                         : 600'000'000;
    IntervalloStep = intervalloValue() * unitLength;
    IntervalloStart = m_media->CurrentPosition();
    IntervalloRemaining = std::max<int64_t>((m_media->Duration - IntervalloStart) / IntervalloStep + 1, 0);
    IntervalloBar->chronolab->setText(QString::number(IntervalloRemaining));
    IntervalloBar->chronolab->show();
}

bool TShowForm::ParseIntervalloArgument(const QString& unitName, const QString& argument)
{
    const qsizetype n = unitName.size();
    if (argument.size() < n || argument.right(n).compare(unitName, Qt::CaseInsensitive) != 0) return false;
    bool ok = false;
    int value = argument.left(argument.size() - n).trimmed().toInt(&ok);
    if (!ok) value = 0;
    const int unit = unitName == QLatin1String("Images") ? 0 : unitName == QLatin1String("Secondes") ? 1 : 2;
    {
        const QSignalBlocker a(IntervalloBar->RxSpinEdit7), b(IntervalloBar->cboxIntervallo);
        IntervalloBar->RxSpinEdit7->setValue(value);
        IntervalloBar->cboxIntervallo->setCurrentIndex(unit);
    }
    if (ParValeurIntervallometre) ParValeurIntervallometre->Value = value;
    if (ParUnitesIntervallometre) ParUnitesIntervallometre->Value = unit;
    RefreshIntervalloCount();
    if (TtoggleAction* show = ToggleCommand("taIntervalloShow"); !show->Checked()) show->Execute();
    return true;
}

void TShowForm::StartIntervallo()
{
    CommandRunning = true;
    if (!CommandArguments.isEmpty()) {
        const QString argument = CommandArguments.value(0);
        for (const char* unit : { "Images", "Secondes", "Minutes" })
            if (ParseIntervalloArgument(QLatin1String(unit), argument)) break;
        // Scripts run in normal mode.
        if (ParModePrecision) ParModePrecision->Value = false;
        refreshIntervalloBar();
    }
    TtoggleAction* go = ToggleCommand("taIntervalloGo");
    if (!m_media || !m_media->HasVideo()) {
        // Nothing to take: the run ends as it starts.
        go->SetChecked(false);
        IntervalloBar->SetSwitch(false);
        CommandRunning = false;
        return;
    }
    IntervalloBar->SetSwitch(true);
    IntervalloBar->SetFieldsEnabled(false);
    go->SetChecked(true);
    m_intervalloRunning = true;
    m_queueWrites = true;
    m_intervalloPrecision = ParModePrecision && ParModePrecision->Value;
    m_stopPending = false;
    // A run never steps back: keeping the frames before each position
    // would only slow it down.
    m_media->SetFrameCacheEnabled(false);

    m_media->SetPosition(0);
    RefreshIntervalloCount();
    m_media->Pause();
    m_media->SetVolume(0);
    AbortRequested = false;

    if (m_intervalloPrecision) {
        m_intervalloSavedAudio = m_media->CurrentAudio;
        m_media->SetSpeedMode(1);
        if (!(ParVitesseMaxi && ParVitesseMaxi->Value)) m_media->SelectSources(nullptr, NoAudioSource());
        m_media->SetPrecisionInterval(IntervalloStep);
        vwEcran->SetSmooth(false);
        m_media->SetCompleteHandler([this] {
            if (m_intervalloRunning && m_intervalloPrecision) requestIntervalloStop();
        });
        m_media->Stop();
        m_media->Play();
        return;
    }

    StopRefreshTimer();
    const int64_t count = IntervalloRemaining;
    m_inNormalLoop = true;
    for (int64_t a = 0; a < count; ++a) {
        ProcessPendingMessages();
        if (AbortRequested || !m_intervalloRunning) break;
        bool written = true;
        {
            TBusyScope busy(*this);
            m_media->SetPosition(IntervalloStart + a * IntervalloStep);
            ProcessPendingMessages();
            // A stop while the frame came: no image after it.
            if (AbortRequested || !m_intervalloRunning) break;
            if (TakeSnapshot()) written = SaveSnapshot();
        }
        if (!written) break; // reported; the run ends as a stop does
        IntervalloRemaining -= 1;
        IntervalloBar->chronolab->setText(QString::number(IntervalloRemaining));
    }
    m_inNormalLoop = false;
    m_media->SetVolume(ParIVolume ? ParIVolume->Value : 5000);
    if (m_intervalloRunning) StopIntervallo();
}

void TShowForm::requestIntervalloStop()
{
    if (!m_intervalloRunning) return;
    if (m_inPrecisionCapture) {
        // The streaming thread waits for the message being handled; the
        // graph stops once it has returned. Nothing is taken meanwhile.
        AbortRequested = true;
        if (m_media) m_media->SetPrecisionInterval(0);
        m_stopPending = true;
        return;
    }
    StopIntervallo();
}

void TShowForm::StopIntervallo()
{
    TtoggleAction* go = ToggleCommand("taIntervalloGo");
    if (!m_intervalloRunning) {
        go->SetChecked(false);
        IntervalloBar->SetSwitch(false);
        return;
    }
    if (!m_intervalloPrecision && m_inNormalLoop) {
        // Asked from inside the loop (a key while a frame was awaited): the
        // loop ends at its next turn and stops the run itself, so that no
        // seek starts inside another.
        AbortRequested = true;
        go->SetChecked(true);
        return;
    }
    if (m_intervalloPrecision && m_inPrecisionCapture) {
        go->SetChecked(true); // still running until the deferred stop
        requestIntervalloStop();
        return;
    }
    IntervalloBar->SetSwitch(false);
    IntervalloBar->SetFieldsEnabled(true);
    finishQueuedWrites();
    if (m_intervalloPrecision) {
        m_media->Stop();
        m_media->SetPrecisionInterval(0);
        vwEcran->SetSmooth(true);
        m_media->SetCompleteHandler(nullptr);
        if (!(ParVitesseMaxi && ParVitesseMaxi->Value)) {
            m_media->SetSpeedMode(0);
            m_media->SelectSources(nullptr, m_intervalloSavedAudio);
            RefreshSourceState();
        }
        m_media->Pause();
    } else {
        AbortRequested = true;
    }
    m_intervalloRunning = false;
    m_stopPending = false;
    go->SetChecked(false);
    m_media->SetFrameCacheEnabled(true);
    m_media->SetPosition(IntervalloStart);
    ToggleCommand("taIntervalloShow")->Execute();
    CommandRunning = false;
    StartRefreshTimer();
}

void TShowForm::onIntervalloImage(bool written)
{
    if (!m_intervalloRunning || !m_intervalloPrecision) return;
    if (!written) {
        requestIntervalloStop();
        return;
    }
    IntervalloRemaining = std::max<int64_t>(IntervalloRemaining - 1, 0);
    IntervalloBar->chronolab->setText(QString::number(IntervalloRemaining));
}

void TShowForm::finishPrecisionCapture()
{
    if (!m_stopPending) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_stopPending = false;
            if (m_intervalloRunning) StopIntervallo();
        },
        Qt::QueuedConnection);
}
