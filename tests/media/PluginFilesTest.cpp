// Installing and removing filter files: a real plugin built with the tests,
// whose one element nothing else provides, seen by this process and by a
// fresh GStreamer that scans the user's plugin folder from nothing.

#include "media/TPluginFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gst/gst.h>
#include <gtest/gtest.h>

namespace
{
class PluginFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid());
        m_oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
        if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    }
    void TearDown() override
    {
        if (m_oldData.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_oldData);
    }
    static bool FactoryHere()
    {
        GstElementFactory* f = gst_element_factory_find("stillexprobe");
        if (f) gst_object_unref(f);
        return f != nullptr;
    }
    // A GStreamer started now, with a registry of its own, finds the
    // element only if the plugin is in the user's folder.
    bool FactoryAfterRestart()
    {
        QProcess inspect;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_data.path());
        env.insert(
            QStringLiteral("GST_REGISTRY"), m_data.path() + QStringLiteral("/registry%1.bin").arg(++m_runs));
        // Only the default paths, which hold the user's folder.
        for (const char* name : { "GST_PLUGIN_PATH", "GST_PLUGIN_PATH_1_0", "GST_PLUGIN_SYSTEM_PATH",
                 "GST_PLUGIN_SYSTEM_PATH_1_0" })
            env.remove(QString::fromLatin1(name));
        inspect.setProcessEnvironment(env);
        inspect.start(QStringLiteral("gst-inspect-1.0"), { QStringLiteral("stillexprobe") });
        EXPECT_TRUE(inspect.waitForFinished(60000));
        return inspect.exitStatus() == QProcess::NormalExit && inspect.exitCode() == 0;
    }
    QStringList Installed() const { return QDir(TPluginFiles::UserFolder()).entryList(QDir::Files); }

    QTemporaryDir m_data;
    QTemporaryDir m_files;
    QByteArray m_oldData;
    int m_runs = 0;
};
} // namespace

TEST_F(PluginFiles, AFileThatIsNotAPluginChangesNothing)
{
    EXPECT_EQ(TPluginFiles::UserFolder(), m_data.path() + QStringLiteral("/gstreamer-1.0/plugins"));
    const QString fake = m_files.filePath(QStringLiteral("libgstfake.so"));
    QFile f(fake);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is no shared library\n");
    f.close();

    QString reason;
    EXPECT_FALSE(TPluginFiles::Install(fake, &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_TRUE(Installed().isEmpty());
    EXPECT_FALSE(TPluginFiles::Install(m_files.path()));
    EXPECT_FALSE(TPluginFiles::Install(m_files.filePath(QStringLiteral("missing.so"))));
    EXPECT_TRUE(Installed().isEmpty());

    // Nothing of that name installed: nothing to remove.
    EXPECT_FALSE(TPluginFiles::Uninstall(fake));
    // A stranger in the plugin folder is not the user's to lose by a drop.
    ASSERT_TRUE(QDir().mkpath(TPluginFiles::UserFolder()));
    ASSERT_TRUE(QFile::copy(fake, TPluginFiles::UserFolder() + QStringLiteral("/libgstfake.so")));
    EXPECT_FALSE(TPluginFiles::Uninstall(fake));
    EXPECT_EQ(Installed(), QStringList({ QStringLiteral("libgstfake.so") }));
}

TEST_F(PluginFiles, InstallThenUninstallARealPlugin)
{
    // A copy under the name a user would drop, so the build's file stays.
    const QString plugin = m_files.filePath(QStringLiteral("libgststillexprobe.so"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(STILLEX_TEST_PLUGIN), plugin));
    ASSERT_FALSE(FactoryHere());
    ASSERT_FALSE(FactoryAfterRestart());

    QString reason;
    ASSERT_TRUE(TPluginFiles::Install(plugin, &reason)) << reason.toStdString();
    EXPECT_TRUE(FactoryHere());
    EXPECT_EQ(Installed(), QStringList({ QStringLiteral("libgststillexprobe.so") }));
    EXPECT_TRUE(FactoryAfterRestart());
    // Installing again, from the folder itself, keeps the one copy.
    EXPECT_TRUE(TPluginFiles::Install(TPluginFiles::UserFolder() + QStringLiteral("/libgststillexprobe.so")));
    EXPECT_EQ(Installed().size(), 1);

    ASSERT_TRUE(TPluginFiles::Uninstall(plugin, &reason)) << reason.toStdString();
    EXPECT_FALSE(FactoryHere());
    EXPECT_TRUE(Installed().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(plugin));
    EXPECT_FALSE(FactoryAfterRestart());
    EXPECT_FALSE(TPluginFiles::Uninstall(plugin));
}
