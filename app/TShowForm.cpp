#include "app/TShowForm.h"

#include "app/DirectXVersion.h"
#include "app/TAproposFrame.h"
#include "app/TCommandImages.h"
#include "app/TOptionsFrame.h"
#include "app/TSourcesFrame.h"
#include "app/Tintervalloframe.h"
#include "app/Tnav_fileframe.h"
#include "app/Tplaque.h"
#include "app/VideoFitting.h"
#include "automation/CommandCatalog.h"
#include "automation/TActionList.h"
#include "automation/TCustomSuperAction.h"
#include "automation/TRaccourcisForm.h"
#include "automation/TSuperAction.h"
#include "automation/TtoggleAction.h"
#include "capture/TDossiersFrame.h"
#include "capture/TExtraireFrame.h"
#include "capture/TImageWriteQueue.h"
#include "capture/TImageWriter.h"
#include "filters/TBCBaseFilter.h"
#include "graph/MediaRuntime.h"
#include "inlay/TIncrusterFrame.h"
#include "media/TFilterPresets.h"
#include "platform/ScreenSaver.h"
#include "platform/SystemVersion.h"
#include "prefs/PreferenceStores.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TSavePrefsForm.h"
#include "prefs/TparameterList.h"
#include "support/Product.h"
#include "support/THelpFrame.h"
#include "support/TSystemInformation.h"
#include "support/TTextGauge.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

namespace
{
constexpr unsigned MsgPrecisionCapture = WM_USER + 1;
constexpr unsigned MsgStreamDescription = WM_USER + 3;
constexpr unsigned MsgReconnectPin = WM_USER + 4;
} // namespace

TShowForm::TShowForm(QWidget* parent)
    : QWidget(parent)
{
    TntFormCreate();
}

TShowForm::~TShowForm()
{
    FormDestroy();
}

TCustomSuperAction* TShowForm::Action(const char* name) const
{
    return m_al ? m_al->Find(QString::fromLatin1(name)) : nullptr;
}

TSuperAction* TShowForm::PlainCommand(const char* name) const
{
    auto* a = dynamic_cast<TSuperAction*>(Action(name));
    if (!a) qFatal("No command \"%s\" in the catalog to bind a handler to", name);
    return a;
}

TtoggleAction* TShowForm::ToggleCommand(const char* name) const
{
    auto* a = dynamic_cast<TtoggleAction*>(Action(name));
    if (!a) qFatal("No two-state command \"%s\" in the catalog to bind a handler to", name);
    return a;
}

TSidePanel* TShowForm::Panel(int index) const
{
    return index >= 0 && index < PanelCount ? m_panels[index] : nullptr;
}

// ---------------------------------------------------------------------------
// Creation, before any preference is known.

void TShowForm::TntFormCreate()
{
    setObjectName(QStringLiteral("ShowForm"));
    // Qt is thread-aware from the start; the filters' threads reach this
    // window only through the message layer.
    m_al = new TActionList(this);
    CreateCommandCatalog(*m_al);
    m_al->SetImages(BuildCommandImages(*m_al));

    m_writer = std::make_unique<TImageWriter>();
    m_writeQueue = std::make_unique<TImageWriteQueue>();
    m_outputImage = QImage(1, 1, QImage::Format_RGB888);
    m_sourceFrame = QImage(1, 1, QImage::Format_RGB888);
    m_deinterlaced = QImage(1, 1, QImage::Format_RGB32);

    setWindowTitle(Product::Caption());
    setMinimumSize(MinWidth, MinHeight);
    resize(MinWidth, MinHeight);

    buildWidgets();
    buildToolbar();
    buildContextMenu();
    bindCommands();
    m_al->InstallOn(this, [this]() -> QObject* { return windowHandle(); });
    if (TCustomSuperAction* a = Action("saSourcesFrame")) btnSources->setDefaultAction(a);
    if (TCustomSuperAction* a = Action("saDossiersFrame")) btnDossiers->setDefaultAction(a);
}

