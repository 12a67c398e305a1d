#pragma once
// Text files written by hand or on Windows (scripts, the portable ini file):
// how their bytes become text and the text becomes lines, one rule for all.

#include <QByteArray>
#include <QString>
#include <QStringList>

// UTF-16 or UTF-8 by the byte-order mark; without one, UTF-8 when it reads
// as UTF-8, else Windows-1252 (files written on Windows keep their accented
// names). A NUL ends the text.
QString DecodeTextFile(const QByteArray& bytes);

// Lines end at CR, LF, CR LF or U+2028.
QStringList SplitTextLines(const QString& text);
