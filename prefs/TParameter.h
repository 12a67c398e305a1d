#pragma once

#include "prefs/TPreferenceReader.h"
#include "prefs/TPreferenceWriter.h"

#include <QString>

class TparameterList;

// One setting that survives from one start to the next: a key, a default and
// a current value of one type (in the subclasses). The rest of the system
// reads and changes the value directly; only the list's ReadAll and WriteAll
// touch the store.
//
// Parameters are made by TparameterList::Create, which appends them to the
// list that owns them.
class TParameter
{
public:
    TParameter(TparameterList& owner, const QString& key);
    virtual ~TParameter();
    TParameter(const TParameter&) = delete;
    TParameter& operator=(const TParameter&) = delete;

    // The key exactly as stored, case and accents included.
    const QString& Key() const { return m_key; }
    TparameterList* Owner() const { return m_owner; }

    // Sets the value from the store. A value the store does not have, and any
    // failure of the store, leaves the value equal to the default: reading
    // preferences never fails.
    virtual void Read(TPreferenceReader& reader) = 0;
    // Puts the value into the store.
    virtual void Write(TPreferenceWriter& writer) = 0;

private:
    TparameterList* m_owner;
    QString m_key;
};