void TShowForm::buildWidgets()
{
    auto frame = [this](const char* name, QFrame::Shape shape) {
        auto* f = new QFrame(this);
        f->setObjectName(QString::fromLatin1(name));
        f->setFrameShape(shape);
        return f;
    };

    tbUnique = new QToolBar(this);
    tbUnique->setObjectName(QStringLiteral("tbUnique"));
    tbUnique->setIconSize(QSize(22, 22));
    tbUnique->setMovable(false);
    tbUnique->setFloatable(false);
    tbUnique->setGeometry(0, 0, MinWidth, 29);
    tbUnique->setContentsMargins(0, 0, 0, 0);
    tbUnique->layout()->setSpacing(0);
    tbUnique->layout()->setContentsMargins(0, 0, 0, 0);

    Bevel2 = frame("Bevel2", QFrame::HLine);
    Bevel2->setFrameShadow(QFrame::Sunken);

    PanelTitre = frame("PanelTitre", QFrame::StyledPanel);
    btnSources = new QToolButton(PanelTitre);
    btnSources->setGeometry(2, 2, 22, 22);
    EnCoursLab = new QLabel(PanelTitre);
    EnCoursLab->setObjectName(QStringLiteral("EnCoursLab"));
    EnCoursLab->setText(QStringLiteral("Aucun fichier vidéo"));
    QFont titleFont = EnCoursLab->font();
    titleFont.setBold(true);
    EnCoursLab->setFont(titleFont);
    EnCoursLab->setCursor(Qt::PointingHandCursor);
    moddlab = new QLabel(QStringLiteral("modd"), PanelTitre);
    srtlab = new QLabel(QStringLiteral("srt"), PanelTitre);
    scnLab = new QLabel(QStringLiteral("scn"), PanelTitre);
    // The title bar answers a click by showing the file in its folder.
    PanelTitre->installEventFilter(this);
    EnCoursLab->installEventFilter(this);
    for (QLabel* flag : { moddlab, srtlab, scnLab }) {
        flag->setObjectName(flag->text() + QStringLiteral("Lab"));
        flag->resize(flag->sizeHint().width(), 22);
        flag->setStyleSheet(QStringLiteral("color: navy"));
        flag->setCursor(Qt::PointingHandCursor);
        flag->installEventFilter(this);
        flag->hide();
    }

    Panel1 = frame("Panel1", QFrame::NoFrame);
    Panel1->setAutoFillBackground(true);
    vwEcran = new TVideoWindow(Panel1);
    vwEcran->setCursor(Qt::PointingHandCursor);
    vwEcran->hide();
    Panel2 = new QLabel(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setFrameShape(QFrame::StyledPanel);
    Panel2->setToolTip(QStringLiteral("Aucune source vidéo n'a été sélectionnée"));
    Panel2->setPixmap(style()->standardIcon(QStyle::SP_MediaPlay).pixmap(96, 96));
    Panel2->resize(160, 120);
    // The frame around the video and the inlay corner sit in the video
    // area; the sliders straddle its edges, so they belong to the window.
    Shape2 = frame("Shape2", QFrame::Box);
    Shape2->setParent(Panel1);
    Shape2->setFrameShadow(QFrame::Plain);
    Shape2->setStyleSheet(QStringLiteral("QFrame#Shape2 { border: 1px solid silver; }"));
    Shape2->lower();
    Shape1 = frame("Shape1", QFrame::NoFrame);
    Shape1->setParent(Panel1);
    Shape1->setAutoFillBackground(true);
    Shape1->setStyleSheet(QStringLiteral("QFrame#Shape1 { background: silver; }"));
    Shape1->resize(12, 12);
    Shape1->hide();
    Yslider = new QSlider(Qt::Vertical, this);
    Yslider->setObjectName(QStringLiteral("Yslider"));
    Yslider->hide();
    Xslider = new QSlider(Qt::Horizontal, this);
    Xslider->setObjectName(QStringLiteral("Xslider"));
    Xslider->hide();

    PanelHaut = frame("PanelHaut", QFrame::NoFrame);
    CurrentEdit = new QLineEdit(PanelHaut);
    CurrentEdit->setObjectName(QStringLiteral("CurrentEdit"));
    CurrentEdit->setGeometry(0, 4, 86, 22);
    CurrentEdit->setText(QStringLiteral("0:00:00:00"));
    DureeLab = new QLabel(PanelHaut);
    DureeLab->setObjectName(QStringLiteral("DureeLab"));
    DureeLab->setGeometry(92, 4, 70, 22);
    labTaille = new QLabel(PanelHaut);
    labTaille->setObjectName(QStringLiteral("labTaille"));
    labTaille->setToolTip(QStringLiteral("taille des images vidéos => taille des images extraites."));
    labTaille->setGeometry(190, 4, 180, 22);
    PanelHaut->resize(MinWidth - 292, 30);

    NavBar = new Tnav_fileframe(this);
    tb = NavBar->tb;
    NavBar->resize(MinWidth - 292, 56);
    NavBar->hide();
    IntervalloBar = new Tintervalloframe(this);
    IntervalloBar->resize(MinWidth - 292, 56);
    IntervalloBar->hide();

    VolumeGauge = new TTextGauge(PanelHaut);
    VolumeGauge->setObjectName(QStringLiteral("VolumeGauge"));
    VolumeGauge->SetGaugeKind(TGaugeKind::Needle);
    VolumeGauge->SetTextKind(TGaugeTextKind::PercentDone);
    VolumeGauge->SetShowText(false);
    VolumeGauge->setToolTip(QStringLiteral(
        "Volume de la reproduction sonore.\r\nTapez + ou - au clavier numérique pour le modifier."));
    VolumeGauge->setGeometry(372, 2, 40, 26);

    Timer1 = new QTimer(this);
    Timer1->setInterval(40);
    connect(Timer1, &QTimer::timeout, this, &TShowForm::Timer1Timer);

    Bevel1 = frame("Bevel1", QFrame::VLine);
    Bevel1->setFrameShadow(QFrame::Sunken);

    panelImage = frame("panelImage", QFrame::StyledPanel);
    btnDossiers = new QToolButton(panelImage);
    btnDossiers->setGeometry(2, 1, 22, 22);
    ImageLab = new QLabel(panelImage);
    ImageLab->setObjectName(QStringLiteral("ImageLab"));
    ImageLab->setCursor(Qt::PointingHandCursor);

    m_panels[0] = new TSourcesFrame(this);
    m_panels[1] = new TDossiersFrame(this);
    m_panels[2] = new TExtraireFrame(this);
    m_panels[3] = new TIncrusterFrame(this);
    m_panels[4] = new TOptionsFrame(this);
    m_panels[5] = new THelpFrame(this);
    m_panels[6] = new TAproposFrame(this);
}

void TShowForm::buildToolbar()
{
    // Left to right, with a separator between the groups; the separators are
    // stretched by the layout so the groups spread over the whole width.
    static const char* const buttons[] = {
        "saOpenFile",
        "saPaste",
        "saScript",
        "saVider",
        nullptr,
        "saGrab",
        "saCopier",
        "taIntervalloShow",
        nullptr,
        "tafullscreen",
        "taMute",
        "taIncruster",
        "taVertFlip",
        "taHorzFlip",
        nullptr,
        "saExtraireFrame",
        "saSourcesFrame",
        "saDossiersFrame",
        "saIncrusterFrame",
        "saOptionsFrame",
        "saHelp",
        "saApropos",
        nullptr,
        "taraccourcis",
        "acQuitter",
    };
    int sep = 0;
    for (const char* name : buttons) {
        if (!name) {
            auto* spacer = new QWidget(tbUnique);
            spacer->setObjectName(QStringLiteral("sep%1Btn").arg(++sep));
            spacer->setFixedWidth(8);
            tbUnique->addWidget(spacer);
            m_toolbarSeparators.push_back(spacer);
            ++m_toolbarButtons; // separators are toolbar buttons too
            continue;
        }
        if (TCustomSuperAction* a = Action(name)) {
            tbUnique->addAction(a);
            if (auto* w = tbUnique->widgetForAction(a)) w->setFixedWidth(29);
            ++m_toolbarButtons;
        }
    }
}

void TShowForm::buildContextMenu()
{
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (TCustomSuperAction* a = Action(n)) menu->addAction(a);
    };
    add(PopupMenu, { "saGrab" });
    PopupMenu->addSeparator();
    add(PopupMenu, { "tafullscreen", "taReduire" });
    PopupMenu->addSeparator();
    add(PopupMenu, { "saForcerNone", "saForcerNative", "saForcer4x3", "saForcer16x9" });
    PopupMenu->addSeparator();
    add(PopupMenu, { "taMute", "taIncruster", "taVertFlip", "taHorzFlip" });
    PopupMenu->addSeparator();
    add(PopupMenu, { "taSliders" });
    PopupMenu->addSeparator();
    QMenu* panels = PopupMenu->addMenu(QStringLiteral("Panneaux d'options"));
    for (const char* n : PanelCommands)
        add(panels, { n });
    PopupMenu->addSeparator();
    add(PopupMenu, { "acQuitter" });
}

