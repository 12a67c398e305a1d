#pragma once
// The main window: owns the open video and every command acting on it,
// receives the filters' window messages and fixes the start and stop order.

#include "app/TPatternSearch.h"
#include "app/TVideoWindow.h"
#include "automation/TRaccourcisForm.h"
#include "capture/TExifBlock.h"
#include "media/TBuilderCache.h"
#include "media/TMediaSystem.h"
#include "media/TMonikerStringList.h"
#include "media/TSceneList.h"
#include "media/TVideoRenderer.h"
#include "platform/WindowMessages.h"

#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

class QFrame;
class QLabel;
class QComboBox;
class TErreurForm;
class TFiltresWarningForm;
class THelpFrame;
class TSourcesFrame;
class TOptionsFrame;
class TAudioSource;
class QLineEdit;
class QMenu;
class QSlider;
class QToolBar;
class QToolButton;
class TActionList;
class TCustomSuperAction;
class TSuperAction;
class TtoggleAction;
class TparameterList;
class TScreenSaver;
class TSidePanel;
class Tplaque;
class Tnav_fileframe;
class TTextGauge;
class QTimer;
class QScreen;
class TDossiersFrame;
class TExtraireFrame;
class TImageWriter;
class TImageWriteQueue;
class QMouseEvent;
class TSavePrefsForm;
class TBooleanParameter;
class TIncrusterFrame;
class Tintervalloframe;
class TScript;
class TSwitch;
struct TincrustRec;

class TShowForm : public QWidget, public TMessageTarget
{
    Q_OBJECT
public:
    static constexpr int MinWidth = 708;
    static constexpr int MinHeight = 522;
    static constexpr int PanelCount = 7;

    explicit TShowForm(QWidget* parent = nullptr); // window creation
    ~TShowForm() override; // destruction

    // The command list `al`.
    TActionList* al() const { return m_al; }
    TCustomSuperAction* Action(const char* name) const;
    // The command a handler is bound to, of its kind. Binding to a name the
    // catalog does not have (or to a command of the other kind) stops the
    // program at once: the window binds every handler when it is made, so
    // no test and no start gets past a misspelt name.
    TSuperAction* PlainCommand(const char* name) const;
    TtoggleAction* ToggleCommand(const char* name) const;

    // Modules created by the program entry after the main window.
    void SetPlaque(Tplaque* p) { m_plaque = p; }
    void SetSavePrefsForm(TSavePrefsForm* f) { m_savePrefs = f; }
    void SetErreurForm(TErreurForm* f) { m_erreur = f; }
    // The missing-filter warning; without one, the warning goes to
    // OnWarning as plain text.
    void SetFiltresWarningForm(TFiltresWarningForm* f) { m_filtresWarning = f; }
    // The shortcuts window, shown and hidden by "taraccourcis" and filled
    // with the command list at the first showing.
    void SetRaccourcisForm(TRaccourcisForm* form);
    TRaccourcisForm* RaccourcisForm() const { return m_raccourcis; }

    // ---- the help panel and the shortcuts window (TShowFormHelp.cpp) ----
    void ShowShortcuts(bool show);
    // The free-space gauge measures the file system of the image folder as
    // it is now; the start and the folder dialog call it, a script's
    // "dest_folder" does not.
    void FollowImageFolderDrive();

    // ---- filters (TShowFormFilters.cpp) ----
    // Which required filters are there: the presence flags, the help
    // panel's list, the filter lines of the system description.
    void CheckRequiredFilters();
    // The installed MPEG decoders into the catalogues and the options
    // panel's lists, and the stored choices applied.
    void FillDecoderLists();
    // Selects the decoder of that display name (the first when none has
    // it), stores the choice and loads it into the media system's slot.
    void ApplyVideoDecoder(const QString& name);
    void ApplyAudioDecoder(const QString& name);
    // The user's choice in a list: the chain rebuilt with the decoder, in
    // the state it was in, at the same position.
    void cbDecodeursMpegVideoChange(const QString& name);
    void cbDecodeursMpegAudioChange(const QString& name);
    const TMonikerStringList& VideoDecoders() const { return m_videoDecoders; }
    const TMonikerStringList& AudioDecoders() const { return m_audioDecoders; }
    THelpFrame* HelpFrame() const;
    // The missing-filter warning, when something is missing and the user
    // still wants it (at the first paint).
    void ShowFiltersWarning();
    Tplaque* Plaque() const { return m_plaque; }

