#pragma once
// The text form of one hive: a REGEDIT4 file.
//
// Files are written in UTF-8 (the 8-bit code page of REGEDIT4 is taken to be
// UTF-8 here) with "\n" line ends. Strings that a quoted line cannot carry
// (line breaks, NUL) and every REG_EXPAND_SZ are written as hex(1)/hex(2) with
// the UTF-8 bytes and a NUL terminator. Reading also accepts CR LF, byte-order
// marks, 8-bit files that are not UTF-8 (read as Latin-1), and files with the
// header "Windows Registry Editor Version 5.00", whose hex(1)/hex(2) bytes are
// UTF-16LE.

#include "platform/RegKeyNode.h"

#include <QByteArray>
#include <QString>
#include <memory>

class TRegHiveFile
{
public:
    // Keys nest at most this deep, as in the registry; deeper paths are refused.
    static constexpr int MaxDepth = 512;

    struct TParsed {
        std::unique_ptr<TRegKeyNode> root;
        bool recognised = false; // the header was found: this is a hive file
        int skippedLines = 0; // lines that could not be taken in
    };

    // hiveName is the root name every key header must start with
    // (e.g. "HKEY_CURRENT_USER"). Never fails: what cannot be read is counted.
    static TParsed Parse(const QByteArray& data, const QString& hiveName);
    static QByteArray Serialize(const TRegKeyNode& root, const QString& hiveName);
};