void TShowForm::bindCommands()
{
    if (auto* a = PlainCommand("saAbort")) a->Onexecute = [this](QObject* s) { saAbortExecute(s); };
    if (auto* a = PlainCommand("acQuitter")) a->Onexecute = [this](QObject* s) { acQuitterExecute(s); };

    bindLayoutCommands();
    bindHelpCommands();
    bindOpeningCommands();
    bindPlaybackCommands();
    bindGrabCommands();
    bindInlayCommands();
    bindIntervalloCommands();
    bindScriptCommands();

    // The picture: forced aspect ratios and flips.
    const char* const aspectCommands[] = { "saForcerNone", "saForcer4x3", "saForcer16x9", "saForcerNative" };
    for (int i = 0; i < 4; ++i)
        if (auto* a = PlainCommand(aspectCommands[i])) a->Onexecute = [this, i](QObject*) { ForceAspect(i); };
    for (const char* name : { "taVertFlip", "taHorzFlip" }) {
        TtoggleAction* a = ToggleCommand(name);
        const bool vertical = name[2] == 'V';
        a->OnfalseExecute = [this, vertical](QObject*) { SetFlip(vertical, true); };
        a->OnTrueExecute = [this, vertical](QObject*) { SetFlip(vertical, false); };
    }
}

// ---------------------------------------------------------------------------
// Showing, once.

