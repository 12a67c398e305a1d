#include "prefs/Preferences.h"

#include "inlay/TincrustRec.h"
#include "platform/Registry.h"

#include <QGuiApplication>
#include <QScreen>

TIntegerParameter* ParMainHeight = nullptr;
TIntegerParameter* ParMainWidth = nullptr;
TIntegerParameter* ParTop = nullptr;
TIntegerParameter* ParLeft = nullptr;
TIntegerParameter* ParIVolume = nullptr;
TIntegerParameter* ParForcerAspectRatio = nullptr;
TIntegerParameter* ParNomFichierImage = nullptr;
TIntegerParameter* ParImageAjouter = nullptr;
TIntegerParameter* ParFirstImageNum = nullptr;
TBooleanParameter* ParAvertirSiFiltresAbsents = nullptr;
TBooleanParameter* ParSauverQuandClic = nullptr;
TBooleanParameter* ParForcerLeDecodeur = nullptr;
TBooleanParameter* ParTraiterErreurs = nullptr;
TIntegerParameter* ParRacineLength = nullptr;
TIntegerParameter* ParImageRatio = nullptr;
TIntegerParameter* ParImageExtension = nullptr;
TBooleanParameter* ParVitesseMaxi = nullptr;
TincrustRecParameter* ParIncrustRec = nullptr;
TIntegerParameter* ParDureeIncruster = nullptr;
TIntegerParameter* ParExtensionDesImages = nullptr;
TIntegerParameter* ParDigits = nullptr;
TIntegerParameter* ParJpegQuality = nullptr;
TIntegerParameter* ParValeurIntervallometre = nullptr;
TIntegerParameter* ParUnitesIntervallometre = nullptr;
TIntegerParameter* ParMaxWidth = nullptr;
TIntegerParameter* ParMaxHeight = nullptr;
TframeNumberParameter* ParPanneauActif = nullptr;
TWideStringParameter* ParDecodeurMpegVideo = nullptr;
TWideStringParameter* ParDecodeurMpegAudio = nullptr;
TBooleanParameter* ParInternalDeinterlacer = nullptr;
TBooleanParameter* ParEcranGauche = nullptr;
TBooleanParameter* ParWantIncrust = nullptr;
TBooleanParameter* ParWantVertFlip = nullptr;
TBooleanParameter* ParWantHorzFlip = nullptr;
TBooleanParameter* ParWantDeinter = nullptr;
TRaccourcisSortParameter* ParRaccourcisSort = nullptr;
TBooleanParameter* ParLimiterLongueur = nullptr;
TWideStringParameter* ParDefaultRacine = nullptr;
TWideStringParameter* ParDossierSave = nullptr;
TBooleanParameter* ParFullscreenOn = nullptr;
TBooleanParameter* ParReducedOn = nullptr;
TBooleanParameter* ParMuteOn = nullptr;
TBooleanParameter* ParSauverPreferencesEnQuittant = nullptr;
TBooleanParameter* ParConfirmerImage = nullptr;
TBooleanParameter* ParMTSEnVitesseMaxi = nullptr;
TBooleanParameter* ParModePrecision = nullptr;
TBooleanParameter* ParParametrerFiltres = nullptr;

