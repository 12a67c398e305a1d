#pragma once
// The names grabs are written under: destination folder, root, "_", the
// running number or the frame's position, and the format's extension. Pure
// text rules, so the main window, the naming panel and scripts agree.

#include <QString>

// The most digits a running number may have: the naming panel's limit, and
// more than any 64-bit counter needs.
inline constexpr int MaxImageDigits = 20;

// The counter in decimal, left-padded with zeros and cut to its last `digits`
// characters: with 4 digits, 7 -> "0007" and 12345 -> "2345". No digits, no
// text; more than MaxImageDigits count as MaxImageDigits, since the value may
// come from a settings file edited by hand.
QString FormatImageNumber(qint64 counter, int digits);

// The integer a field holds, blanks trimmed; 0 when it is not a number.
qint64 NumberOfText(const QString& text);

// Root chosen when a file has just been opened: everything before the first
// dot of the file name (nothing when it has no dot), optionally cut to
// `racineLength`. With `nomFichierImage` other than 1 the root text is used.
QString OpeningRootName(const QString& fileName, int nomFichierImage, const QString& defaultRacine,
    bool limiterLongueur, int racineLength);

// Root recomputed when a naming option changes: "Stillex" while no file is
// loaded; otherwise the file name without its last extension, optionally cut
// to `racineLength`, or the root text when `nomFichierImage` is not 1.
QString OptionRootName(bool fileLoaded, const QString& fileName, int nomFichierImage,
    const QString& defaultRacine, bool limiterLongueur, int racineLength);

// folder + "/" (when missing and the folder is not empty) + root + "_" +
// suffix + ".jpg" (imageExtension 1) or ".bmp" (anything else).
QString ImagePath(const QString& folder, const QString& root, const QString& suffix, int imageExtension);

// The timestamp as it may appear in a file name: "0:01:23:12" -> "0.01.23.12".
QString TimestampSuffix(const QString& timestamp);

// True when `s`, blanks trimmed, is a non-empty run of the digits 0 to 9.
bool IsDigitsOnly(const QString& s);