void TShowForm::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!m_shown) {
        m_shown = true;
        FormShow();
        emit shownOnce();
    }
}

void TShowForm::FormShow()
{
    // Preferences: declared, the store mode decided, loaded. Any failure
    // leaves the parameters created so far at their defaults.
    try {
        m_params = CreatePreferences([] { StoreMode = DecideStoreMode(); });
    } catch (...) {
    }

    applyPreferences();

    // The media system, after the preferences; its video renderer draws
    // into the video area.
    m_renderer = std::make_unique<TVideoRenderer>();
    m_media = std::make_unique<TMediaSystem>();
    m_media->Superposer.SetMaximumSize(ParMaxWidth->Value, ParMaxHeight->Value);
    handImageNumberToInlay();
    m_media->SetVideoWindow(m_renderer.get());
    m_media->SetSceneList(&m_scenes);
    vwEcran->SetRenderer(m_renderer.get());
    // From now on the filters' messages come here; closing takes this back
    // before the graph stops.
    TBCBaseFilter::SetMainWindow(this);

    ApplyStartupVolumeKeys(*m_al);

    // No video yet: empty source lists, the picture and sound commands off.
    ApplyBuilder(&m_emptyBuilder);
    SetVideoControls(false);
    SetAudioControls(false);

    LayoutWindow();
    FitVideo(4, 3);
    setAcceptDrops(true);

    // The splitter's and decoders' settings for this run, before any chain
    // is built; the user's own come back when the window goes.
    TFilterPresets::AtStart(!ParParametrerFiltres || ParParametrerFiltres->Value);
    m_presetsTaken = true;
    // The description of the system that problem reports carry, with the
    // filters found; then the decoders to choose from.
    CheckRequiredFilters();
    FillDecoderLists();
    FollowImageFolderDrive();
    if (m_raccourcis) m_raccourcis->Fill(m_al);

    // The screen saver stays off while the application runs.
    m_screenSaver = std::make_unique<TScreenSaver>();
    m_screenSaverWasActive = m_screenSaver->Inhibit();

    m_resizeInstalled = true;
}

