#include "prefs/TincrustRecParameter.h"

#include <cmath>

namespace
{

constexpr double MaxDatecodeOffset = 2958465;

template <class T> void keepInRange(T& field, T fallback, long long min, long long max)
{
    if (static_cast<long long>(field) < min || static_cast<long long>(field) > max) field = fallback;
}

// A field the inlay cannot draw with (an unknown kind, a position off the
// picture, a colour beyond 24 bits) takes the default record's field.
TincrustRec withinRanges(TincrustRec r, const TincrustRec& d)
{
    keepInRange(r.WhatIncrust, d.WhatIncrust, 0, 7);
    keepInRange(r.Alignement, d.Alignement, 0, 3);
    keepInRange(r.BorderSize, d.BorderSize, 0, 5);
    keepInRange(r.BorderColor, d.BorderColor, 0, 0xFFFFFF);
    keepInRange(r.Xpos, d.Xpos, 0, 1000);
    keepInRange(r.Ypos, d.Ypos, 0, 1000);
    keepInRange(r.FontRec.Size, d.FontRec.Size, 1, 1000);
    keepInRange(r.FontRec.Color, d.FontRec.Color, 0, 0xFFFFFF);
    if (r.FontRec.Name.trimmed().isEmpty()) r.FontRec.Name = d.FontRec.Name;
    // Days added to every date shown: a stored NaN or an offset past the
    // last date a datecode can hold (31 December 9999) shows no date at all.
    if (!std::isfinite(r.DecalageHoraire) || std::fabs(r.DecalageHoraire) > MaxDatecodeOffset)
        r.DecalageHoraire = d.DecalageHoraire;
    return r;
}

} // namespace

TincrustRecParameter::TincrustRecParameter(
    TparameterList& owner, const QString& key, const TincrustRec& defaultValue)
    : TParameter(owner, key)
    , Value(defaultValue)
    , Default(defaultValue)
{
}

void TincrustRecParameter::Read(TPreferenceReader& reader)
{
    Value = Default;
    try {
        Value = withinRanges(reader.ReadIncrustRec(Key(), Default), Default);
    } catch (...) {
    }
}

void TincrustRecParameter::Write(TPreferenceWriter& writer)
{
    writer.WriteIncrustRec(Key(), Value);
}
