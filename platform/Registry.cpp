#include "platform/Registry.h"

#include "platform/RegHiveFile.h"
#include "platform/RegistryStore.h"

#include <QDir>
#include <QStandardPaths>

namespace
{

// Names that the hive file could not carry on one line are refused, as are
// texts that are not valid UTF-16 (they would not come back as written).
bool writableName(const QString& name)
{
    for (QChar c : name)
        if (c == u'\r' || c == u'\n' || c == u'\0') return false;
    return name.isValidUtf16();
}

RegValue textValue(RegDataType type, const QString& text)
{
    RegValue v;
    v.type = type;
    v.text = text;
    return v;
}

} // namespace

TRegistry::TRegistry(RegHive root)
    : m_root(root)
{
}

TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(RegHive root)
{
    CloseKey();
    m_root = root;
}

std::optional<QStringList> TRegistry::pathOf(const QString& key) const
{
    QStringList path;
    if (!key.startsWith(u'\\') && !m_current.isEmpty()) path = m_current.split(u'\\');
    for (const QString& part : key.split(u'\\', Qt::SkipEmptyParts)) {
        if (!writableName(part)) return std::nullopt;
        path.append(part);
    }
    if (path.size() > TRegHiveFile::MaxDepth) return std::nullopt;
    return path;
}

QStringList TRegistry::currentPath() const
{
    return m_current.isEmpty() ? QStringList() : m_current.split(u'\\');
}

bool TRegistry::OpenKey(const QString& key, bool canCreate)
{
    const auto path = pathOf(key);
    if (!path) return false;
    TRegistryStore& store = TRegistryStore::Instance();
    if (!store.KeyExists(m_root, *path) && (!canCreate || !store.CreateKey(m_root, *path))) return false;
    m_current = path->join(u'\\');
    m_open = true;
    m_readOnly = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString& key)
{
    const auto path = pathOf(key);
    if (!path || !TRegistryStore::Instance().KeyExists(m_root, *path)) return false;
    m_current = path->join(u'\\');
    m_open = true;
    m_readOnly = true;
    return true;
}

void TRegistry::CloseKey()
{
    m_current.clear();
    m_open = false;
    m_readOnly = false;
}

bool TRegistry::KeyExists(const QString& key) const
{
    const auto path = pathOf(key);
    return path && TRegistryStore::Instance().KeyExists(m_root, *path);
}

bool TRegistry::DeleteKey(const QString& key)
{
    const auto path = pathOf(key);
    return !m_readOnly && path && TRegistryStore::Instance().DeleteKey(m_root, *path);
}

bool TRegistry::HasSubKeys() const
{
    return !GetKeyNames().isEmpty();
}

QStringList TRegistry::GetKeyNames() const
{
    return TRegistryStore::Instance().SubKeyNames(m_root, currentPath());
}

QStringList TRegistry::GetValueNames() const
{
    return TRegistryStore::Instance().ValueNames(m_root, currentPath());
}

bool TRegistry::ValueExists(const QString& name) const
{
    return ReadValue(name).has_value();
}

RegDataType TRegistry::GetDataType(const QString& name) const
{
    const auto value = ReadValue(name);
    return value ? value->type : RegDataType::None;
}

std::optional<RegValue> TRegistry::ReadValue(const QString& name) const
{
    return TRegistryStore::Instance().ReadValue(m_root, currentPath(), name);
}

bool TRegistry::WriteValue(const QString& name, const RegValue& value)
{
    if (m_readOnly || !writableName(name)) return false;
    if ((value.type == RegDataType::Sz || value.type == RegDataType::ExpandSz) && !value.text.isValidUtf16())
        return false;
    return TRegistryStore::Instance().WriteValue(m_root, currentPath(), name, value);
}

bool TRegistry::DeleteValue(const QString& name)
{
    return !m_readOnly && TRegistryStore::Instance().DeleteValue(m_root, currentPath(), name);
}

std::optional<QString> TRegistry::ReadString(const QString& name) const
{
    const auto value = ReadValue(name);
    if (!value || (value->type != RegDataType::Sz && value->type != RegDataType::ExpandSz))
        return std::nullopt;
    return value->text;
}

std::optional<uint32_t> TRegistry::ReadInteger(const QString& name) const
{
    const auto value = ReadValue(name);
    if (!value || value->type != RegDataType::Dword) return std::nullopt;
    return value->dword;
}

std::optional<QByteArray> TRegistry::ReadBinaryData(const QString& name) const
{
    const auto value = ReadValue(name);
    if (!value || value->type != RegDataType::Binary) return std::nullopt;
    return value->bytes;
}

bool TRegistry::WriteString(const QString& name, const QString& value)
{
    return WriteValue(name, textValue(RegDataType::Sz, value));
}

bool TRegistry::WriteExpandString(const QString& name, const QString& value)
{
    return WriteValue(name, textValue(RegDataType::ExpandSz, value));
}

bool TRegistry::WriteInteger(const QString& name, uint32_t value)
{
    RegValue v;
    v.type = RegDataType::Dword;
    v.dword = value;
    return WriteValue(name, v);
}

bool TRegistry::WriteBinaryData(const QString& name, const QByteArray& value)
{
    RegValue v;
    v.type = RegDataType::Binary;
    v.bytes = value;
    return WriteValue(name, v);
}

QString TRegistry::StoreFolder()
{
    const QString overridden = qEnvironmentVariable("STILLEX_REGISTRY_DIR");
    if (!overridden.isEmpty()) return QDir::cleanPath(QDir(overridden).absolutePath());
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(config + QStringLiteral("/Kestrine/registry"));
}

void TRegistry::ResetForTests()
{
    TRegistryStore::Instance().Reset();
}