void TShowForm::applyPreferences()
{
    try {
        applyStoredBounds();
        if (ParPanneauActif) ShowPanel(ParPanneauActif->Value);
        OptionsFrame()->LoadFromPreferences();
        // The store the preferences came from. Portable mode runs the choice
        // (the registry copy goes, the image folder moves beside the
        // executable) before the folder is shown; no store is only shown,
        // since starting never deletes a store.
        if (StoreMode == smNone)
            OptionsFrame()->ShowPrefsIndex(smNone);
        else
            OptionsFrame()->SetPrefsIndex(StoreMode);
        applyNamingPreferences();
        showToggleState("taTraiterErreurs", ParTraiterErreurs);
        showToggleState("taMTSVitesseMaxi", ParMTSEnVitesseMaxi);
        showToggleState("taVitesseMaxi", ParVitesseMaxi);
        showToggleState("taMute", ParMuteOn);
        if (auto* play = dynamic_cast<TtoggleAction*>(Action("taPlayPause"))) play->SetChecked(false);
        if (ParVitesseMaxi) SourcesFrame()->VitesseMaxiBox->setChecked(ParVitesseMaxi->Value);
        if (ParIVolume) VolumeGauge->SetProgress(ParIVolume->Value / 100);
        // Full screen as it was left: without a picture yet, only the
        // command's state changes.
        if (auto* fs = dynamic_cast<TtoggleAction*>(Action("tafullscreen"))) {
            fs->SetChecked(false);
            if (ParFullscreenOn && ParFullscreenOn->Value) fs->RunHandler(this);
        }
        if (auto* inlay = dynamic_cast<TtoggleAction*>(Action("taIncruster"))) inlay->SetChecked(false);
        if (ParIncrustRec) RefreshInlayPanel(ParIncrustRec->Value);
        refreshIntervalloBar();
        // Reduced mode shrinks the window to a video area that must have
        // been placed first.
        if (ParReducedOn && ParReducedOn->Value) {
            LayoutWindow();
            if (TCustomSuperAction* reduce = Action("taReduire")) reduce->Execute();
        }
    } catch (...) {
    }
}

void TShowForm::paintEvent(QPaintEvent* e)
{
    QWidget::paintEvent(e);
    if (!m_painted) {
        m_painted = true;
        TntFormPaint();
    }
}

void TShowForm::TntFormPaint()
{
    ShowFiltersWarning();
}

void TShowForm::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (m_resizeInstalled) TntFormResize();
}

void TShowForm::TntFormResize()
{
    LayoutWindow();
    if (m_media && m_media->HasVideo()) {
        RefitVideo();
        PlaceThumbnail();
    }
}

// ---------------------------------------------------------------------------
// Commands.

void TShowForm::saAbortExecute(QObject*)
{
    AbortRequested = true;
    if (OnStopScripts) OnStopScripts();
    if (TCustomSuperAction* fs = Action("tafullscreen"); fs && fs->Checked()) fs->Execute();
    if (TCustomSuperAction* r = Action("taReduire"); r && r->Checked()) r->Execute();
    if (IsIntervalloRunning && IsIntervalloRunning())
        if (TCustomSuperAction* go = Action("taIntervalloGo")) go->Execute();
}

void TShowForm::acQuitterExecute(QObject*)
{
    close();
}

// ---------------------------------------------------------------------------
// Window messages from the filters' streaming threads.

bool TShowForm::event(QEvent* e)
{
    if (DispatchWindowMessage(this, e)) return true;
    return QWidget::event(e);
}

