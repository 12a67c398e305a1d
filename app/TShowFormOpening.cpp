// The main window's road from a path to a paused, shown video: the open
// dialog, file patterns, paste and drop, the source lists, the failure
// messages, the MTS rule and the closing of a file.

#include "app/TOptionsFrame.h"
#include "app/TShowForm.h"
#include "app/TSourcesFrame.h"
#include "app/Tnav_fileframe.h"
#include "app/Tplaque.h"
#include "automation/CommandContext.h"
#include "automation/TCustomSuperAction.h"
#include "automation/TSuperAction.h"
#include "automation/TtoggleAction.h"
#include "capture/ImageNaming.h"
#include "capture/TExtraireFrame.h"
#include "media/InstalledFilters.h"
#include "media/SourcePaths.h"
#include "media/TAudioSource.h"
#include "media/TVideoSource.h"
#include "platform/FileManager.h"
#include "platform/WindowMessages.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "prefs/TWideStringParameter.h"
#include "support/Product.h"
#include "support/TErreurForm.h"
#include "support/TLinkMarkup.h"
#include "support/TTextGauge.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QSlider>
#include <QUrl>

namespace
{
QString colored(const QString& text, const char* color)
{
    return QStringLiteral("<font color=\"%1\">%2</font>").arg(QLatin1String(color), text.toHtmlEscaped());
}

// Longer names are refused, as the platform's own path limit would.
constexpr int MaxDroppedName = 65531;

// The local files of a paste or a drop, in their order.
QStringList localFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

class TWaitCursor
{
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};
} // namespace

const QString TShowForm::OpenFilter = QStringLiteral("Fichiers Vidéo (*.avi *.ivf *.mpg *.mpeg *.m1v *.mp2 "
                                                     "*.mpe *.wmv *.asf *MTS *m2ts *.ts *.vob *.mkv *.mov "
                                                     "*.mp4 *.3g2 *.m4v);;Tous (*.*) (*)");

std::tuple<int, int, int> TShowForm::StreamShape() const
{
    // The window's copy, taken when the description last reached it.
    if (m_media) return { m_media->VData.Aspect, int(m_media->VData.Width), int(m_media->VData.Height) };
    return { AspectUnknown, 0, 0 };
}

TSourcesFrame* TShowForm::SourcesFrame() const
{
    return static_cast<TSourcesFrame*>(m_panels[0]);
}
TOptionsFrame* TShowForm::OptionsFrame() const
{
    return static_cast<TOptionsFrame*>(m_panels[4]);
}

void TShowForm::reportError(const QString& message)
{
    if (!ParTraiterErreurs || !ParTraiterErreurs->Value) return;
    if (OnErrorMessage)
        OnErrorMessage(message);
    else if (m_erreur)
        m_erreur->Show(message);
}

void TShowForm::showWarning(const QString& text)
{
    if (OnWarning)
        OnWarning(text);
    else
        QMessageBox::warning(this, Product::Name, text, QMessageBox::Ok);
}

// ---------------------------------------------------------------------------
// Commands.

void TShowForm::SetOption(const char* name, TBooleanParameter* parameter, const QString& optionKey, bool on)
{
    if (parameter) parameter->Value = on;
    if (QCheckBox* box = OptionsFrame()->Box(optionKey)) box->setChecked(on);
    if (auto* a = dynamic_cast<TtoggleAction*>(Action(name))) a->SetChecked(on);
}

void TShowForm::bindOptionToggle(const char* name, TBooleanParameter** parameter, const QString& optionKey)
{
    TtoggleAction* a = ToggleCommand(name);
    // The parameter is looked up when the command runs: the parameters are
    // made after the commands are bound.
    a->OnfalseExecute
        = [this, name, parameter, optionKey](QObject*) { SetOption(name, *parameter, optionKey, true); };
    a->OnTrueExecute
        = [this, name, parameter, optionKey](QObject*) { SetOption(name, *parameter, optionKey, false); };
}

