#include "prefs/TReadPreferences.h"

#include "platform/Registry.h"
#include "prefs/PreferenceStores.h"

#include <QLocale>
#include <QtEndian>
#include <cmath>
#include <cstring>

namespace
{

QString joined(const QString& sub, const QString& name)
{
    return sub.isEmpty() ? name : sub + QLatin1Char('\\') + name;
}

} // namespace

QByteArray DoubleToBytes(double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray bytes(8, '\0');
    qToLittleEndian(bits, bytes.data());
    return bytes;
}

std::optional<double> DoubleFromBytes(const QByteArray& bytes)
{
    if (bytes.size() != 8) return std::nullopt;
    const quint64 bits = qFromLittleEndian<quint64>(bytes.constData());
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

QString DoubleToIniText(double value)
{
    QString text = QString::number(value, 'g', 15);
    const QString point = QLocale::system().decimalPoint();
    if (point != QLatin1String(".")) text.replace(QLatin1Char('.'), point);
    return text;
}

std::optional<double> DoubleFromIniText(const QString& text)
{
    // A file carried from a machine with the other separator reads too.
    QString plain = text.trimmed();
    const QString point = QLocale::system().decimalPoint();
    if (point != QLatin1String(".")) plain.replace(point, QStringLiteral("."));
    plain.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

TReadPreferences::TReadPreferences(const QString& storePath, TStoreMode mode)
    : m_storePath(storePath)
    , m_sectionHeader(QLatin1Char('[') + storePath + QLatin1Char(']'))
    , m_mode(mode)
{
    if (mode == smRegistry) {
        m_registry = std::make_unique<TRegistry>(RegHive::CurrentUser);
        if (!m_registry->OpenKeyReadOnly(storePath)) m_registry.reset();
    } else if (mode == smIni) {
        m_ini = std::make_unique<TIniLines>(m_sectionHeader);
        m_ini->Load(IniStorePath());
    }
}

TReadPreferences::~TReadPreferences() = default;

std::optional<RegValue> TReadPreferences::registryValue(const QString& sub, const QString& name) const
{
    if (!m_registry) return std::nullopt;
    if (sub.isEmpty()) return m_registry->ReadValue(name);
    // A record's values are read through an accessor of their own, so the
    // store key stays the open one whatever the record holds.
    TRegistry record(RegHive::CurrentUser);
    if (!record.OpenKeyReadOnly(m_storePath + QLatin1Char('\\') + sub)) return std::nullopt;
    return record.ReadValue(name);
}

std::optional<QString> TReadPreferences::iniValue(const QString& sub, const QString& name) const
{
    if (!m_ini) return std::nullopt;
    return m_ini->Value(joined(sub, name));
}

bool TReadPreferences::recordExists(const QString& sub) const
{
    if (m_mode == smRegistry)
        return m_registry && m_registry->KeyExists(m_storePath + QLatin1Char('\\') + sub);
    return m_ini != nullptr;
}

int32_t TReadPreferences::integerAt(const QString& sub, const QString& name, int32_t defaultValue)
{
    if (const auto value = registryValue(sub, name))
        return value->type == RegDataType::Dword ? int32_t(value->dword) : defaultValue;
    if (const auto text = iniValue(sub, name)) {
        bool ok = false;
        const int32_t number = text->trimmed().toInt(&ok);
        return ok ? number : defaultValue;
    }
    return defaultValue;
}

bool TReadPreferences::boolAt(const QString& sub, const QString& name, bool defaultValue)
{
    if (const auto value = registryValue(sub, name))
        return value->type == RegDataType::Dword ? value->dword != 0 : defaultValue;
    if (const auto text = iniValue(sub, name)) return text->trimmed() != QLatin1String("0");
    return defaultValue;
}

QString TReadPreferences::stringAt(const QString& sub, const QString& name, const QString& defaultValue)
{
    if (const auto value = registryValue(sub, name)) {
        const bool text = value->type == RegDataType::Sz || value->type == RegDataType::ExpandSz;
        return text ? value->text : defaultValue;
    }
    if (const auto text = iniValue(sub, name)) return *text;
    return defaultValue;
}

double TReadPreferences::floatAt(const QString& sub, const QString& name, double defaultValue)
{
    if (const auto value = registryValue(sub, name)) {
        if (value->type != RegDataType::Binary) return defaultValue;
        return DoubleFromBytes(value->bytes).value_or(defaultValue);
    }
    if (const auto text = iniValue(sub, name)) return DoubleFromIniText(*text).value_or(defaultValue);
    return defaultValue;
}

TfontRecord TReadPreferences::fontAt(const QString& sub, const TfontRecord& d)
{
    if (!recordExists(sub)) return d;
    TfontRecord font;
    font.Name = stringAt(sub, QStringLiteral("FontName"), d.Name);
    font.Size = integerAt(sub, QStringLiteral("FontSize"), d.Size);
    font.Color = uint32_t(integerAt(sub, QStringLiteral("FontColor"), int32_t(d.Color)));
    font.Bold = boolAt(sub, QStringLiteral("FontBold"), d.Bold);
    font.Italic = boolAt(sub, QStringLiteral("FontItalic"), d.Italic);
    font.Underline = boolAt(sub, QStringLiteral("FontUnderline"), d.Underline);
    font.StrikeOut = boolAt(sub, QStringLiteral("FontStrikeOut"), d.StrikeOut);
    return font;
}

int32_t TReadPreferences::ReadInteger(const QString& key, int32_t defaultValue)
{
    return integerAt(QString(), key, defaultValue);
}

bool TReadPreferences::ReadBool(const QString& key, bool defaultValue)
{
    return boolAt(QString(), key, defaultValue);
}

QString TReadPreferences::ReadString(const QString& key, const QString& defaultValue)
{
    return stringAt(QString(), key, defaultValue);
}

double TReadPreferences::ReadFloat(const QString& key, double defaultValue)
{
    return floatAt(QString(), key, defaultValue);
}

TfontRecord TReadPreferences::ReadFontRecord(const QString& key, const TfontRecord& defaultValue)
{
    return fontAt(key, defaultValue);
}

TincrustRec TReadPreferences::ReadIncrustRec(const QString& key, const TincrustRec& d)
{
    if (!recordExists(key)) return d;
    TincrustRec r;
    r.Incrust1 = stringAt(key, QStringLiteral("Incrust1"), d.Incrust1);
    r.Incrust2 = stringAt(key, QStringLiteral("Incrust2"), d.Incrust2);
    r.FormatDate1 = stringAt(key, QStringLiteral("FormatDate1"), d.FormatDate1);
    r.FormatDate2 = stringAt(key, QStringLiteral("FormatDate2"), d.FormatDate2);
    r.DecalageHoraire = floatAt(key, QStringLiteral("Decalage Horaire"), d.DecalageHoraire);
    r.FontRec = fontAt(joined(key, QStringLiteral("FontRec")), d.FontRec);
    r.Autofontsize = boolAt(key, QStringLiteral("Autofontsize"), d.Autofontsize);
    r.BorderSize = integerAt(key, QStringLiteral("BorderSize"), d.BorderSize);
    r.WhatIncrust = uint8_t(integerAt(key, QStringLiteral("What Incrust"), d.WhatIncrust));
    r.Alignement = uint8_t(integerAt(key, QStringLiteral("Alignement"), d.Alignement));
    r.BorderColor = uint32_t(integerAt(key, QStringLiteral("BorderColor"), int32_t(d.BorderColor)));
    r.Xpos = integerAt(key, QStringLiteral("Xpos"), d.Xpos);
    r.Ypos = integerAt(key, QStringLiteral("Ypos"), d.Ypos);
    return r;
}

std::unique_ptr<TPreferenceReader> OpenPreferenceReader(const QString& storePath, TStoreMode mode)
{
    return std::make_unique<TReadPreferences>(storePath, mode);
}
