#pragma once

#include "inlay/TfontRecord.h"

#include <QString>
#include <cstdint>

// Every setting of the inlay burnt into the preview and the grabbed images.
// A value-initialised record is the default record, so a record never holds
// indeterminate fields even when nobody filled it.
struct TincrustRec {
    QString Incrust1 = QStringLiteral("réalisé le %R"); // template of line 1 in custom mode
    QString Incrust2 = QStringLiteral("avec Stillex de Kestrine"); // template of line 2
    QString FormatDate1 = QStringLiteral("dddddd"); // date-time format of line 1
    QString FormatDate2 = QStringLiteral("tt"); // date-time format of line 2
    double DecalageHoraire = 0.0; // days added to the datecode and to the real time
    TfontRecord FontRec;
    bool Autofontsize = true; // size the font from the picture width instead of FontRec.Size
    int32_t BorderSize = 2; // outline width in pixels
    // Kind of inlay: 0 datecode, 1 DV timecode, 2 custom templates, 3 real time, 4 nothing,
    // 5 datecode when the video has one else the position, 6 image number, 7 position.
    uint8_t WhatIncrust = 5;
    // 0 left, 1 centred on Xpos, 2 right, 3 centred in the picture (subtitle).
    uint8_t Alignement = 2;
    uint32_t BorderColor = 0; // kept with the record; the outline is always drawn black
    int32_t Xpos = 914; // per mille of the picture width: horizontal reference point
    int32_t Ypos = 914; // per mille of the picture height: top of line 2

    bool operator==(const TincrustRec&) const = default;
};

// The record of the preference "IncrustRec" before the user changes anything.
TincrustRec DefaultIncrustRec();