void TShowForm::showToggleState(const char* name, TBooleanParameter* parameter)
{
    if (auto* a = dynamic_cast<TtoggleAction*>(Action(name)); a && parameter) a->SetChecked(parameter->Value);
}

void TShowForm::bindOpeningCommands()
{
    if (auto* a = PlainCommand("saOpenFile")) {
        a->Onprepare = [this](QObject* s) { saOpenFilePrepare(s); };
        a->Onexecute = [this](QObject*) { saOpenFileExecute(CommandArguments.value(0)); };
    }
    if (auto* a = PlainCommand("saBouclerScript")) {
        // From a menu or a key it does nothing; runners call its handler.
        a->Onprepare = [](QObject*) { CommandProceed = false; };
        a->Onexecute = [this](QObject*) { saBouclerScriptExecute(); };
    }
    if (auto* a = PlainCommand("saPaste")) a->Onexecute = [this](QObject*) { saPasteExecute(); };
    if (auto* a = PlainCommand("saVider")) a->Onexecute = [this](QObject*) { saViderExecute(); };

    bindOptionToggle("taTraiterErreurs", &ParTraiterErreurs, QStringLiteral("Traiter Erreurs"));
    bindOptionToggle("taMTSVitesseMaxi", &ParMTSEnVitesseMaxi, QStringLiteral("MTS en vitesse Maxi"));
    if (auto* a = ToggleCommand("taVitesseMaxi")) {
        a->OnfalseExecute = [this](QObject*) { SetMaxSpeed(true); };
        a->OnTrueExecute = [this](QObject*) { SetMaxSpeed(false); };
    }
    if (auto* a = ToggleCommand("tafullscreen")) {
        a->OnfalseExecute = [this](QObject*) { SetFullScreen(true); };
        a->OnTrueExecute = [this](QObject*) { SetFullScreen(false); };
    }
    if (auto* a = ToggleCommand("taIncruster")) {
        a->OnfalseExecute = [this](QObject*) { SetInlayOn(true); };
        a->OnTrueExecute = [this](QObject*) { SetInlayOn(false); };
    }

    TSourcesFrame* sources = SourcesFrame();
    connect(sources->cboxvideo, &QComboBox::activated, this, &TShowForm::cboxVideoChange);
    connect(sources->cboxAudio, &QComboBox::activated, this, &TShowForm::cboxAudioChange);
    // The box mirrors the command: a click runs the command, which sets it.
    connect(sources->VitesseMaxiBox, &QCheckBox::clicked, this, [this] {
        if (TCustomSuperAction* a = Action("taVitesseMaxi")) {
            a->Execute();
            SourcesFrame()->VitesseMaxiBox->setChecked(a->Checked());
        }
    });

    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TShowForm::refreshPasteCommand);
    refreshPasteCommand();
}

void TShowForm::saOpenFilePrepare(QObject*)
{
    const QString path
        = QFileDialog::getOpenFileName(this, QStringLiteral("Ouvrir un fichier"), PatternFolder, OpenFilter);
    if (path.isEmpty()) {
        CommandProceed = false;
        return;
    }
    CommandArguments = QStringList { path };
}

void TShowForm::saOpenFileExecute(const QString& path)
{
    TCommandRunningScope running;
    TWaitCursor cursor;
    try {
        PatternFolder = TPatternSearch::FolderOf(path);
        if (!PatternSearch.FindFirst(path)) return;
        OpenPath(PatternFolder + PatternSearch.Name());
        if (ExecutingRunnerLine)
            if (int* line = ExecutingRunnerLine()) PatternScriptLine = *line;
    } catch (...) {
    }
}

void TShowForm::saBouclerScriptExecute()
{
    if (!PatternSearch.FindNext()) return;
    OpenPath(PatternFolder + PatternSearch.Name());
    if (ExecutingRunnerLine)
        if (int* line = ExecutingRunnerLine()) *line = PatternScriptLine;
}