    // Re-entrancy flag: stream-description messages are dropped while set.
    bool Busy = false;
    // Set by the abort command; stops capture messages and loops.
    bool AbortRequested = false;

    int PanelColumnX = 0;
    int VideoOffsetX = 0;
    int ActivePanel() const { return m_activePanel; }
    TSidePanel* Panel(int index) const;
    // The command showing each panel, in the column's order.
    static const char* const PanelCommands[PanelCount];

    // Everything placed for the client size; nothing moves in reduced mode.
    void LayoutWindow();
    // Panels 0 to 6; 7 and 8 show none; above 8 nothing changes.
    void ShowPanel(int index);
    void HidePanel();
    // "EcranGauche" inverted: the panel column goes to the other side.
    void SwapPanelColumn();
    // Reduced mode: the window shrinks to the video area, and comes back to
    // the size it had.
    void SetReduced(bool on);
    bool Reduced() const { return m_reduced; }
    // The screen holding the main window (most of it), where full screen
    // goes.
    QScreen* HoldingScreen() const;

    // Whether the one-time showing steps and the first paint have run.
    bool Shown() const { return m_shown; }
    bool ResizeHandlerInstalled() const { return m_resizeInstalled; }
    int LayoutCount() const { return m_layoutCount; }

    qintptr WindowMessage(unsigned msg, quintptr wParam, qintptr lParam) override;

    // Commands of this window.
    void saAbortExecute(QObject* sender);
    void acQuitterExecute(QObject* sender);

    // Hooks that later parts of the window fill; called at the matching step.
    std::function<void()> OnStopScripts;
    std::function<bool()> IsIntervalloRunning;

    // Widgets named as the rest of the window refers to them.
    QToolBar* tbUnique = nullptr;
    QFrame* Bevel2 = nullptr;
    QFrame* PanelTitre = nullptr;
    QToolButton* btnSources = nullptr;
    QLabel* EnCoursLab = nullptr;
    QLabel* moddlab = nullptr;
    QLabel* srtlab = nullptr;
    QLabel* scnLab = nullptr;
    QFrame* Panel1 = nullptr;
    TVideoWindow* vwEcran = nullptr;
    QLabel* Panel2 = nullptr;
    QFrame* PanelHaut = nullptr;
    QLineEdit* CurrentEdit = nullptr;
    QLabel* DureeLab = nullptr;
    QLabel* labTaille = nullptr;
    Tnav_fileframe* NavBar = nullptr;
    TTextGauge* VolumeGauge = nullptr;
    // The refresh of the position display, every 40 ms while a source is
    // active.
    QTimer* Timer1 = nullptr;
    QSlider* tb = nullptr;
    QFrame* Bevel1 = nullptr;
    QFrame* panelImage = nullptr;
    QToolButton* btnDossiers = nullptr;
    QLabel* ImageLab = nullptr;
    QMenu* PopupMenu = nullptr;
    // The inlay's position sliders and the corner and frame around the video.
    QSlider* Yslider = nullptr;
    QSlider* Xslider = nullptr;
    QFrame* Shape1 = nullptr;
    QFrame* Shape2 = nullptr;
    TSourcesFrame* SourcesFrame() const;
    TOptionsFrame* OptionsFrame() const;

    TMediaSystem* Media() const { return m_media.get(); }

    // ---- opening a video ----
    // Opens one file; the outcome shows in the window (title, picture,
    // duration) or, when errors are reported, in a message.
    void OpenPath(const QString& path);
    TGrabBuilder* BuilderFor(const QString& path);
    bool ApplyBuilder(TGrabBuilder* result);
    void RefreshSourceState();
    void CloseMedia();
    void SetVideoControls(bool on);
    void SetAudioControls(bool on);
    TGrabBuilder* CurrentBuilder() const { return m_currentBuilder; }
    // Where the opening's messages go (their text uses the link markup);
    // the error window when not set.
    std::function<void(const QString&)> OnErrorMessage;
    // Where warnings go; a warning box when not set.
    std::function<void(const QString&)> OnWarning;
    // The entry index of the runner executing now (the command-line runner
    // first, else the script runner), or nullptr when none runs.
    std::function<int*()> ExecutingRunnerLine;

