// The operating-system line of problem reports.

#include "platform/SystemVersion.h"

#include <gtest/gtest.h>

TEST(SystemVersion, NamesTheDistributionAndTheKernel)
{
    EXPECT_EQ(
        TSystemVersion::TextOf(QStringLiteral("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 "
                                              "(bookworm)\"\nID=debian\n"),
            QStringLiteral("Linux"), QStringLiteral("6.1.0-18-amd64")),
        "Debian GNU/Linux 12 (bookworm) - Linux 6.1.0-18-amd64");
    EXPECT_EQ(TSystemVersion::PrettyName(QStringLiteral("PRETTY_NAME='Arch Linux'")), "Arch Linux");
    EXPECT_EQ(
        TSystemVersion::PrettyName(QStringLiteral("PRETTY_NAME=\"Say \\\"hi\\\" OS\"")), "Say \"hi\" OS");
    EXPECT_EQ(TSystemVersion::PrettyName(QStringLiteral("PRETTY_NAME=Plain")), "Plain");
    EXPECT_EQ(TSystemVersion::TextOf(QString(), QStringLiteral("Linux"), QStringLiteral("6.1")),
        "Inconnu - Linux 6.1");
    EXPECT_FALSE(TSystemVersion::Text().isEmpty());
}
