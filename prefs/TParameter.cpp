#include "prefs/TParameter.h"

TParameter::TParameter(TparameterList& owner, const QString& key)
    : m_owner(&owner)
    , m_key(key)
{
}

TParameter::~TParameter() = default;
