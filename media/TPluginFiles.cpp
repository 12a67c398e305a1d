#include "media/TPluginFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gst/gst.h>

namespace
{

void EnsureGStreamer()
{
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
}

void Say(QString* reason, const QString& text)
{
    if (reason) *reason = text;
}

bool SameFile(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// The installed copy of a plugin loaded from elsewhere is the same plugin.
bool SameBytes(const QString& a, const QString& b)
{
    if (SameFile(a, b)) return true;
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        const QByteArray chunk = fa.read(1 << 16);
        if (chunk.isEmpty() || chunk != fb.read(chunk.size())) return false;
    }
    return true;
}

// The plugin that loading `path` gives, or null with the reason. Loading a
// file whose name is already loaded from elsewhere gives that other plugin:
// unless the two files hold the same bytes, it says nothing of this one, so
// it counts as a failure.
GstPlugin* LoadPlugin(const QString& path, QString* reason)
{
    EnsureGStreamer();
    GError* error = nullptr;
    GstPlugin* plugin = gst_plugin_load_file(QFile::encodeName(path).constData(), &error);
    if (!plugin) {
        Say(reason, error ? QString::fromUtf8(error->message) : QStringLiteral("not a plugin"));
        g_clear_error(&error);
        return nullptr;
    }
    const gchar* loaded = gst_plugin_get_filename(plugin);
    if (!loaded || !SameBytes(QFile::decodeName(loaded), path)) {
        Say(reason,
            QStringLiteral("a plugin of the same file name is already loaded from %1")
                .arg(loaded ? QFile::decodeName(loaded) : QString()));
        gst_object_unref(plugin);
        return nullptr;
    }
    return plugin;
}

} // namespace

QString TPluginFiles::UserFolder()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/gstreamer-1.0/plugins");
}

bool TPluginFiles::Install(const QString& path, QString* reason)
{
    const QFileInfo source(path);
    if (!source.isFile()) {
        Say(reason, QStringLiteral("not a file"));
        return false;
    }
    GstPlugin* plugin = LoadPlugin(source.absoluteFilePath(), reason);
    if (!plugin) return false;
    gst_object_unref(plugin);

    const QString folder = UserFolder();
    const QString target = folder + QLatin1Char('/') + source.fileName();
    if (SameFile(target, path)) return true; // dropped from the folder itself
    if (!QDir().mkpath(folder)) {
        Say(reason, QStringLiteral("cannot make %1").arg(folder));
        return false;
    }
    // Written beside and renamed over, so a full disk never leaves half a
    // library where GStreamer will look at the next start.
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    if (!QFile::copy(source.absoluteFilePath(), part)) {
        QFile::remove(part);
        Say(reason, QStringLiteral("cannot write %1").arg(target));
        return false;
    }
    QFile::remove(target);
    if (!QFile::rename(part, target)) {
        QFile::remove(part);
        Say(reason, QStringLiteral("cannot write %1").arg(target));
        return false;
    }
    return true;
}

bool TPluginFiles::Uninstall(const QString& path, QString* reason)
{
    const QString target = UserFolder() + QLatin1Char('/') + QFileInfo(path).fileName();
    if (!QFileInfo(target).isFile()) {
        Say(reason, QStringLiteral("%1 is not installed").arg(target));
        return false;
    }
    EnsureGStreamer();
    GstRegistry* registry = gst_registry_get();
    GstPlugin* plugin = gst_registry_lookup(registry, QFile::encodeName(target).constData());
    if (plugin && !SameBytes(QFile::decodeName(gst_plugin_get_filename(plugin)), target)) {
        gst_object_unref(plugin);
        plugin = nullptr;
    }
    if (!plugin) plugin = LoadPlugin(target, reason);
    if (!plugin) return false;
    if (!QFile::remove(target)) {
        gst_object_unref(plugin);
        Say(reason, QStringLiteral("cannot delete %1").arg(target));
        return false;
    }
    gst_registry_remove_plugin(registry, plugin);
    gst_object_unref(plugin);
    return true;
}
