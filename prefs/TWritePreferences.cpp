#include "prefs/TWritePreferences.h"

#include "platform/Registry.h"
#include "platform/RegistryBatch.h"
#include "platform/RegistryStore.h"
#include "prefs/PreferenceStores.h"
#include "prefs/TReadPreferences.h"

#include <QSaveFile>

namespace
{

QString joined(const QString& sub, const QString& name)
{
    return sub.isEmpty() ? name : sub + QLatin1Char('\\') + name;
}

// A line break inside a value would end its line in the file and make the
// rest of the text a line of its own, read back as whatever key it names.
QString oneLine(QString value)
{
    for (QChar& c : value)
        if (c == u'\r' || c == u'\n' || c == u'\x2028') c = u' ';
    return value;
}

} // namespace

TWritePreferences::TWritePreferences(const QString& storePath, TStoreMode mode)
    : m_storePath(storePath)
    , m_sectionHeader(QLatin1Char('[') + storePath + QLatin1Char(']'))
    , m_mode(mode)
{
    if (mode == smRegistry) {
        m_batch = std::make_unique<TRegistryBatch>();
        m_registry = std::make_unique<TRegistry>(RegHive::CurrentUser);
        if (!m_registry->OpenKey(storePath, true)) {
            m_registry.reset();
            fail(TRegistryStore::HiveFilePath(RegHive::CurrentUser) + QStringLiteral(": clé ") + storePath
                + QStringLiteral(" impossible à créer"));
        }
    } else if (mode == smIni) {
        m_ini = std::make_unique<TIniLines>(m_sectionHeader);
        QString reason;
        if (!m_ini->Load(IniStorePath(), &reason)) {
            m_iniUnreadable = true;
            fail(reason);
        }
    }
}

TWritePreferences::~TWritePreferences()
{
    try {
        Close();
    } catch (...) {
    }
}

void TWritePreferences::fail(const QString& reason)
{
    if (m_failure.isEmpty()) m_failure = reason;
}

void TWritePreferences::registryValue(const QString& sub, const QString& name, const RegValue& value)
{
    if (!m_registry) return;
    bool written;
    if (sub.isEmpty())
        written = m_registry->WriteValue(name, value);
    else {
        // Records go through an accessor of their own: the store key stays
        // the open one for the values that follow.
        TRegistry record(RegHive::CurrentUser);
        written
            = record.OpenKey(m_storePath + QLatin1Char('\\') + sub, true) && record.WriteValue(name, value);
    }
    if (!written)
        fail(TRegistryStore::HiveFilePath(RegHive::CurrentUser) + QStringLiteral(": valeur ")
            + joined(sub, name) + QStringLiteral(" refusée"));
}

void TWritePreferences::integerAt(const QString& sub, const QString& name, int32_t value)
{
    if (m_registry) {
        RegValue v;
        v.type = RegDataType::Dword;
        v.dword = uint32_t(value);
        registryValue(sub, name, v);
    } else if (m_ini)
        m_ini->SetValue(joined(sub, name), QString::number(value));
}

void TWritePreferences::boolAt(const QString& sub, const QString& name, bool value)
{
    integerAt(sub, name, value ? 1 : 0);
}

void TWritePreferences::stringAt(const QString& sub, const QString& name, const QString& value)
{
    if (m_registry) {
        RegValue v;
        v.type = RegDataType::Sz;
        v.text = value;
        registryValue(sub, name, v);
    } else if (m_ini)
        m_ini->SetValue(joined(sub, name), oneLine(value));
}

void TWritePreferences::floatAt(const QString& sub, const QString& name, double value)
{
    if (m_registry) {
        RegValue v;
        v.type = RegDataType::Binary;
        v.bytes = DoubleToBytes(value);
        registryValue(sub, name, v);
    } else if (m_ini)
        m_ini->SetValue(joined(sub, name), DoubleToIniText(value));
}

void TWritePreferences::fontAt(const QString& sub, const TfontRecord& font)
{
    stringAt(sub, QStringLiteral("FontName"), font.Name);
    integerAt(sub, QStringLiteral("FontSize"), font.Size);
    integerAt(sub, QStringLiteral("FontColor"), int32_t(font.Color));
    boolAt(sub, QStringLiteral("FontBold"), font.Bold);
    boolAt(sub, QStringLiteral("FontItalic"), font.Italic);
    boolAt(sub, QStringLiteral("FontUnderline"), font.Underline);
    boolAt(sub, QStringLiteral("FontStrikeOut"), font.StrikeOut);
}

void TWritePreferences::WriteInteger(const QString& key, int32_t value)
{
    integerAt(QString(), key, value);
}

void TWritePreferences::WriteBool(const QString& key, bool value)
{
    boolAt(QString(), key, value);
}

void TWritePreferences::WriteString(const QString& key, const QString& value)
{
    stringAt(QString(), key, value);
}

void TWritePreferences::WriteFloat(const QString& key, double value)
{
    floatAt(QString(), key, value);
}

void TWritePreferences::WriteFontRecord(const QString& key, const TfontRecord& value)
{
    fontAt(key, value);
}

void TWritePreferences::WriteIncrustRec(const QString& key, const TincrustRec& r)
{
    stringAt(key, QStringLiteral("Incrust1"), r.Incrust1);
    stringAt(key, QStringLiteral("Incrust2"), r.Incrust2);
    stringAt(key, QStringLiteral("FormatDate1"), r.FormatDate1);
    stringAt(key, QStringLiteral("FormatDate2"), r.FormatDate2);
    floatAt(key, QStringLiteral("Decalage Horaire"), r.DecalageHoraire);
    fontAt(joined(key, QStringLiteral("FontRec")), r.FontRec);
    boolAt(key, QStringLiteral("Autofontsize"), r.Autofontsize);
    integerAt(key, QStringLiteral("BorderSize"), r.BorderSize);
    integerAt(key, QStringLiteral("What Incrust"), r.WhatIncrust);
    integerAt(key, QStringLiteral("Alignement"), r.Alignement);
    integerAt(key, QStringLiteral("BorderColor"), int32_t(r.BorderColor));
    integerAt(key, QStringLiteral("Xpos"), r.Xpos);
    integerAt(key, QStringLiteral("Ypos"), r.Ypos);
}

bool TWritePreferences::Close()
{
    if (m_closed) return m_failure.isEmpty();
    m_closed = true;
    if (m_batch && !m_batch->Commit()) fail(TRegistryStore::Instance().LastSaveError());
    if (m_ini && !m_iniUnreadable) {
        const QString path = IniStorePath();
        QSaveFile file(path);
        const QByteArray bytes = m_ini->Serialize();
        if (!file.open(QIODevice::WriteOnly)) fail(path + QStringLiteral(": ") + file.errorString());
        // The data is checked on its way to the disk: a full disk shows only
        // when the buffer is written out, and committing after that would
        // put a cut file in place of the whole one.
        else if (file.write(bytes) != bytes.size() || !file.flush()) {
            fail(path + QStringLiteral(": ") + file.errorString());
            file.cancelWriting();
        } else if (!file.commit())
            fail(path + QStringLiteral(": ") + file.errorString());
    }
    return m_failure.isEmpty();
}

std::unique_ptr<TPreferenceWriter> OpenPreferenceWriter(const QString& storePath, TStoreMode mode)
{
    return std::make_unique<TWritePreferences>(storePath, mode);
}
