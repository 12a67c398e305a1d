#pragma once

#include "inlay/TfontRecord.h"
#include "inlay/TincrustRec.h"

#include <QString>
#include <cstdint>

// Writes values into one preference store. Strings are stored as given: the
// empty-string marker is the business of the parameter that needs it, since
// the strings inside the inlay record are stored empty.
class TPreferenceWriter
{
public:
    virtual ~TPreferenceWriter();

    virtual void WriteInteger(const QString& key, int32_t value) = 0;
    virtual void WriteBool(const QString& key, bool value) = 0;
    virtual void WriteString(const QString& key, const QString& value) = 0;
    virtual void WriteFloat(const QString& key, double value) = 0;
    virtual void WriteFontRecord(const QString& key, const TfontRecord& value) = 0;
    virtual void WriteIncrustRec(const QString& key, const TincrustRec& value) = 0;

    // Puts what was written into the store for good (the ini store writes its
    // file here). False when that failed, so a save can report it instead of
    // losing it in a destructor.
    virtual bool Close();
    // After a failure: the file and the system's reason, to tell the user.
    virtual QString FailureReason() const;
};
