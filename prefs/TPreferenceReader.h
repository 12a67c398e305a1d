#pragma once

#include "inlay/TfontRecord.h"
#include "inlay/TincrustRec.h"

#include <QString>
#include <cstdint>

// Reads values from one preference store. Every operation takes the key and
// the value to return when the store has none; the parameters rely on that
// and never look at the store themselves.
class TPreferenceReader
{
public:
    virtual ~TPreferenceReader();

    virtual int32_t ReadInteger(const QString& key, int32_t defaultValue) = 0;
    virtual bool ReadBool(const QString& key, bool defaultValue) = 0;
    virtual QString ReadString(const QString& key, const QString& defaultValue) = 0;
    virtual double ReadFloat(const QString& key, double defaultValue) = 0;
    virtual TfontRecord ReadFontRecord(const QString& key, const TfontRecord& defaultValue) = 0;
    virtual TincrustRec ReadIncrustRec(const QString& key, const TincrustRec& defaultValue) = 0;
};