    // The open dialog's filter.
    static const QString OpenFilter;
    // saOpenFile's two steps: the dialog (the chosen path becomes the
    // argument), then the opening of the first file matching the argument.
    void saOpenFilePrepare(QObject* sender);
    void saOpenFileExecute(const QString& path);
    // "next": the following file of the open pattern.
    void saBouclerScriptExecute();
    void saPasteExecute();
    void saViderExecute();
    // Files dropped or pasted: the first is opened; with more than one, a
    // warning before the opening (paste) or after it (drop).
    void OpenFileList(const QStringList& files, bool warnFirst);
    void cboxVideoChange(int index);
    void cboxAudioChange(int index);
    // Shows the current file selected in the file manager.
    void ShowCurrentFileInFolder();
    TPatternSearch PatternSearch;
    QString PatternFolder;
    int PatternScriptLine = 0;
    // The audio stream that maximum speed put aside.
    TAudioSource* SavedAudio = nullptr;
    // Maximum speed on or off (the two branches of its command).
    void SetMaxSpeed(bool on);
    void SetFullScreen(bool on);
    bool FullScreen() const;
    // ---- the inlay ----
    // Hands the inlay settings to the compositor and shows them on the still.
    void ApplyInlay();
    void SetInlayOn(bool on);
    bool InlayOn = false;
    TIncrusterFrame* IncrusterFrame() const;
    // A record's values in the panel and the position sliders.
    void RefreshInlayPanel(const TincrustRec& rec);
    // The time-offset panel: its reference date for the kind of inlay
    // drawn; false (and nothing shown) when there is none.
    bool OpenOffsetPanel();
    void OffsetFieldsChange();
    double OldDate = 0; // whole seconds
    double NewDate = 0;
    // While one of the inlay's text fields has the focus, the keys that
    // play and change the volume are typed instead.
    void TypingShortcuts(bool typing);
    // The intervallometer's bar shown (or hidden) again by the sliders.
    std::function<void(bool)> OnShowIntervalloBar;

    // ---- the intervallometer ----
    Tintervalloframe* IntervalloBar = nullptr;
    int64_t IntervalloStep = 0; // 100-ns units
    int64_t IntervalloStart = 0;
    int64_t IntervalloRemaining = 0;
    void RefreshIntervalloCount();
    // A script's argument such as "5Secondes": true when it ends with the
    // unit's name (any case), which then sets the value and the unit.
    bool ParseIntervalloArgument(const QString& unitName, const QString& argument);
    void StartIntervallo();
    void StopIntervallo();
    bool IntervalloRunning() const { return m_intervalloRunning; }

    // ---- scripts and the command line ----
    // The script runner of "script" (Ctrl+S) and the command-line runner;
    // the command-line runner runs at the application's first activation
    // once the window has been shown.
    TScript* Script1 = nullptr;
    TSwitch* Switch1 = nullptr;
    // Chooses the script file of the interactive "script" (tests answer it);
    // the open dialog when not set. Empty: nothing runs.
    std::function<QString()> OnChooseScript;
    void saScriptPrepare(QObject* sender);

    // ---- playback and navigation ----
    void Timer1Timer();
    void StartRefreshTimer();
    void StopRefreshTimer();
    // Image (0), second (1) or minute (2) steps, forward or back.
    void Step(int size, bool forward);
    void SceneStep(bool forward);
    void PlayPause(bool play);
    void nav_filetbMouseDown();
    void nav_filetbMouseUp();
    void CurrentEditEnter();
    // Enter seeks to the typed timestamp; any other key is typed.
    bool CurrentEditKeyPress(QKeyEvent* e);
    void CurrentEditExit();
    void ChangeVolume(int delta);
    void ApplyVolume();
    void SetMute(bool on);
    void saPositionExecute(const QString& timestamp);
    void saWaitExecute(const QString& milliseconds);
    void vwEcranMouseDown(QMouseEvent* e);
    void UpdatePlayPicture();

