#pragma once
// How the inlay's commands read their arguments, and the size list's rule:
// the same text means the same thing whether it is typed into the panel or
// given by a script.

#include "inlay/TincrustRec.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The size list's items.
QStringList InlaySizeItems();

// The size list's text applied to the record: "auto" sizes the font from the
// picture; any other text turns that off and, when it is a whole number
// above 0, becomes the size in points.
void ApplySizeText(TincrustRec& rec, const QString& text);

// What a size argument puts into the size list: "auto" (in any case, spaces
// around), or a whole number above 0; nothing for anything else, which
// leaves the list as it is.
std::optional<QString> SizeListTextOf(const QString& argument);

// A border argument: a whole number, 0 when it is none. No upper limit: the
// record keeps what it is given and the drawing bounds it.
int32_t BorderSizeOf(const QString& argument);
// The border button's caption: the number, nothing for 0 or less.
QString BorderCaption(int32_t size);

// A whole number as the colour commands read it: decimal, or hexadecimal
// after "$" or "0x", with an optional sign. False when it is not one.
bool ReadInteger(const QString& text, int64_t& value);

// A colour argument: one of the named colours (any case), or a number
// (0x00BBGGRR). False when it is neither; the caller may then try the
// desktop's own colours.
bool NamedColor(const QString& text, uint32_t& colour);

// The named colours, in their order (for completion and help).
QStringList ColorNames();