namespace
{

template <class F> void forEachReference(F&& f)
{
    f(ParMainHeight);
    f(ParMainWidth);
    f(ParTop);
    f(ParLeft);
    f(ParIVolume);
    f(ParForcerAspectRatio);
    f(ParNomFichierImage);
    f(ParImageAjouter);
    f(ParFirstImageNum);
    f(ParAvertirSiFiltresAbsents);
    f(ParSauverQuandClic);
    f(ParForcerLeDecodeur);
    f(ParTraiterErreurs);
    f(ParRacineLength);
    f(ParImageRatio);
    f(ParImageExtension);
    f(ParVitesseMaxi);
    f(ParIncrustRec);
    f(ParDureeIncruster);
    f(ParExtensionDesImages);
    f(ParDigits);
    f(ParJpegQuality);
    f(ParValeurIntervallometre);
    f(ParUnitesIntervallometre);
    f(ParMaxWidth);
    f(ParMaxHeight);
    f(ParPanneauActif);
    f(ParDecodeurMpegVideo);
    f(ParDecodeurMpegAudio);
    f(ParInternalDeinterlacer);
    f(ParEcranGauche);
    f(ParWantIncrust);
    f(ParWantVertFlip);
    f(ParWantHorzFlip);
    f(ParWantDeinter);
    f(ParRaccourcisSort);
    f(ParLimiterLongueur);
    f(ParDefaultRacine);
    f(ParDossierSave);
    f(ParFullscreenOn);
    f(ParReducedOn);
    f(ParMuteOn);
    f(ParSauverPreferencesEnQuittant);
    f(ParConfirmerImage);
    f(ParMTSEnVitesseMaxi);
    f(ParModePrecision);
    f(ParParametrerFiltres);
}

QSize primaryScreenSize()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return {};
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
}

// Division truncates toward zero, so a screen smaller than the window gives
// a small negative offset rather than one rounded away from zero.
int centredOffset(int screenExtent, int windowExtent)
{
    return (screenExtent - windowExtent) / 2;
}

QString shellFolder(TRegistry& registry, const QString& name)
{
    return registry.ReadString(name).value_or(QString());
}

} // namespace

int DefaultTop()
{
    const QSize screen = primaryScreenSize();
    return screen.isValid() ? centredOffset(screen.height(), DefaultMainHeight) : 0;
}

int DefaultLeft()
{
    const QSize screen = primaryScreenSize();
    return screen.isValid() ? centredOffset(screen.width(), DefaultMainWidth) : 0;
}