    // ---- grabbing and naming ----
    // The current frame, deinterlaced and squeezed to the output size, as
    // the thumbnail of the grab panel.
    // True when a frame was copied now; false leaves the last snapshot alone.
    bool TakeSnapshot();
    // Saves the snapshot under NextImagePath, asking before replacing;
    // false when the file could not be written.
    bool SaveSnapshot();
    // Writes it and moves the naming on; false when the file could not be
    // written (then nothing moves).
    bool WriteSnapshot();
    void PlaceThumbnail();
    void handImageNumberToInlay();
    void RefreshNextImageName();
    void NameByNumber();
    void NameByTimestamp();
    void RefreshRootName();
    void OuvrirDossierImages();
    int SnapshotCount = 0;
    const QImage& SourceFrame() const { return m_sourceFrame; }
    const QImage& OutputImage() const { return m_outputImage; }
    QString RootName = QStringLiteral("Stillex");
    qint64 ImageCounter = 0;
    QString NextImagePath;
    struct TThumbnailBox {
        int width = 0, height = 0, left = 0;
    } ThumbnailBox;
    // The overwrite question's answers.
    enum class TOverwriteAnswer { Yes, No, Cancel, YesToAll };
    // Asks the question (tests answer it); a message box when not set.
    std::function<TOverwriteAnswer(const QString& text)> OnAskOverwrite;
    // The default report of a failed operation (a message box when not set).
    std::function<void(const QString& text)> OnFailure;
    TDossiersFrame* DossiersFrame() const;
    TExtraireFrame* ExtraireFrame() const;
    // Panel handlers.
    void DossiersFramenumEditChange();
    void DossiersFrameDigitsEditChange();
    void rgExtensionClick(int index);

    // ---- the picture ----
    void FitVideo(int a, int b);
    // "Forcer Aspect Ratio" := mode (0 normal, 1 4:3, 2 16:9, 3 native),
    // then the picture takes the ratio it calls for.
    void ForceAspect(int mode);
    // The picture flipped top to bottom (vertical) or mirrored, in the
    // preview and the grabs alike.
    void SetFlip(bool vertical, bool on);
    // The paused picture made again through the filters.
    void RedrawStill();
    bool VerticalFlip = false;
    bool HorizontalFlip = false;
    void RefitVideo();
    // The labels, the frame duration, AspectMode and the fitting from the
    // streams' descriptions as they stand now.
    void ApplyStreamDescription();
    void ApplyVideoDescription(const TvData& record);
    void ApplyAudioDescription(const TaData& record);
    // The decoded stream's aspect flag, width and height, as last described.
    std::tuple<int, int, int> StreamShape() const;
    void RefreshFrameSize();
    int AspectMode = 0;
    QSize SourceSize;
    QSize OutputSize;
    TBuilderCache& Builders() { return m_builders; }
    TSceneList& Scenes() { return m_scenes; }

signals:
    // Emitted once the showing steps are done (tests and the entry wait on it).
    void shownOnce();
    // Emitted when a close request has been accepted.
    void closed();

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    bool event(QEvent* e) override;

private:
    void TntFormCreate();
    void FormShow();
    void TntFormPaint();
    void TntFormResize();
    bool FormCloseQuery();
    void FormDestroy();

    void buildWidgets();
    void buildToolbar();
    void buildContextMenu();
    void bindCommands();
    void bindLayoutCommands();
    void bindHelpCommands();
    QPointer<TRaccourcisForm> m_raccourcis;
    QString m_spaceFolder; // where the free space is measured
    // The stored bounds, brought inside the screen they are on.
    void applyStoredBounds();
    void applyPreferences();
    void copyStateToPreferences();
    void releaseMessageTarget();

    // Busy for the scope's life. Descriptions that arrived meanwhile were
    // put aside, and are applied when the outermost scope ends.
    class TBusyScope
    {
    public:
        explicit TBusyScope(TShowForm& window);
        ~TBusyScope();
        TBusyScope(const TBusyScope&) = delete;
        TBusyScope& operator=(const TBusyScope&) = delete;

    private:
        TShowForm& m_window;
        bool m_was;
    };
    void ApplyDroppedDescriptions();
    unsigned m_droppedDescriptions = 0; // bit 1 video, bit 2 audio
    bool m_stepping = false; // a step or scene step is under way
    void rebuildWithDecoder(bool video, const QString& name);

