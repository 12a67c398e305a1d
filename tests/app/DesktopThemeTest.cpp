// Qt's own texts in French and the desktop's icons, with our drawn icons
// wherever the theme has none.

#include "app/TCommandImages.h"
#include "app/TDesktopTheme.h"
#include "automation/CommandCatalog.h"
#include "automation/TActionList.h"

#include <QApplication>
#include <QIcon>
#include <gtest/gtest.h>

TEST(DesktopTheme, QtDialogsSpeakFrenchAndTheToolbarTakesTheThemesIcons)
{
    // The buttons of Qt's message boxes and dialogs.
    ASSERT_TRUE(TDesktopTheme::InstallQtTranslations(*qApp));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Annuler");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Oui");

    QIcon::setThemeName(QStringLiteral("hicolor")); // as without a desktop session
    TDesktopTheme::ChooseIconTheme();
    ASSERT_TRUE(TDesktopTheme::KnownThemes().contains(QIcon::themeName()))
        << QIcon::themeName().toStdString();
    TActionList list;
    CreateCommandCatalog(list);
    TImageList images = BuildCommandImages(list);
    auto iconOf
        = [&](const char* name) { return images.value(list.Find(QString::fromLatin1(name))->imageindex()); };
    EXPECT_EQ(iconOf("saOpenFile").name(), "document-open");
    EXPECT_EQ(iconOf("saGrab").name(), "camera-photo");
    EXPECT_EQ(iconOf("tafullscreen").name(), "view-fullscreen");
    EXPECT_TRUE(iconOf("saReculeLow").name().isEmpty()); // no freedesktop name: drawn

    // A theme that lacks the names: every command still has its picture.
    QIcon::setThemeName(QStringLiteral("NoSuchTheme"));
    images = BuildCommandImages(list);
    for (const char* name : { "saOpenFile", "saGrab", "tafullscreen", "taMute", "acQuitter" }) {
        EXPECT_FALSE(iconOf(name).isNull()) << name;
        EXPECT_FALSE(iconOf(name).pixmap(22, 22).isNull()) << name;
    }
}