qintptr TShowForm::WindowMessage(unsigned msg, quintptr wParam, qintptr lParam)
{
    switch (msg) {
    case MsgPrecisionCapture:
        onPrecisionCapture(wParam);
        return 1; // handled: the compositor goes on to the next point
    case MsgStreamDescription:
        onStreamDescription(wParam, lParam);
        break;
    case MsgReconnectPin:
        onReconnectPin(lParam);
        break;
    default:
        break; // other values of the user range are not ours
    }
    return 0;
}

void TShowForm::onPrecisionCapture(quintptr wParam)
{
    if (AbortRequested || m_closing) return;
    m_inPrecisionCapture = true;
    {
        TBusyScope busy(*this);
        // The capture point travels whole: a window word holds 64 bits here.
        const auto point = int64_t(uint64_t(wParam));
        if (m_media) CurrentEdit->setText(m_media->FormatTimestamp(point));
        bool written = true;
        bool taken = false;
        try {
            taken = TakeSnapshot();
            if (taken) written = SaveSnapshot();
        } catch (...) {
            written = false;
        }
        if (!written)
            onIntervalloImage(false);
        else if (taken && !AbortRequested)
            onIntervalloImage(true);
        ProcessPendingMessages();
    }
    m_inPrecisionCapture = false;
    finishPrecisionCapture();
}

void TShowForm::onStreamDescription(quintptr wParam, qintptr lParam)
{
    if (wParam != 1 && wParam != 2) return;
    if (Busy) {
        // Not in the middle of a seek or a capture: the window takes the
        // newest description once the wait is over.
        m_droppedDescriptions |= 1u << wParam;
        return;
    }
    if (wParam == 1)
        ApplyVideoDescription(SnapshotOf(reinterpret_cast<const TvData*>(lParam)));
    else
        ApplyAudioDescription(SnapshotOf(reinterpret_cast<const TaData*>(lParam)));
}

void TShowForm::ApplyVideoDescription(const TvData& record)
{
    if (!m_media) return;
    m_media->VData = record;
    m_media->FrameDuration = record.AvgTimePerFrame > 0 ? record.AvgTimePerFrame : 400'000;
    QString text = QString::fromUtf8(record.Description);
    if (!record.SizeText.isEmpty()) text += QStringLiteral(" - ") + QString::fromUtf8(record.SizeText);
    SourcesFrame()->LabVideo->setText(text);
    if (!m_media->HasVideo()) return;
    const TAspectChoice ratio = ApplyAspectPreference(ParForcerAspectRatio ? ParForcerAspectRatio->Value : 0,
        record.Aspect, int(record.Width), int(record.Height));
    AspectMode = ratio.mode;
    FitVideo(ratio.a, ratio.b);
    RefreshFrameSize();
}

void TShowForm::ApplyAudioDescription(const TaData& record)
{
    if (!m_media) return;
    m_media->AData = record;
    SourcesFrame()->LabAudio->setText(QString::fromUtf8(record.Description));
}

void TShowForm::ApplyStreamDescription()
{
    ApplyVideoDescription(VideoSnapshot());
    ApplyAudioDescription(AudioSnapshot());
}

void TShowForm::ApplyDroppedDescriptions()
{
    const unsigned dropped = std::exchange(m_droppedDescriptions, 0u);
    if (dropped & (1u << 1)) ApplyVideoDescription(VideoSnapshot());
    if (dropped & (1u << 2)) ApplyAudioDescription(AudioSnapshot());
}

TShowForm::TBusyScope::TBusyScope(TShowForm& window)
    : m_window(window)
    , m_was(window.Busy)
{
    window.Busy = true;
}

TShowForm::TBusyScope::~TBusyScope()
{
    m_window.Busy = m_was;
    if (!m_was && !m_window.m_closing) m_window.ApplyDroppedDescriptions();
}

void TShowForm::onReconnectPin(qintptr lParam)
{
    if (m_media && !m_closing) m_media->ReconnectOverlayPin(lParam == 0 ? 0 : 1);
}

// ---------------------------------------------------------------------------
// Closing and destruction.

void TShowForm::closeEvent(QCloseEvent* e)
{
    if (FormCloseQuery()) {
        e->accept();
        emit closed();
    } else
        e->ignore();
}

