#include "automation/CommandCatalog.h"

#include "automation/CommandContext.h"
#include "automation/KeyCodes.h"
#include "automation/TActionList.h"
#include "automation/TSuperAction.h"
#include "automation/TtoggleAction.h"

#include <iterator>

using namespace KeyCodes;

namespace
{

enum Kind { Plain, Toggle };

struct CommandRow {
    const char* name;
    const char* caption;
    uint16_t shortCut;
    const char* secondary; // shortcut text as stored, or none
    const char* switchName;
    const char* token;
    Kind kind;
    bool autoCheck;
    int imageIndex; // the false state's icon for a two-state command
    const char* hint;
    // Two-state commands only.
    const char* falseCaption = nullptr;
    const char* trueCaption = nullptr;
    const char* falseHint = nullptr;
    const char* trueHint = nullptr;
    int trueImageIndex = -1;
};

// The keys given at start replace the volume commands' missing ShortCut
// (ApplyStartupVolumeKeys).
const CommandRow Catalog[] = {
    { "saGrab", "Grab!", F(5), "CTRL+G", "g", "grab", Plain, false, 0,
        "Extraire et enregistrer l' image courante \r\ndans le dossier spécifié sur la page \"Dossiers\" ." },
    { "tafullscreen", "Mettre en plein écran", Alt | VkReturn, nullptr, "fs", "full_screen", Toggle, false, 1,
        "Afficher la vidéo en plein écran.\r\n(NB: taper Echap pour revenir au mode normal).",
        "Mettre en plein écran", "Enlever le plein écran", "Afficher la vidéo en plein écran.",
        "Quitter le mode plein écran.", 1 },
    { "saOptionsFrame", "Panneau Options", F(10), "ALT+O", "op", "options_page", Plain, false, 2,
        "Afficher le panneau pour paramétrer des options et des préférences." },
    { "saDossiersFrame", "Panneau Dossiers", Alt | Key('F'), nullptr, "fp", "folder_page", Plain, false, 3,
        "Afficher le panneau pour choisir les dossiers\r\net définir les noms de fichiers pour enregistrer "
        "les images." },
    { "saExtraireFrame", "Panneau Extraire", Alt | Key('G'), nullptr, "gp", "grab_page", Plain, false, 4,
        "Afficher le panneau pour saisir des images." },
    { "saIncrusterFrame", "Panneau Incruster", Alt | Key('I'), nullptr, "ip", "inlay_page", Plain, false, 5,
        "Afficher le panneau pour incruster \r\ndes informations dans la vidéo." },
    { "acQuitter", "Quitter", Alt | F(4), "CTRL+Q", "q", "quit", Plain, false, 6, "Quitter Stillex." },
    { "saApropos", "Panneau A propos...", Alt | Key('A'), nullptr, "ap", "about_page", Plain, false, 7,
        "Afficher le panneau \"A propos\" de Stillex\r\nqui donne des informations sur l'auteur \r\net les "
        "crédits pour les composants utilisés." },
    { "saJpgOption", "Jpg", Ctrl | Key('J'), nullptr, "j", "jpeg", Plain, false, 8,
        "Définir le format jpeg pour les prochaines images saisies." },
    { "saBmpOption", "Bmp", Ctrl | Key('B'), nullptr, "b", "bmp", Plain, false, 9,
        "Définir le format bmp pour les prochaines images saisies." },
    { "saBasculerPanneau", "Panneau Inverser", Alt | Key('W'), nullptr, "mr", "mirror", Plain, false, 10,
        "Basculer la fenêtre  gauche <=> droite" },
    { "saNextPanneau", "Panneau Suivant", F(6), "ALT+N", "np", "next_page", Plain, false, 11,
        "Faire défiler les panneaux.\r\nChaque clic sur cette commande affiche le panneau suivant." },
    { "saHelp", "Panneau Aide", F(1), "ALT+H", "hp", "help_page", Plain, false, 12,
        "Afficher le panneau pour obtenir de l'aide sur Stillex,\r\ndiagnostiquer votre système \r\nou "
        "installer des filtres directshow." },
    { "saSourcesFrame", "Panneau Sources", F(2), "ALT+S", "xp", "sources_page", Plain, false, 13,
        "Afficher le panneau des sources vidéo et audio.\r\nOn peut choisir la source audio s'il y en a "
        "plusieurs.\r\nOn peut y lire des informations sur chaque source." },
    { "taVertFlip", "Retourner l'image  haut<=>bas", F(4), nullptr, "vf", "vertical_flip", Toggle, false, 14,
        "Retourner l'image haut<=>bas", "Retourner l'image  haut<=>bas", "Rétablir l'image (haut/bas)",
        "Retourner l'image haut<=>bas", "Rétablir l'image (haut/bas)", 14 },
    { "saIncVolume", "Augmenter le volume", 0, "ALT+P", "iv", "inc_volume", Plain, false, 15,
        "Augmenter le Volume" },
    { "saDecVolume", "Diminuer le volume", 0, "ALT+M", "dv", "dec_volume", Plain, false, 16,
        "Diminuer le volume de la reproduction sonore." },
    { "taHorzFlip", "Miroir Horizontal", F(3), nullptr, "hf", "horizontal_flip", Toggle, false, 17,
        "Retourner l'image Gauche<=>Droite", "Appliquer le Miroir Horizontal",
        "Restaurer (miroir horizontal)", "Retourner l'image Gauche<=>Droite",
        "Restaurer l'image (gauche/droite)", 17 },
    { "taraccourcis", "Afficher les raccourcis", F(11), nullptr, "sc", "shortcuts", Toggle, false, 18,
        "Afficher la tableau des raccourcis et mots-clés de script", "Afficher les raccourcis",
        "Masquer les raccourcis", "Afficher la tableau des raccourcis et mots-clés de script",
        "Cliquez pour masquer la table des raccourcis et mots-clés de script.", 18 },
    { "taDecalage", "décalage", Ctrl | Key('A'), nullptr, "dh", "decalage", Toggle, true, 19,
        "Afficher le panneau pour pouvoir ajouter un décalage horaire", "décalage", "décalage",
        "Afficher le panneau pour pouvoir ajouter un décalage horaire",
        "Masquer le panneau pour pouvoir ajouter un décalage horaire", 19 },
    { "taIncruster", "Incruster", F(12), nullptr, "in", "inlay", Toggle, false, 20,
        "Cliquer pour activer l'incrustation.", "Incruster", "Stopper l'incrustation",
        "Cliquer pour activer l'incrustation.", "Cliquer pour arrêter l'incrustation.", 86 },
    { "saPerso2", "Format Perso2", 0, nullptr, "p2", "perso2", Plain, false, 21, "" },
    { "taMute", "Couper le son", Ctrl | Key('M'), nullptr, "m", "mute", Toggle, true, 22,
        "Cliquer pour couper le son.", "Couper le son", "Remettre le son", "Cliquer pour couper le son.",
        "Cliquer pour remettre le son", 87 },
    { "saForcerNone", "Image normale", Alt | F(5), nullptr, "rn", "ratio_normal", Plain, false, 23,
        "Laisser l'aspect ratio par défaut des images et vidéos" },
    { "saForcer16x9", "forcer 16x9", Alt | F(7), nullptr, "rw", "ratio_16x9", Plain, false, 24,
        "Forcer l'aspect ratio à 16x9 pour les images et vidéos." },
    { "saForcer4x3", "forcer 4x3", Alt | F(6), nullptr, "rs", "ratio_4x3", Plain, false, 25,
        "Forcer l'aspect ratio à 4x3 pour les images et vidéos." },
    { "saForcerNative", "Image native", Alt | F(8), nullptr, "rf", "ratio_native", Plain, false, 26,
        "Forcer l'aspect ratio natif des images et vidéos,\r\npar exemple en DV ou dans les mpeg2 issus de "
        "DVD ce sera 720x576" },
    { "saScript", "Lancer script", Ctrl | Key('S'), nullptr, "s", "script", Plain, false, 27,
        "Lancer un script pour automatiser les traitements.\r\nLe script doit figurer dans un fichier texte "
        "à charger." },
    { "taImagesDeinterlacer", "Désentrelacer les images", Ctrl | Key('D'), nullptr, "d", "deinterlace",
        Toggle, true, 28,
        "Désentrelacer les images enregistrées.\r\nNB: cette commande n'affecte pas la vidéo qui est jouée.",
        "Désentrelacer les images", "Ne pas Désentrelacer", "Désentrelacer les images enregistrées.",
        "Arrêter de désentrelacer les images enregistrées.", 28 },
    { "taPlayPause", "Play", VkSpace, nullptr, "pp", "play_pause", Toggle, false, 29, "Jouer la vidéo.",
        "Play", "Stop",
        "Jouer la vidéo.\r\nSi le bouton est rouge, elle jouera sans audio et à la vitesse "
        "maximale\r\npossible (utile pour les vidéos HD sur des systèmes pas assez puissants).",
        "Stopper la vidéo.", 29 },
    { "saOpenFile", "Ouvrir un fichier", Ctrl | Key('O'), nullptr, "o", "open", Plain, false, 30,
        "Ouvrir un fichier vidéo.\r\nLes fichiers suivants peuvent notamment être reconnus:\r\navi, ivf, "
        "mpg, mpeg, m1v, mp2, mpe, wmv, asf,\r\nmts, m2ts, mkv, mov, mp4, 3g2, m4v" },
    { "taConfirmerImages", "Demander confirmation", Ctrl | Key('Z'), nullptr, "z", "confirm", Toggle, true,
        31, "Demander confirmation avant d'écraser une image existante.",
        "Demander confirmation avant d'écraser une image existante.", "Ne pas demander", "",
        "Ne plus demander confirmation avant d'écraser une image existante.", 31 },
    { "saPaste", "Coller", Ctrl | Key('V'), nullptr, "v", "paste", Plain, false, 32,
        "Coller un fichier vidéo.\r\nAttention: seul le premier fichier vidéo sera pris en compte." },
    { "saReculeMedium", "Reculer d'une seconde", Ctrl | VkDown, nullptr, "sb", "second_back", Plain, false,
        33, "Reculer d'une seconde dans la vidéo." },
    { "saReculeLow", "Reculer d'une image", Ctrl | VkLeft, nullptr, "fb", "frame_back", Plain, false, 34,
        "Reculer d'une image dans la vidéo." },
    { "saReculeHigh", "Reculer d'une minute", Ctrl | VkNext, nullptr, "mb", "minute_back", Plain, false, 35,
        "Reculer d'une minute dans la vidéo." },
    { "saReculeTrack", "Reculer d'une scène", F(8), "Ctrl+F8", "tb", "track_back", Plain, false, 36,
        "Reculer d'une scène dans la vidéo." },
    { "saAvanceLow", "Avancer d'une image", Ctrl | VkRight, nullptr, "ff", "frame_forward", Plain, false, 37,
        "Avancer d'une image dans la vidéo." },
    { "saAvanceMedium", "Avancer d'une seconde", Ctrl | VkUp, nullptr, "sf", "second_forward", Plain, false,
        38, "Avancer d'une seconde dans la vidéo." },
    { "saAvanceHigh", "Avancer d'une minute", Ctrl | VkPrior, nullptr, "mf", "minute_forward", Plain, false,
        39, "Avancer d'une minute dans la vidéo." },
    { "saAvanceTrack", "Avancer d'une scène", F(9), "Ctrl+F9", "tf", "track_forward", Plain, false, 40,
        "Avancer d'une scène dans la vidéo." },
    { "saVider", "Vider", Ctrl | Key('X'), nullptr, "x", "empty", Plain, false, 41,
        "Fermer la vidéo actuelle." },
    { "saCopier", "Copier", Ctrl | Key('C'), nullptr, "c", "copy", Plain, false, 42,
        "Copier une image dans le presse-papiers" },
    { "taIntervalloShow", "Afficher l'intervallomètre", Alt | Key('J'), nullptr, "si", "show_intervallo",
        Toggle, true, 43, "Afficher l'intervallomètre", "Afficher l'intervallomètre",
        "Masquer l'intervallomètre", "Afficher l'intervallomètre", "Masquer l'intervallomètre", 43 },
    { "taIntervalloGo", "Lancer l'intervallomètre", Ctrl | Key('I'), nullptr, "i", "intervallo", Toggle, true,
        44, "Lancer l'intervallomètre pour enregistrer une image selon la fréquence demandée.",
        "Lancer l'intervallomètre", "Stopper l'intervallomètre",
        "Lancer l'intervallomètre pour enregistrer une image selon la fréquence demandée.",
        "Stopper l'intervallomètre.", 44 },
    { "taVitesseMaxi", "Vitesse maximale", Ctrl | Key('H'), nullptr, "h", "speed_max", Toggle, true, 45,
        "La vidéo sera jouée sans audio et au maximum de la vitesse admissible sur votre système.",
        "Vitesse maximale", "Vitesse maximale",
        "La vidéo sera jouée sans audio et au maximum de la vitesse admissible sur votre système.\r\nC'est "
        "utile notamment pour jouer des vidéos HD sur des ordinateurs qui ne sont pas assez puissants.",
        "Restaurer la vitesse normale de lecture.\r\nAttention, si vous voulez restaurer une piste "
        "audio,\r\nil faut le faire manuellement dans le panneau des Sources.",
        45 },
    { "taModePrecision", "Mode Précision", Ctrl | Key('P'), nullptr, "p", "precision", Toggle, true, 46,
        "Le mode précision permet à l'intervallomètre de saisir des images\r\nen faisant défiler toute la "
        "vidéo. C'est utile notamment pour pouvoir prendre\r\ndes images rapprochées (même de chaque frame), "
        "mais plus lent que le mode normal.",
        "Mode Précision", "Mode Précision",
        "Le mode précision permet à l'intervallomètre de saisir des images\r\nen faisant défiler toute la "
        "vidéo. C'est utile notamment pour pouvoir prendre\r\ndes images rapprochées (même de chaque frame), "
        "mais plus lent que le mode normal.",
        "Quitter le mode Précision de l'intervallomètre et revenir au mode normal plus rapide.", 46 },
    { "taSliders", "Afficher les curseurs de l''incrustation", Alt | Key('Y'), nullptr, "ss", "sliders",
        Toggle, true, 47, "Afficher les curseurs pour positionner l'incrustation.",
        "Afficher les curseurs de l''incrustation", "Masquer les curseurs de l''incrustation",
        "Afficher les curseurs pour positionner l'incrustation.", "Masquer les curseurs de l'incrustation.",
        47 },
    { "saIncrustReel", "Date réeelle", Ctrl | Key('R'), nullptr, "r", "inlay_real", Plain, false, 48,
        "Activer l'incrustation de la date actuelle (telle qu'elle figure sur votre système) dans la "
        "vidéo." },
    { "saIncrustPerso", "Perso", Ctrl | Key('U'), nullptr, "u", "inlay_perso", Plain, false, 49,
        "Activer l'incrustation d'un texte personnalisé dans la vidéo.\r\nCe texte peut comprendre des "
        "éléments pris dans le datecode %D,\r\nle timecode %T ou le temps réel %R" },
    { "saIncrustTimecode", "Timecode", Ctrl | Key('T'), nullptr, "t", "inlay_timecode", Plain, false, 50,
        "Activer l'incrustation du timecode dans la vidéo." },
    { "saIncrustDatecode", "Datecode", Ctrl | Key('K'), nullptr, "k", "inlay_datecode", Plain, false, 51,
        "Activer l'incrustation du datecode dans la vidéo." },
    { "saIncrustNeant", "Néant", Ctrl | Key('N'), nullptr, "n", "inlay_none", Plain, false, 52,
        "Arrêter l'incrustation" },
    { "saOuvrirDossierImages", "Ouvrir le dossier des images", Ctrl | Key('F'), nullptr, "f", "folder", Plain,
        false, 53, "Ouvrir le dossier où enregistrer les images." },
    { "taReduire", "Réduire", Alt | VkBack, nullptr, "rr", "reduce", Toggle, true, 54,
        "Réduire la fenêtre de Stillex à sa plus simple expression.\r\n(Retaper Alt+Retour Arrière pour "
        "revenir à la taille normale).",
        "Réduire", "Rétablir",
        "Réduire la fenêtre de Stillex à sa plus simple expression.\r\n(Retaper Alt+Retour Arrière pour "
        "revenir à la taille normale).",
        "Rétablir la fenêtre de Stillex à sa taille normale.", 54 },
    { "saAbort", "Interrompre", VkEscape, nullptr, "a", "abort", Plain, false, 55, "Interrompre un script" },
    { "saIncrustNumero", "Numéro", Ctrl | Key('W'), nullptr, "w", "inlay_number", Plain, false, 56,
        "Activer l'incrustation du numéro d'image saisie" },
    { "saIncrustTimeStamp", "TimeStamp", Ctrl | Shift | Key('T'), nullptr, "ts", "inlay_timestamp", Plain,
        false, 57,
        "Activer l'incrustation du timestamp,\r\nc'est-à-dire la position h:mm:ss:ff de l'image dans la "
        "vidéo" },
    { "saBouclerScript", "Boucler Script", 0, nullptr, "+", "next", Plain, false, 58, "" },
    { "saPosition", "Aller à", 0, nullptr, ">", "position", Plain, false, 59, "" },
    { "saDossierDest", "Dossier destination", 0, nullptr, "df", "dest_folder", Plain, false, 60, "" },
    { "taTraiterErreurs", "Traiter les erreurs", Ctrl | Key('E'), nullptr, "e", "show_errors", Toggle, true,
        61, "", "Traiter les erreurs", "Ignorer les erreurs", "", "", 61 },
    { "saWait", "Wait", 0, nullptr, "wt", "wait", Plain, false, 62, "" },
    { "taSauverQuandClic", "Enregistrer l'image quand clic", 0, nullptr, "ei", "save_click", Toggle, true, 63,
        "", "Enregistrer l'image quand clic", "Ne pas enregistrer quand clic", "", "", 63 },
    { "taMTSVitesseMaxi", "Lire MTS en vitesse maxi", 0, nullptr, "mx", "mts_maxspeed", Toggle, true, 64, "",
        "Lire MTS en vitesse maxi", "Ne pas lire MTS en vitesse Maxi", "", "", 64 },
    { "taParametrerFiltres", "Parametrer les filtres", 0, nullptr, "pf", "param_filters", Toggle, true, 65,
        "Utiliser au démarrage les paramètres spécifiques de Stillex\r\npour les filtres Haali Media "
        "Splitter et Ffdshow (recommandé)",
        "Parametrer les filtres", "Ne pas paramétrer les filtres",
        "Utiliser au démarrage les paramètres spécifiques de Stillex\r\npour les filtres Haali Media "
        "Splitter et Ffdshow (recommandé)",
        "Ne pas utiliser au démarrage les paramètres spécifiques de Stillex\r\npour les filtres Haali Media "
        "Splitter et Ffdshow (pour utilisateurs avertis)",
        65 },
    { "taForcerDecodeur", "Forcer le décodeur", 0, nullptr, "fd", "forced_decoder", Toggle, true, 66, "",
        "Forcer le décodeur", "Ne pas forcer le décodeur", "", "", 66 },
    { "saPreferences", "Sauver Preferences", 0, nullptr, "sp", "save_prefs", Plain, false, 67, "" },
    { "saRacine", "Utiliser racine", 0, nullptr, "rc", "rootname", Plain, false, 68, "" },
    { "saNomFichier", "Utiliser Nom de fichier", 0, nullptr, "fn", "filename", Plain, false, 69, "" },
    { "saTimestamp", "Ajouter timestamp", 0, nullptr, "ad", "add_time", Plain, false, 70, "" },
    { "saNumeroter", "Ajouter Numéro", 0, nullptr, "an", "add_num", Plain, false, 71, "" },
    { "saIncrustFont", "Police d'incrustation", 0, nullptr, "if", "inlay_font", Plain, false, 72, "" },
    { "taFontsize", "Taille de la police", 0, nullptr, "is", "inlay_size", Plain, false, 73, "" },
    { "taBold", "Gras", 0, nullptr, "ib", "inlay_bold", Toggle, true, 74, "", "Gras", "", "",
        "Enlever le Gras", 74 },
    { "taItalic", "Italique", 0, nullptr, "ii", "inlay_italic", Toggle, true, 75, "", "Italique",
        "Enlever Italique", "", "", 75 },
    { "taUnderlined", "Souligné", 0, nullptr, "", "", Toggle, true, 76, "", "Souligné", "Enlever Souligné",
        "", "", 76 },
    { "saFontColor", "Couleur d'incrustation", 0, nullptr, "ic", "inlay_color", Plain, false, 77, "" },
    { "saBorderSize", "Bordure", 0, nullptr, "bs", "border_size", Plain, false, 78, "" },
    { "saAlignerGauche", "Aligner Gauche", 0, nullptr, "al", "align_left", Plain, false, 79, "" },
    { "saAlignerDroite", "Aligner Droite", 0, nullptr, "ar", "align_right", Plain, false, 80, "" },
    { "saAlignCentre", "Aligner Centre", 0, nullptr, "ac", "align_center", Plain, false, 81, "" },
    { "saAlignSousTitre", "Aligner Sous-Titre", 0, nullptr, "as", "align_subtitles", Plain, false, 82, "" },
    { "saFormatDatecode1", "Format Datecode1", 0, nullptr, "d1", "datecode1", Plain, false, 83, "" },
    { "saFormatDatecode2", "Format Datecode2", 0, nullptr, "d2", "datecode2", Plain, false, 84, "" },
    { "saPerso1", "Format Perso1", 0, nullptr, "p1", "perso1", Plain, false, 85, "" },
};

static_assert(std::size(Catalog) == 86);

QString text(const char* utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

// Captions are shown as they stand, but the help text follows the toolkit's
// habit of reading '&' as a mnemonic marker and "&&" as an ampersand.
QString strippedCaption(const QString& caption)
{
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == u'&') {
            if (i + 1 < caption.size() && caption.at(i + 1) == u'&') out += caption.at(++i);
            continue;
        }
        out += caption.at(i);
    }
    return out;
}