    void onPrecisionCapture(quintptr wParam);
    void onStreamDescription(quintptr wParam, qintptr lParam);
    void onReconnectPin(qintptr lParam);

    TActionList* m_al = nullptr;
    std::unique_ptr<TparameterList> m_params;
    // Opening results by path, the scene list of the open video, the media
    // system and its renderer (made when the window is first shown).
    TBuilderCache m_builders;
    TGrabBuilder m_emptyBuilder;
    TGrabBuilder* m_currentBuilder = &m_emptyBuilder;
    int m_ratioA = 4;
    int m_ratioB = 3;
    void reportError(const QString& message);
    TSceneList m_scenes;
    std::unique_ptr<TVideoRenderer> m_renderer;
    std::unique_ptr<TMediaSystem> m_media;
    std::unique_ptr<TScreenSaver> m_screenSaver;
    bool m_screenSaverWasActive = false;
    Tplaque* m_plaque = nullptr;
    TSavePrefsForm* m_savePrefs = nullptr;
    TErreurForm* m_erreur = nullptr;
    TFiltresWarningForm* m_filtresWarning = nullptr;
    TMonikerStringList m_videoDecoders;
    TMonikerStringList m_audioDecoders;
    bool m_presetsTaken = false;

    void showWarning(const QString& text);
    void refreshPasteCommand();
    void bindOpeningCommands();
    void bindPlaybackCommands();
    void bindGrabCommands();
    void bindInlayCommands();
    void bindIntervalloCommands();
    void bindScriptCommands();
    void reportScriptProblems(const QStringList& messages);
    void scheduleActivation();
    bool m_activationPending = false;
    void refreshIntervalloBar();
    // Stops the run now, or once the capture message being handled has
    // returned (the streaming thread waits for it).
    void requestIntervalloStop();
    void onIntervalloImage(bool written);
    // Waits for the images a run queued; reports a failure among them once.
    bool finishQueuedWrites();
    void finishPrecisionCapture();
    bool m_intervalloRunning = false;
    bool m_intervalloPrecision = false;
    bool m_inPrecisionCapture = false;
    bool m_inNormalLoop = false;
    bool m_stopPending = false;
    TAudioSource* m_intervalloSavedAudio = nullptr;
    TincrustRec& inlayRecord();
    bool inlayEventFilter(QObject* watched, QEvent* e);
    void showOffsetDate(double dateTime);
    std::vector<QWidget*> m_inlayTextFields;
    struct TTypingKeys {
        uint16_t up;
        QStringList upSecondary;
        uint16_t down;
        uint16_t play;
    };
    std::optional<TTypingKeys> m_typingKeys;
    void applyNamingPreferences();
    void reportFailure(const QString& text);
    void showImageName();
    std::unique_ptr<TImageWriter> m_writer;
    // A run's images are written behind it, in order, on a thread of their own.
    std::unique_ptr<TImageWriteQueue> m_writeQueue;
    bool m_queueWrites = false;
    bool m_namingGuard = false;
    int m_imageLabState = -1;
    bool m_sliderDown = false;
    // An on/off preference, its options check box and its command, set
    // together; the command's two branches do this.
    void SetOption(const char* name, TBooleanParameter* parameter, const QString& optionKey, bool on);
    void bindOptionToggle(const char* name, TBooleanParameter** parameter, const QString& optionKey);
    // The command shows the preference's state without running.
    void showToggleState(const char* name, TBooleanParameter* parameter);
    void placeNavigationBars(const QRect& video);
    std::array<TSidePanel*, PanelCount> m_panels {};
    int m_activePanel = 0;
    bool m_reduced = false;
    QSize m_normalSize;
    bool m_fullScreenAtClose = false;
    bool m_reducedAtClose = false;
    std::vector<QWidget*> m_toolbarSeparators;
    int m_toolbarButtons = 0;

    // Working bitmaps of the grab pipeline: output image, source frame,
    // deinterlace target.
    QImage m_outputImage;
    // When the frame of the last snapshot was filmed, for its JPEG.
    TExifBlock m_snapshotExif;
    QImage m_sourceFrame;
    QImage m_deinterlaced;

    bool m_shown = false;
    bool m_painted = false;
    bool m_resizeInstalled = false;
    bool m_closing = false;
    bool m_destroyed = false;
    int m_layoutCount = 0;
};