bool TShowForm::FormCloseQuery()
{
    // The abort leaves full screen and reduced mode; the next start must
    // still find them as the user left them.
    m_fullScreenAtClose = Action("tafullscreen") && Action("tafullscreen")->Checked();
    m_reducedAtClose = m_reduced;
    saAbortExecute(this);
    m_resizeInstalled = false;

    if (TCustomSuperAction* fs = Action("tafullscreen"); fs && fs->Checked()) {
        fs->Execute();
        ProcessPendingMessages();
    }

    if (StoreMode == smNone && m_savePrefs) {
        const int choice = m_savePrefs->Ask();
        if (choice < 0) {
            m_resizeInstalled = m_shown;
            return false;
        }
        OptionsFrame()->SetPrefsIndex(choice);
    }

    if (StoreMode != smNone && m_params) {
        copyStateToPreferences();
        // The radio group has the last word on where the preferences go.
        StoreMode = TStoreMode(OptionsFrame()->PrefsIndex());
        bool saved = true;
        try {
            saved = m_params->WriteAll();
        } catch (...) {
            saved = false;
        }
        // The old store is still whole on disk; the user learns that the
        // settings of this session are not in it, and leaves anyway.
        if (!saved) {
            const QString reason = m_params->SaveFailure();
            showWarning(reason.isEmpty()
                    ? QStringLiteral("Impossible d'enregistrer les préférences.")
                    : QStringLiteral("Impossible d'enregistrer les préférences: %1").arg(reason));
        }
    }
    m_closing = true;
    // From here on, a streaming thread blocked in a send to this window is
    // released rather than waited for while the graph stops.
    CloseMessageTarget(this);
    releaseMessageTarget();
    return true;
}

void TShowForm::releaseMessageTarget()
{
    // The filters are told first, so no new message is aimed here; a sender
    // already waiting was let go by CloseMessageTarget.
    if (TBCBaseFilter::MainWindow() == this) TBCBaseFilter::SetMainWindow(nullptr);
    CloseMessageTarget(this);
}

void TShowForm::copyStateToPreferences()
{
    auto checked = [this](const char* name) {
        TCustomSuperAction* a = Action(name);
        return a && a->Checked();
    };
    const bool reduced = checked("taReduire");
    if (ParTop) ParTop->Value = y();
    if (ParLeft) ParLeft->Value = x();
    if (!reduced && ParMainHeight && ParMainWidth) {
        ParMainHeight->Value = height();
        ParMainWidth->Value = width();
    }
    if (ParFullscreenOn) ParFullscreenOn->Value = m_fullScreenAtClose || checked("tafullscreen");
    if (ParReducedOn) ParReducedOn->Value = m_reducedAtClose || reduced;
    if (ParWantDeinter) ParWantDeinter->Value = checked("taImagesDeinterlacer");
    if (ParWantIncrust) ParWantIncrust->Value = checked("taIncruster");
    if (ParWantVertFlip) ParWantVertFlip->Value = checked("taVertFlip");
    if (ParWantHorzFlip) ParWantHorzFlip->Value = checked("taHorzFlip");
    if (ParVitesseMaxi) ParVitesseMaxi->Value = checked("taVitesseMaxi");
}

void TShowForm::FormDestroy()
{
    if (m_destroyed) return;
    m_destroyed = true;
    releaseMessageTarget();
    if (m_screenSaver && m_screenSaverWasActive) m_screenSaver->Release();
    m_screenSaver.reset();
    // The media system goes before the opening results whose streams it
    // still refers to, and before the filter settings are put back.
    if (m_media) {
        m_media->ReleaseAll();
        m_media.reset();
    }
    if (vwEcran) vwEcran->SetRenderer(nullptr);
    m_renderer.reset();
    m_builders.Clear();
    if (m_presetsTaken) TFilterPresets::AtEnd();
    m_params.reset();
}

void TShowForm::contextMenuEvent(QContextMenuEvent* e)
{
    if (PopupMenu) PopupMenu->popup(e->globalPos());
}
