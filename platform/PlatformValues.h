#pragma once
// Values the system itself provides in the registry and that the application
// reads: the user's picture and document folders among the shell folders, and
// the media runtime's version in place of the DirectX version. They appear in
// a hive only where the hive file does not hold them and are never written to
// the file on their own. STILLEX_NO_PLATFORM_VALUES=1 hides them all.

#include "platform/Registry.h"

#include <QStringList>
#include <optional>

class TPlatformValues
{
public:
    // Paths are lists of key names below the hive root.
    static std::optional<RegValue> Value(RegHive hive, const QStringList& path, const QString& name);
    static QStringList ValueNames(RegHive hive, const QStringList& path);
    // A key exists when it holds, or lies above, some provided value.
    static bool KeyExists(RegHive hive, const QStringList& path);
    static QStringList SubKeyNames(RegHive hive, const QStringList& path);

    static bool Suppressed();
    // The media runtime lives above this layer: whoever reads the DirectX
    // version says how to learn whether it is usable. Without a probe the
    // version is not provided.
    static void SetMediaRuntimeProbe(bool (*usable)());
    // What the DirectX version reads as when the media runtime is usable.
    static QString MediaVersionText() { return QStringLiteral("4.09.00.0904"); }
};
