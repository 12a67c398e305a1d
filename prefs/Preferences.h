#pragma once

// The preferences of the whole system: one module-level reference per key,
// pointing into the parameter list the main window creates when it is first
// shown. A reference is null before that list exists and again once it is
// destroyed. Code that may run earlier, or without a main window (tests of
// other modules), calls EnsureDefaultPreferences() first and then reads the
// defaults through the same references.

#include "prefs/StoreMode.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "prefs/TRaccourcisSortParameter.h"
#include "prefs/TWideStringParameter.h"
#include "prefs/TframeNumberParameter.h"
#include "prefs/TincrustRecParameter.h"
#include "prefs/TparameterList.h"

#include <QString>
#include <array>
#include <functional>
#include <memory>

// The signature saved with the preferences.
inline const QString PreferenceSignature = QStringLiteral("Stillex 5.0.6 Fr de Kestrine");

// The window size the defaults of "Top" and "Left" centre on the screen.
inline constexpr int DefaultMainHeight = 522;
inline constexpr int DefaultMainWidth = 708;

// The limits of the controls that change these values, which a stored value
// must also keep: the naming panel's digits and root length, the
// intervallometer's value. The window and picture limits are those of
// today's largest screens and pictures, twice over.
inline constexpr int MaxDigits = 20;
inline constexpr int MaxRacineLength = 255;
inline constexpr int MaxValeurIntervallometre = 999999;
inline constexpr int MaxWindowExtent = 16384;
inline constexpr int MaxPictureExtent = 16384;

extern TIntegerParameter* ParMainHeight; // "mainheight"
extern TIntegerParameter* ParMainWidth; // "mainwidth"
extern TIntegerParameter* ParTop; // "Top"
extern TIntegerParameter* ParLeft; // "Left"
extern TIntegerParameter* ParIVolume; // "iVolume"
extern TIntegerParameter* ParForcerAspectRatio; // "Forcer Aspect Ratio"
extern TIntegerParameter* ParNomFichierImage; // "iNomFichierImage"
extern TIntegerParameter* ParImageAjouter; // "iImageAjouter"
extern TIntegerParameter* ParFirstImageNum; // "iFirstImageNum"
extern TBooleanParameter* ParAvertirSiFiltresAbsents; // "Avertir si Filtres Absents"
extern TBooleanParameter* ParSauverQuandClic; // "Sauver quand clic"
extern TBooleanParameter* ParForcerLeDecodeur; // "Forcer le décodeur"
extern TBooleanParameter* ParTraiterErreurs; // "Traiter Erreurs"
extern TIntegerParameter* ParRacineLength; // "iRacineLength"
extern TIntegerParameter* ParImageRatio; // "iImageRatio"
extern TIntegerParameter* ParImageExtension; // "iImageExtension"
extern TBooleanParameter* ParVitesseMaxi; // "Vitesse Maxi"
extern TincrustRecParameter* ParIncrustRec; // "IncrustRec"
extern TIntegerParameter* ParDureeIncruster; // "Durée Incruster"
extern TIntegerParameter* ParExtensionDesImages; // "Extension des images"
extern TIntegerParameter* ParDigits; // "digits"
extern TIntegerParameter* ParJpegQuality; // "JpegQuality"
extern TIntegerParameter* ParValeurIntervallometre; // "Valeur Intervallomètre"
extern TIntegerParameter* ParUnitesIntervallometre; // "Unités Intervallomètre"
extern TIntegerParameter* ParMaxWidth; // "Max Width"
extern TIntegerParameter* ParMaxHeight; // "Max Height"
extern TframeNumberParameter* ParPanneauActif; // "Panneau Actif"
extern TWideStringParameter* ParDecodeurMpegVideo; // "Decodeur MpegVideo"
extern TWideStringParameter* ParDecodeurMpegAudio; // "Decodeur MpegAudio"
extern TBooleanParameter* ParInternalDeinterlacer; // "Internal Deinterlacer"
extern TBooleanParameter* ParEcranGauche; // "EcranGauche"
extern TBooleanParameter* ParWantIncrust; // "Want Incrust"
extern TBooleanParameter* ParWantVertFlip; // "Want vert Flip"
extern TBooleanParameter* ParWantHorzFlip; // "Want Horz flip"
extern TBooleanParameter* ParWantDeinter; // "Want Deinter"
extern TRaccourcisSortParameter* ParRaccourcisSort; // "Raccourcis Sort"
extern TBooleanParameter* ParLimiterLongueur; // "Limiter Longueur"
extern TWideStringParameter* ParDefaultRacine; // "DefaultRacine"
extern TWideStringParameter* ParDossierSave; // "DossierSave"
extern TBooleanParameter* ParFullscreenOn; // "Fullscreen On"
extern TBooleanParameter* ParReducedOn; // "Reduced on"
extern TBooleanParameter* ParMuteOn; // "Mute On"
extern TBooleanParameter* ParSauverPreferencesEnQuittant; // "Sauver préférences en quittant"
extern TBooleanParameter* ParConfirmerImage; // "Confirmer Image"
extern TBooleanParameter* ParMTSEnVitesseMaxi; // "MTS en vitesse Maxi"
extern TBooleanParameter* ParModePrecision; // "Mode Precision"
extern TBooleanParameter* ParParametrerFiltres; // "Parametrer Filtres"

// Creates the 47 preferences in `list`, each at its default, and points the
// references above at them; they are cleared again when `list` is destroyed.
// The list must be empty: false, and nothing done, otherwise.
bool DeclareAllParameters(TparameterList& list);

// The start-up of the preferences: the list with its signature, the store
// mode (decided by `decideStoreMode` when given), every parameter and the
// load. Failures are swallowed: a decision that fails leaves smNone, and
// what could not be loaded keeps its default. Null only when the list itself
// could not be allocated.
std::unique_ptr<TparameterList> CreatePreferences(const std::function<void()>& decideStoreMode = {});

// True when every reference above points at a parameter.
bool PreferencesDeclared();

// When the references are not all set, points them at a list of defaults
// that lives until the process ends and is never loaded or saved.
void EnsureDefaultPreferences();

// The defaults computed at the moment the parameters are created.
int DefaultTop(); // (screen height - 522) div 2, 0 without a screen
int DefaultLeft(); // (screen width - 708) div 2, 0 without a screen
QString DefaultDossierSave(); // the user's pictures folder, else documents folder, else "c:"

// A Boolean preference shown as a check box of the options panel.
struct TOptionCheckBox {
    QString Caption;
    QString Key;
    TBooleanParameter** Parameter; // the module-level reference of that key
};

// The seven option check boxes, in the panel's order.
const std::array<TOptionCheckBox, 7>& OptionCheckBoxes();
