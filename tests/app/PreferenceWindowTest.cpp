// Settings kept from one start to the next, as a user meets them: the store
// chosen at exit, on the options panel or by "save_prefs", in this window
// and in the program started again.

#include "app/TOptionsFrame.h"
#include "app/TShowForm.h"
#include "app/Tintervalloframe.h"
#include "automation/TSwitch.h"
#include "capture/ImageNaming.h"
#include "capture/TDossiersFrame.h"
#include "platform/Registry.h"
#include "prefs/PreferenceStores.h"
#include "prefs/Preferences.h"
#include "prefs/TSavePrefsForm.h"
#include "tests/support/MainWindowFixture.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{

class PreferenceWindow : public MainWindowFixture
{
protected:
    // Closes the window answering the store question with `choice`; the
    // number of times it was asked.
    int closeChoosing(int choice)
    {
        TSavePrefsForm dialog;
        form->SetSavePrefsForm(&dialog);
        int asked = 0;
        QTimer answer;
        answer.setInterval(20);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() != &dialog) return;
            ++asked;
            dialog.Choose(choice);
        });
        answer.start();
        EXPECT_TRUE(form->close());
        form->SetSavePrefsForm(nullptr);
        return asked;
    }
    void startAgain()
    {
        form->CloseMedia();
        form = std::make_unique<TShowForm>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void run(const QStringList& arguments)
    {
        form->Switch1->Arguments = arguments;
        form->Switch1->ProcessCommandLine();
    }
    QString folder() const { return m_registry.path() + QStringLiteral("/Images"); }
};

} // namespace

TEST_F(PreferenceWindow, WhatIsChangedComesBackFromTheStoreChosenAtExit)
{
    for (int store : { smRegistry, smIni }) {
        SCOPED_TRACE(store);
        ASSERT_TRUE(QDir().mkpath(folder()));
        run({ "+df=" + folder(), "+jpeg=85" });
        ParIncrustRec->Value.WhatIncrust = 1; // the timecode button
        form->resize(900, 650);
        EXPECT_EQ(closeChoosing(store), 1);
        EXPECT_EQ(QFile::exists(IniStorePath()), store == smIni);

        startAgain();
        EXPECT_EQ(StoreMode, store);
        EXPECT_EQ(form->OptionsFrame()->PrefsIndex(), store);
        EXPECT_TRUE(form->OptionsFrame()->rgPrefs->button(store)->isChecked());
        EXPECT_EQ(ParDossierSave->Value, folder());
        EXPECT_EQ(ParJpegQuality->Value, 85);
        EXPECT_EQ(ParIncrustRec->Value.WhatIncrust, 1);
        EXPECT_EQ(form->size(), QSize(900, 650));
        // A portable start removes the registry copy.
        EXPECT_EQ(TRegistry().KeyExists(PreferenceStorePath), store == smRegistry);

        // "Aucun" keeps nothing, and the next exit asks again.
        form->OptionsFrame()->rgPrefs->button(smNone)->click();
        EXPECT_FALSE(QFile::exists(IniStorePath()));
        EXPECT_FALSE(TRegistry().KeyExists(PreferenceStorePath));
        EXPECT_EQ(closeChoosing(smNone), 1);
        startAgain();
        EXPECT_EQ(ParJpegQuality->Value, 50);
        EXPECT_EQ(form->OptionsFrame()->PrefsIndex(), smNone);
    }
    EXPECT_EQ(closeChoosing(smNone), 1);
}

TEST_F(PreferenceWindow, SavePrefsNamesTheStoreByABeginningOfItsWord)
{
    ASSERT_EQ(form->OptionsFrame()->PrefsIndex(), smNone);
    const std::pair<const char*, int> lines[] = { { "+save_prefs=PORT", smIni }, { "+save_prefs=xyz", smIni },
        { "+save_prefs=", smRegistry }, { "+save_prefs=a", smNone }, { "+save_prefs=reg", smRegistry } };
    for (const auto& [line, mode] : lines) {
        run({ QString::fromUtf8(line) });
        EXPECT_EQ(StoreMode, mode) << line;
        EXPECT_EQ(form->OptionsFrame()->PrefsIndex(), mode) << line;
    }
    // From a key or the toolbar there is no argument: nothing changes.
    form->Action("saPreferences")->Execute();
    EXPECT_EQ(StoreMode, smRegistry);
    EXPECT_EQ(closeChoosing(smIni), 0); // a store is chosen: no question
    EXPECT_TRUE(TRegistry().KeyExists(PreferenceStorePath));
}