void TShowForm::saPasteExecute()
{
    TWaitCursor cursor;
    const QStringList files = localFiles(QGuiApplication::clipboard()->mimeData());
    if (files.isEmpty()) {
        if (TCustomSuperAction* a = Action("saPaste")) a->SetEnabled(false);
        return;
    }
    OpenFileList(files, true);
}

void TShowForm::refreshPasteCommand()
{
    if (TCustomSuperAction* a = Action("saPaste"))
        a->SetEnabled(!localFiles(QGuiApplication::clipboard()->mimeData()).isEmpty());
}

void TShowForm::OpenFileList(const QStringList& files, bool warnFirst)
{
    if (files.isEmpty()) return;
    const bool several = files.size() > 1;
    if (warnFirst && several) showWarning(QStringLiteral("Seul un fichier est activé à la fois"));
    if (files.first().size() < MaxDroppedName) OpenPath(files.first());
    if (!warnFirst && several) showWarning(QStringLiteral("Seul un fichier est activé à la fois"));
}

void TShowForm::dragEnterEvent(QDragEnterEvent* e)
{
    if (!localFiles(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void TShowForm::dropEvent(QDropEvent* e)
{
    const QStringList files = localFiles(e->mimeData());
    if (files.isEmpty()) return;
    e->acceptProposedAction();
    // The drag's source waits for the drop to end: open once it has.
    QMetaObject::invokeMethod(
        this, [this, files] { OpenFileList(files, false); }, Qt::QueuedConnection);
}

void TShowForm::saViderExecute()
{
    CloseMedia();
    ApplyBuilder(&m_emptyBuilder);
    RefreshSourceState();
}

bool TShowForm::eventFilter(QObject* watched, QEvent* e)
{
    if (inlayEventFilter(watched, e)) return true;
    if (watched == tb) {
        if (e->type() == QEvent::MouseButtonPress) nav_filetbMouseDown();
        // The slider takes the release first, then the seek goes to where
        // it was left.
        if (e->type() == QEvent::MouseButtonRelease)
            QMetaObject::invokeMethod(this, &TShowForm::nav_filetbMouseUp, Qt::QueuedConnection);
        return false;
    }
    if (watched == ImageLab && e->type() == QEvent::MouseButtonRelease) {
        OuvrirDossierImages();
        return true;
    }
    if (watched == CurrentEdit) {
        if (e->type() == QEvent::FocusIn) CurrentEditEnter();
        if (e->type() == QEvent::FocusOut) CurrentEditExit();
        if (e->type() == QEvent::KeyPress && CurrentEditKeyPress(static_cast<QKeyEvent*>(e))) return true;
        return false;
    }
    if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton
        && (watched == PanelTitre || watched == EnCoursLab || watched == scnLab || watched == srtlab
            || watched == moddlab)) {
        ShowCurrentFileInFolder();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void TShowForm::ShowCurrentFileInFolder()
{
    if (m_currentBuilder == &m_emptyBuilder) return;
    FileManager::ShowItem(m_currentBuilder->Path);
}

// ---------------------------------------------------------------------------
// Source lists.

void TShowForm::cboxVideoChange(int index)
{
    auto* selected = static_cast<TVideoSource*>(SourcesFrame()->cboxvideo->itemData(index).value<void*>());
    if (!selected || !m_media || m_media->IsCurrentVideo(selected)) return;
    m_media->Stop();
    if (m_media->HasVideo()) m_media->ReleaseVideo();
    if (selected != NoVideoSource()) m_media->SelectSources(selected, nullptr);
    RefreshSourceState();
}

void TShowForm::cboxAudioChange(int index)
{
    auto* selected = static_cast<TAudioSource*>(SourcesFrame()->cboxAudio->itemData(index).value<void*>());
    if (!selected || !m_media || m_media->IsCurrentAudio(selected)) return;
    if (m_media->HasAudio()) m_media->ReleaseAudio();
    if (selected != NoAudioSource()) m_media->SelectSources(nullptr, selected);
    RefreshSourceState();
}

// ---------------------------------------------------------------------------
// Opening.

TGrabBuilder* TShowForm::BuilderFor(const QString& path)
{
    return m_builders.BuilderFor(path);
}

void TShowForm::CloseMedia()
{
    try {
        if (m_media) m_media->ReleaseAll();
    } catch (...) {
    }
}

void TShowForm::OpenPath(const QString& path)
{
    if (!m_media) return;
    try {
        m_scenes.LoadScenes(ChangeExtension(path, QStringLiteral(".scn")));
        const QString extension = ExtensionOf(path).toLower();
        StopRefreshTimer();
        EnCoursLab->setText(colored(QStringLiteral("En train de charger ") + FileNamePart(path), "navy"));
        if (TCustomSuperAction* play = Action("taPlayPause"); play && play->Checked()) play->Execute();
        CloseMedia();
        ProcessPendingMessages();
        TGrabBuilder* result = BuilderFor(path);
        if (result->Failed) {
            reportError(QStringLiteral("Le fichier <color Maroon>") + TLinkMarkup::Escape(path)
                + QStringLiteral("</color> n'est pas d'un type reconnu par Stillex sur votre système.<br><br>"
                                 "Vérifiez si tous les filtres utiles sont installés")
                + (HaaliPresent ? QStringLiteral(".") : QStringLiteral(", notamment Haali Media Splitter.")));
            ApplyBuilder(&m_emptyBuilder);
            RefreshSourceState();
            return;
        }
        if (!ApplyBuilder(result)) {
            reportError(QStringLiteral("Le fichier <color Maroon>") + TLinkMarkup::Escape(path)
                + QStringLiteral("</color> ne peut pas être traité par Stillex sur votre système.<br><br>"
                                 "Vérifiez si tous les filtres ou codecs utiles sont installés")
                + (FfdshowVideoPresent && FfdshowAudioPresent ? QStringLiteral(".")
                                                              : QStringLiteral(", notamment ffdshow.")));
            ApplyBuilder(&m_emptyBuilder);
            RefreshSourceState();
            return;
        }
        // MTS files play at maximum speed when the user asked for it; any
        // other file brings the normal speed back.
        if (ParMTSEnVitesseMaxi && ParMTSEnVitesseMaxi->Value && ParVitesseMaxi) {
            const bool mts = extension == QLatin1String(".mts") || extension == QLatin1String(".m2ts");
            if (mts != ParVitesseMaxi->Value)
                if (TCustomSuperAction* a = Action("taVitesseMaxi")) a->Execute();
        }
        RefreshSourceState();
        if (m_currentBuilder == &m_emptyBuilder) return; // could not be positioned
        scnLab->setVisible(QFileInfo(ChangeExtension(path, QStringLiteral(".scn"))).isFile());
        srtlab->setVisible(QFileInfo(ChangeExtension(path, QStringLiteral(".srt"))).isFile());
        moddlab->setVisible(QFileInfo(path + QStringLiteral(".modd")).isFile());
        RootName = OpeningRootName(FileNamePart(path), ParNomFichierImage ? ParNomFichierImage->Value : 1,
            ParDefaultRacine ? ParDefaultRacine->Value : QStringLiteral("Stillex"),
            ParLimiterLongueur && ParLimiterLongueur->Value, ParRacineLength ? ParRacineLength->Value : 8);
        RefreshNextImageName();
    } catch (...) {
    }
}

bool TShowForm::ApplyBuilder(TGrabBuilder* result)
{
    try {
        m_currentBuilder = result ? result : &m_emptyBuilder;
        TSourcesFrame* sources = SourcesFrame();
        {
            const QSignalBlocker blockVideo(sources->cboxvideo);
            const QSignalBlocker blockAudio(sources->cboxAudio);
            sources->cboxvideo->clear();
            for (int i = 0; i < m_currentBuilder->VideoSources.Count(); ++i) {
                TVideoSource* s = m_currentBuilder->VideoSources.Items(i);
                sources->cboxvideo->addItem(s->DisplayName, QVariant::fromValue<void*>(s));
            }
            sources->cboxvideo->addItem(
                NoVideoSource()->DisplayName, QVariant::fromValue<void*>(NoVideoSource()));
            sources->cboxAudio->clear();
            for (int i = 0; i < m_currentBuilder->AudioSources.Count(); ++i) {
                TAudioSource* s = m_currentBuilder->AudioSources.Items(i);
                sources->cboxAudio->addItem(s->DisplayName, QVariant::fromValue<void*>(s));
            }
            sources->cboxAudio->addItem(
                NoAudioSource()->DisplayName, QVariant::fromValue<void*>(NoAudioSource()));
            sources->cboxvideo->setCurrentIndex(0);
            sources->cboxAudio->setCurrentIndex(0);
        }
        TVideoSource* video = m_currentBuilder->VideoSources.Count() ? m_currentBuilder->VideoSources.Items(0)
                                                                     : NoVideoSource();
        TAudioSource* audio = m_currentBuilder->AudioSources.Count() ? m_currentBuilder->AudioSources.Items(0)
                                                                     : NoAudioSource();
        const bool maxSpeed = ParVitesseMaxi && ParVitesseMaxi->Value;
        if (maxSpeed) {
            SavedAudio = audio;
            audio = NoAudioSource();
            m_media->SetSpeedMode(1);
        } else {
            m_media->SetSpeedMode(0);
        }
        // A file without a picture is played with its sound: maximum speed
        // goes off, and the stream it put aside is the one chosen.
        if (video == NoVideoSource() && maxSpeed && m_currentBuilder != &m_emptyBuilder) {
            ParVitesseMaxi->Value = false;
            m_media->SetSpeedMode(0);
            if (auto* a = dynamic_cast<TtoggleAction*>(Action("taVitesseMaxi"))) a->SetChecked(false);
            sources->VitesseMaxiBox->setChecked(false);
            audio = SavedAudio ? SavedAudio : NoAudioSource();
        }
        ProcessPendingMessages();
        m_media->ForceDecoder = !ParForcerLeDecodeur || ParForcerLeDecodeur->Value;
        if (m_currentBuilder == &m_emptyBuilder) return true;
        if (!m_media->SelectSources(video, audio)) return false;
        ProcessPendingMessages();
        // The commands that need a picture or sound are usable from here
        // on (the MTS rule runs one of them before the first positioning).
        SetVideoControls(m_media->HasVideo());
        SetAudioControls(m_media->HasAudio());
        EnCoursLab->setToolTip(QStringLiteral("Vidéo courante qui a été chargée dans Stillex\r\nCliquez "
                                              "dessus pour accéder au dossier qui la contient."));
        DureeLab->setToolTip(QStringLiteral("Durée de la vidéo"));
        DureeLab->setText(m_media->FormatTimestamp(m_media->Duration));
        return true;
    } catch (...) {
        return false;
    }
}

void TShowForm::RefreshSourceState()
{
    const bool hasVideo = m_media->HasVideo();
    const bool hasAudio = m_media->HasAudio();
    SetVideoControls(hasVideo);
    SetAudioControls(hasAudio);
    ExtraireFrame()->Clear();
    SourcesFrame()->GroupAudio->setVisible(m_media->SpeedMode == 0);
    const bool scenes = m_currentBuilder->HasSceneFile;
    for (const char* name : { "saReculeTrack", "saAvanceTrack" })
        if (TCustomSuperAction* a = Action(name)) a->SetVisible(scenes);
    NavBar->setVisible(hasVideo || hasAudio);
    for (QLabel* flag : { scnLab, srtlab, moddlab })
        flag->hide();
    const int volume = ParMuteOn && ParMuteOn->Value ? 0 : (ParIVolume ? ParIVolume->Value : 5000);
    m_media->SetVolume(volume);
    // The refresh runs exactly while a source is active.
    auto refreshTimer = [this, hasVideo, hasAudio] {
        if (hasVideo || hasAudio) {
            Timer1Timer();
            StartRefreshTimer();
        } else {
            StopRefreshTimer();
            CurrentEdit->setText(m_media->FormatTimestamp(0));
            tb->setValue(0);
        }
    };

    if (m_currentBuilder == &m_emptyBuilder) {
        EnCoursLab->setText(m_emptyBuilder.DisplayName);
        EnCoursLab->setToolTip(QString());
        DureeLab->clear();
        RefreshFrameSize();
        refreshTimer();
        return;
    }
    if (m_media->SeekTo(0)) {
        LastPosition = 0;
        EnCoursLab->setText(colored(m_currentBuilder->DisplayName, "maroon"));
        // The stream has described itself by now; its description may have
        // come while the window was busy and been dropped.
        if (m_media->HasVideo()) ApplyStreamDescription();
        RefreshFrameSize();
        refreshTimer();
        return;
    }
    QString message = QStringLiteral("Le fichier <color Maroon>")
        + TLinkMarkup::Escape(m_currentBuilder->DisplayName)
        + QStringLiteral("</color> ne peut pas être exploité par Stillex sur votre système.<br><br>"
                         "Vérifiez s'il n'est pas corrompu<br><br>");
    if (m_media->ForceDecoder && FfdshowVideoPresent)
        message += QStringLiteral(
            "Vous pouvez aussi essayer de désactiver le décodeur ffdshow dans les options (F10)");
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
    Shape1->setVisible(on);
    if (!on) {
        Shape2->setGeometry(Panel2->geometry().adjusted(-12, -12, 12, 12));
        if (auto* sliders = Action("taSliders"); sliders && sliders->Checked()) sliders->Execute();
        // Full screen without a picture shows nothing: the backdrop goes.
        if (m_plaque && m_plaque->isVisible()) {
            vwEcran->setParent(Panel1);
            m_plaque->hide();
        }
    }
    for (const char* name : { "taSliders", "taIncruster", "taVertFlip", "taHorzFlip", "tafullscreen",
             "saGrab", "saCopier", "taIntervalloShow", "taVitesseMaxi" })
        if (TCustomSuperAction* a = Action(name)) a->SetEnabled(on);
    ImageLab->setVisible(on);
    UpdatePlayPicture();
    SourcesFrame()->LabVideo->setVisible(on);
    SourcesFrame()->VitesseMaxiBox->setEnabled(on);
}

void TShowForm::SetAudioControls(bool on)
{
    VolumeGauge->setVisible(on);
    SourcesFrame()->LabAudio->setVisible(on);
    for (const char* name : { "taMute", "saIncVolume", "saDecVolume" })
        if (TCustomSuperAction* a = Action(name)) a->SetEnabled(on);
}

void TShowForm::SetMaxSpeed(bool on)
{
    if (!m_media) return;
    if (ParVitesseMaxi) ParVitesseMaxi->Value = on;
    if (on) {
        SavedAudio = m_media->CurrentAudio;
        m_media->SetSpeedMode(1);
        m_media->ReleaseAudio();
    } else {
        m_media->SetSpeedMode(0);
        if (SavedAudio && SavedAudio != NoAudioSource() && m_currentBuilder != &m_emptyBuilder)
            m_media->BuildAudioChain(SavedAudio);
    }
    if (auto* a = dynamic_cast<TtoggleAction*>(Action("taVitesseMaxi"))) a->SetChecked(on);
    SourcesFrame()->VitesseMaxiBox->setChecked(on);
    RefreshSourceState();
    UpdatePlayPicture();
}