QString DefaultDossierSave()
{
    QString folder;
    try {
        TRegistry registry(RegHive::CurrentUser);
        if (registry.OpenKeyReadOnly(
                QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"))) {
            folder = shellFolder(registry, QStringLiteral("My Pictures"));
            if (folder.isEmpty()) folder = shellFolder(registry, QStringLiteral("Personal"));
        }
    } catch (...) {
        folder.clear();
    }
    return folder.isEmpty() ? QStringLiteral("c:") : folder;
}

bool DeclareAllParameters(TparameterList& list)
{
    if (list.Count() != 0) return false;

    // Registered first, so that even a list left half filled by a failure
    // cannot leave a reference behind.
    TparameterList* owner = &list;
    list.OnDestroy([owner] {
        forEachReference([owner](auto*& reference) {
            if (reference && reference->Owner() == owner) reference = nullptr;
        });
    });

    auto integer = [&list](TIntegerParameter*& ref, const QString& key, int32_t value) {
        ref = list.Create<TIntegerParameter>(key, value);
    };
    auto boolean = [&list](TBooleanParameter*& ref, const QString& key, bool value) {
        ref = list.Create<TBooleanParameter>(key, value);
    };
    auto text = [&list](TWideStringParameter*& ref, const QString& key, const QString& value) {
        ref = list.Create<TWideStringParameter>(key, value);
    };

    integer(ParMainHeight, QStringLiteral("mainheight"), DefaultMainHeight);
    integer(ParMainWidth, QStringLiteral("mainwidth"), DefaultMainWidth);
    integer(ParTop, QStringLiteral("Top"), DefaultTop());
    integer(ParLeft, QStringLiteral("Left"), DefaultLeft());
    integer(ParIVolume, QStringLiteral("iVolume"), 5000);
    integer(ParForcerAspectRatio, QStringLiteral("Forcer Aspect Ratio"), 0);
    integer(ParNomFichierImage, QStringLiteral("iNomFichierImage"), 1);
    integer(ParImageAjouter, QStringLiteral("iImageAjouter"), 1);
    integer(ParFirstImageNum, QStringLiteral("iFirstImageNum"), 1);
    boolean(ParAvertirSiFiltresAbsents, QStringLiteral("Avertir si Filtres Absents"), true);
    boolean(ParSauverQuandClic, QStringLiteral("Sauver quand clic"), true);
    boolean(ParForcerLeDecodeur, QStringLiteral("Forcer le décodeur"), true);
    boolean(ParTraiterErreurs, QStringLiteral("Traiter Erreurs"), true);
    integer(ParRacineLength, QStringLiteral("iRacineLength"), 8);
    integer(ParImageRatio, QStringLiteral("iImageRatio"), 0);
    integer(ParImageExtension, QStringLiteral("iImageExtension"), 1);
    boolean(ParVitesseMaxi, QStringLiteral("Vitesse Maxi"), false);
    ParIncrustRec = list.Create<TincrustRecParameter>(QStringLiteral("IncrustRec"), DefaultIncrustRec());
    integer(ParDureeIncruster, QStringLiteral("Durée Incruster"), 5);
    integer(ParExtensionDesImages, QStringLiteral("Extension des images"), 0);
    integer(ParDigits, QStringLiteral("digits"), 4);
    integer(ParJpegQuality, QStringLiteral("JpegQuality"), 50);
    integer(ParValeurIntervallometre, QStringLiteral("Valeur Intervallomètre"), 1);
    integer(ParUnitesIntervallometre, QStringLiteral("Unités Intervallomètre"), 1);
    integer(ParMaxWidth, QStringLiteral("Max Width"), 736);
    integer(ParMaxHeight, QStringLiteral("Max Height"), 576);
    ParPanneauActif = list.Create<TframeNumberParameter>(QStringLiteral("Panneau Actif"), uint8_t(0));
    text(ParDecodeurMpegVideo, QStringLiteral("Decodeur MpegVideo"), QStringLiteral("ffdshow Video Decoder"));
    text(ParDecodeurMpegAudio, QStringLiteral("Decodeur MpegAudio"), QStringLiteral("ffdshow Audio Decoder"));
    boolean(ParInternalDeinterlacer, QStringLiteral("Internal Deinterlacer"), true);
    boolean(ParEcranGauche, QStringLiteral("EcranGauche"), true);
    boolean(ParWantIncrust, QStringLiteral("Want Incrust"), false);
    boolean(ParWantVertFlip, QStringLiteral("Want vert Flip"), false);
    boolean(ParWantHorzFlip, QStringLiteral("Want Horz flip"), false);
    boolean(ParWantDeinter, QStringLiteral("Want Deinter"), false);
    ParRaccourcisSort = list.Create<TRaccourcisSortParameter>(QStringLiteral("Raccourcis Sort"), uint8_t(0));
    boolean(ParLimiterLongueur, QStringLiteral("Limiter Longueur"), false);
    text(ParDefaultRacine, QStringLiteral("DefaultRacine"), QStringLiteral("Stillex"));
    text(ParDossierSave, QStringLiteral("DossierSave"), DefaultDossierSave());
    boolean(ParFullscreenOn, QStringLiteral("Fullscreen On"), false);
    boolean(ParReducedOn, QStringLiteral("Reduced on"), false);
    boolean(ParMuteOn, QStringLiteral("Mute On"), false);
    boolean(ParSauverPreferencesEnQuittant, QStringLiteral("Sauver préférences en quittant"), true);
    boolean(ParConfirmerImage, QStringLiteral("Confirmer Image"), true);
    boolean(ParMTSEnVitesseMaxi, QStringLiteral("MTS en vitesse Maxi"), true);
    boolean(ParModePrecision, QStringLiteral("Mode Precision"), true);
    boolean(ParParametrerFiltres, QStringLiteral("Parametrer Filtres"), true);

    // The ranges the table gives; a stored value outside reads as the default.
    // A settings file edited by hand must not give a window of two billion
    // pixels, a name of two billion digits or a picture no memory can hold.
    ParMainHeight->SetRange(0, MaxWindowExtent);
    ParMainWidth->SetRange(0, MaxWindowExtent);
    ParTop->SetRange(-MaxWindowExtent, MaxWindowExtent);
    ParLeft->SetRange(-MaxWindowExtent, MaxWindowExtent);
    ParFirstImageNum->SetRange(0, INT32_MAX);
    ParRacineLength->SetRange(0, MaxRacineLength);
    ParDigits->SetRange(0, MaxDigits);
    ParValeurIntervallometre->SetRange(1, MaxValeurIntervallometre);
    ParMaxWidth->SetRange(0, MaxPictureExtent);
    ParMaxHeight->SetRange(0, MaxPictureExtent);
    ParIVolume->SetRange(0, 10000);
    ParForcerAspectRatio->SetRange(0, 3);
    ParNomFichierImage->SetRange(0, 1);
    ParImageAjouter->SetRange(0, 1);
    ParImageExtension->SetRange(0, 1);
    ParJpegQuality->SetRange(1, 100);
    ParUnitesIntervallometre->SetRange(0, 2);
    ParPanneauActif->SetRange(0, 6);
    ParRaccourcisSort->SetRange(0, 3);
    return true;
}

std::unique_ptr<TparameterList> CreatePreferences(const std::function<void()>& decideStoreMode)
{
    std::unique_ptr<TparameterList> list;
    try {
        list = std::make_unique<TparameterList>(PreferenceSignature);
    } catch (...) {
        return nullptr;
    }
    list->SetStorePath(PreferenceStorePath);
    // Each step is on its own: a store mode that cannot be decided must not
    // leave the system without its parameters, whose references everything
    // else uses without checking.
    if (decideStoreMode) {
        try {
            decideStoreMode();
        } catch (...) {
            StoreMode = smNone;
        }
    }
    try {
        DeclareAllParameters(*list);
    } catch (...) {
    }
    list->ReadAll();
    return list;
}

bool PreferencesDeclared()
{
    bool all = true;
    forEachReference([&all](auto* reference) { all = all && reference != nullptr; });
    return all;
}

void EnsureDefaultPreferences()
{
    if (PreferencesDeclared()) return;
    static std::unique_ptr<TparameterList> defaults;
    // A list is filled only once; a later call finds it filled and starts
    // over with a fresh one rather than doubling its parameters.
    auto fresh = std::make_unique<TparameterList>(PreferenceSignature);
    DeclareAllParameters(*fresh);
    defaults = std::move(fresh);
}

const std::array<TOptionCheckBox, 7>& OptionCheckBoxes()
{
    static const std::array<TOptionCheckBox, 7> boxes { {
        { QStringLiteral("Confirmer avant d'écraser une image"), QStringLiteral("Confirmer Image"),
            &ParConfirmerImage },
        { QStringLiteral("Enregistrer l'image quand  clic sur la vidéo "),
            QStringLiteral("Sauver quand clic"), &ParSauverQuandClic },
        { QStringLiteral("Lire les MTS et m2ts en vitesse maxi"), QStringLiteral("MTS en vitesse Maxi"),
            &ParMTSEnVitesseMaxi },
        { QStringLiteral("Paramétrer les filtres au démarrage"), QStringLiteral("Parametrer Filtres"),
            &ParParametrerFiltres },
        { QStringLiteral("Désentrelacer les images"), QStringLiteral("Internal Deinterlacer"),
            &ParInternalDeinterlacer },
        { QStringLiteral("Forcer le décodeur"), QStringLiteral("Forcer le décodeur"), &ParForcerLeDecodeur },
        { QStringLiteral("Traiter les erreurs"), QStringLiteral("Traiter Erreurs"), &ParTraiterErreurs },
    } };
    return boxes;
}