TEST_F(PreferenceWindow, ASaveThatFailsIsReportedOnceAndTheWindowStillCloses)
{
    QFile plain(m_registry.path() + QStringLiteral("/plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    SetExecutablePathForTests(plain.fileName() + QStringLiteral("/stillex"));
    QStringList warnings;
    form->OnWarning = [&warnings](const QString& text) { warnings << text; };
    EXPECT_EQ(closeChoosing(smIni), 1);
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].startsWith(
        QStringLiteral("Impossible d'enregistrer les préférences: ") + plain.fileName() + "/Stillex.ini: "))
        << warnings[0].toStdString();
}

// The program itself, copied to a folder of its own as onto a USB stick.
// Each start reads what the one before saved: a value that was not read back
// would be saved again as its default.
TEST_F(PreferenceWindow, AStoredValueKeepsToTheLimitsOfItsControl)
{
    // What the store takes and what the panels let a user choose are one
    // range: a value the panel cannot show is refused at reading time.
    struct Limit {
        const char* control;
        int minimum, maximum;
        TIntegerParameter* parameter;
    };
    const Limit limits[] = {
        { "digits", form->DossiersFrame()->DigitsEdit->minimum(),
            form->DossiersFrame()->DigitsEdit->maximum(), ParDigits },
        { "root length", form->DossiersFrame()->RacineLengthEdit->minimum(),
            form->DossiersFrame()->RacineLengthEdit->maximum(), ParRacineLength },
        { "quality", form->DossiersFrame()->TrackBar1->minimum(), form->DossiersFrame()->TrackBar1->maximum(),
            ParJpegQuality },
        { "interval", form->IntervalloBar->RxSpinEdit7->minimum(),
            form->IntervalloBar->RxSpinEdit7->maximum(), ParValeurIntervallometre },
    };
    for (const Limit& limit : limits) {
        EXPECT_EQ(limit.parameter->Min, limit.minimum) << limit.control;
        EXPECT_EQ(limit.parameter->Max, limit.maximum) << limit.control;
    }
    EXPECT_EQ(MaxDigits, MaxImageDigits);
}

TEST(PreferenceProgram, ACopyFindsItsSettingsInItsIniFileOrInTheRegistry)
{
    QTemporaryDir dir;
    // The kernel names the executable by its real path.
    const QString root = QFileInfo(dir.path()).canonicalFilePath();
    const QString exe = root + QStringLiteral("/stick/stillex");
    const QString ini = root + QStringLiteral("/stick/Stillex.ini");
    const QString images = root + QStringLiteral("/stick/Images");
    ASSERT_TRUE(QDir().mkpath(images));
    ASSERT_TRUE(QFile::copy(QStringLiteral(STILLEX_EXECUTABLE), exe));
    const QString registry = root + QStringLiteral("/registry");
    auto stillex = [&](const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("STILLEX_REGISTRY_DIR"), registry);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(exe, arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    };
    auto iniText = [&] {
        QFile file(ini);
        if (!file.open(QIODevice::ReadOnly)) return QString();
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith("\xFF\xFE"));
        return QString::fromUtf16(
            reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    };
    auto stored = [&](const QString& name) {
        qputenv("STILLEX_REGISTRY_DIR", registry.toUtf8());
        TRegistry::ResetForTests();
        TRegistry reg;
        std::optional<RegValue> value;
        if (reg.OpenKeyReadOnly(PreferenceStorePath)) value = reg.ReadValue(name);
        qunsetenv("STILLEX_REGISTRY_DIR");
        TRegistry::ResetForTests();
        return value;
    };

    stillex({ "+save_prefs=portable", "+df=" + images, "+jpeg=85", "-q" });
    EXPECT_TRUE(iniText().startsWith(QStringLiteral("[\\Software\\Kestrine\\Stillex]\r\nSignature=")));
    EXPECT_TRUE(iniText().contains(QStringLiteral("\r\nExeName=") + exe + QStringLiteral("\r\n")));
    EXPECT_TRUE(iniText().contains(QStringLiteral("\r\nJpegQuality=85\r\n")));

    stillex({ "+save_prefs=registre", "-q" }); // from the ini file into the registry
    EXPECT_FALSE(QFile::exists(ini));
    ASSERT_TRUE(stored(QStringLiteral("JpegQuality")));
    EXPECT_EQ(stored(QStringLiteral("JpegQuality"))->dword, 85u);
    EXPECT_EQ(stored(QStringLiteral("ExeName"))->text, exe);

    stillex({ "+save_prefs=portable", "-q" }); // and back
    EXPECT_FALSE(stored(QStringLiteral("JpegQuality")));
    EXPECT_TRUE(iniText().contains(QStringLiteral("\r\nJpegQuality=85\r\n")));
    EXPECT_TRUE(iniText().contains(QStringLiteral("\r\nDossierSave=") + images + QStringLiteral("\r\n")));

    stillex({ "+save_prefs=aucun", "-q" });
    EXPECT_FALSE(QFile::exists(ini));
    EXPECT_FALSE(stored(QStringLiteral("ExeName")));
}