// These act only when a script or the command line runs them.
void ScriptOnly(QObject*)
{
    CommandProceed = false;
}

} // namespace

void CreateCommandCatalog(TActionList& list)
{
    for (const CommandRow& row : Catalog) {
        TCustomSuperAction* action;
        if (row.kind == Toggle) {
            auto* toggle = new TtoggleAction;
            toggle->FalseCaption = text(row.falseCaption);
            toggle->TrueCaption = text(row.trueCaption);
            toggle->FalseHint = text(row.falseHint);
            toggle->TrueHint = text(row.trueHint);
            toggle->FalseImageIndex = row.imageIndex;
            toggle->TrueImageIndex = row.trueImageIndex;
            action = toggle;
        } else {
            action = new TSuperAction;
        }
        action->setObjectName(QString::fromLatin1(row.name));
        action->SetCaption(text(row.caption));
        action->SetShortCut(row.shortCut);
        if (row.secondary) action->SetSecondaryShortcuts({ text(row.secondary) });
        action->SetHint(text(row.hint));
        action->SetSwitch(text(row.switchName));
        action->SetToken(text(row.token));
        action->SetAutoCheck(row.autoCheck);
        action->Setimageindex(row.imageIndex);
        list.Add(action);
    }
    for (const char* name : { "saBouclerScript", "saPosition" })
        if (TCustomSuperAction* action = list.Find(QString::fromLatin1(name))) action->Onprepare = ScriptOnly;
}

void ApplyStartupVolumeKeys(TActionList& list)
{
    if (TCustomSuperAction* up = list.Find(QStringLiteral("saIncVolume"))) {
        up->SetShortCut(VkAdd);
        up->SetSecondaryShortcuts({ QStringLiteral("Alt+P") });
    }
    if (TCustomSuperAction* down = list.Find(QStringLiteral("saDecVolume"))) down->SetShortCut(VkSubtract);
}

QString CommandLineHelpText(const TActionList& list)
{
    QString out;
    for (const TCustomSuperAction* action : list.Actions()) {
        if (action->Switch().isEmpty() && action->Token().isEmpty()) continue;
        const QString sw = action->Switch().isEmpty() ? QString() : QLatin1Char('-') + action->Switch();
        out += QLatin1String("  ") + sw.leftJustified(6) + QLatin1Char(' ')
            + action->Token().leftJustified(18) + QLatin1Char(' ') + strippedCaption(action->Caption())
            + QLatin1Char('\n');
    }
    return out;
}
