#include "filters/Tsuperposer.h"

Tsuperposer::Tsuperposer()
    : TBitmapFilter(QStringLiteral("Kestrine fs_Superposer"), ClassId_Superposer)
{
}

void Tsuperposer::SetInlaySettings(const TincrustRec& rec)
{
    QMutexLocker lock(&m_settingsLock);
    m_settings = rec;
}

TincrustRec Tsuperposer::InlaySettings() const
{
    QMutexLocker lock(&m_settingsLock);
    return m_settings;
}
