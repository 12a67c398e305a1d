#include "app/DirectXVersion.h"

#include "platform/Registry.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(DirectXVersion, ParsesRegistryValues)
{
    EXPECT_EQ(DirectXVersionFrom("4.09.00.0904"), "9.0c"); // 4 reads as c too
    EXPECT_EQ(DirectXVersionFrom("4.09.00.0903"), "9.0c");
    EXPECT_EQ(DirectXVersionFrom("4.09.00.0902"), "9.0b");
    EXPECT_EQ(DirectXVersionFrom("4.08.01.0881"), "8.1a");
    EXPECT_EQ(DirectXVersionFrom("4.09.00.0900"), "9.0 "); // 0 gives a blank
    EXPECT_EQ(DirectXVersionFrom("4.07.00.0705"), "7.0e");

    for (const char* bad : { "", "Erreur", "4.09", "4.09.00", "4.09.00.090x", "a.b.c.d", "4..00.0904" })
        EXPECT_EQ(DirectXVersionFrom(bad), "Erreur") << bad;

    EXPECT_EQ(DirectXMajorFrom("9.0c"), 9);
    EXPECT_EQ(DirectXMajorFrom("8.1a"), 8);
    EXPECT_EQ(DirectXMajorFrom("0.1a"), 0);
    EXPECT_EQ(DirectXMajorFrom("Erreur"), 0);
    EXPECT_EQ(DirectXMajorFrom("x.1"), 0);
}

TEST(DirectXVersion, ReadsTheMachineHiveAndWarnsWithoutIt)
{
    QTemporaryDir dir;
    qputenv("STILLEX_REGISTRY_DIR", dir.path().toUtf8());
    qputenv("STILLEX_NO_PLATFORM_VALUES", "1");
    TRegistry::ResetForTests();

    EXPECT_EQ(DirectXVersion(), "Erreur");
    EXPECT_EQ(DirectXMajor(), 0);
    const QString text = DirectXWarningText(DirectXVersion());
    EXPECT_EQ(text,
        QStringLiteral("Vous avez DirectX Erreur.\r\nIl faut avoir au moins directX 9 pour faire tourner "
                       "correctement Stillex version 5.0.6 Fr.\r\nVoulez-vous continuer quand même? Si oui, "
                       "l'application risque de ne pas bien fonctionner."));

    {
        TRegistry reg(RegHive::LocalMachine);
        ASSERT_TRUE(reg.OpenKey("\\Software\\Microsoft\\DirectX", true));
        ASSERT_TRUE(reg.WriteString("Version", "4.08.01.0881"));
    }
    EXPECT_EQ(DirectXVersion(), "8.1a");
    EXPECT_EQ(DirectXMajor(), 8);

    {
        TRegistry reg(RegHive::LocalMachine);
        ASSERT_TRUE(reg.OpenKey("\\Software\\Microsoft\\DirectX", false));
        ASSERT_TRUE(reg.WriteInteger("Version", 9)); // wrong type reads as missing
    }
    EXPECT_EQ(DirectXVersion(), "Erreur");

    // With the platform's own answer the media runtime passes the gate.
    qunsetenv("STILLEX_NO_PLATFORM_VALUES");
    {
        TRegistry reg(RegHive::LocalMachine);
        reg.DeleteKey("\\Software\\Microsoft\\DirectX");
    }
    EXPECT_EQ(DirectXVersion(), "9.0c");
    EXPECT_GE(DirectXMajor(), 9);

    qunsetenv("STILLEX_REGISTRY_DIR");
    TRegistry::ResetForTests();
}
