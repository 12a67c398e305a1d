// The filters as the main window sees them: the MPEG-2 decoder chosen in the
// options panel on a paused file, the check of the required filters with a
// filter missing, and the splitter's settings across a run that was killed.

#include "app/TOptionsFrame.h"
#include "app/TShowForm.h"
#include "graph/PlatformFilters.h"
#include "media/InstalledFilters.h"
#include "media/TFilterPresets.h"
#include "media/TFiltresWarningForm.h"
#include "platform/Registry.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TWideStringParameter.h"
#include "support/THelpFrame.h"
#include "support/TLinkEdit.h"
#include "support/TSystemInformation.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/TestMedia.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{
class FilterChoiceWindow : public MainWindowFixture
{
protected:
    int shownFrame()
    {
        form->TakeSnapshot();
        return FrameNumberIn(form->SourceFrame());
    }
    // The user picks a decoder in the options panel.
    void choose(const QString& name)
    {
        QComboBox* box = form->OptionsFrame()->cbDecodeursMpegVideo;
        const int index = box->findText(name);
        ASSERT_GE(index, 0) << name.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    // The factory of the decoder that works in the video chain: the decoder
    // slot must be the filter connected to the stream.
    QString decodingFactory()
    {
        TTemplateFilter& slot = form->Media()->decoderV;
        TGraphPin* in = slot.Pin(0);
        if (!in || !in->ConnectedTo() || slot.Graph() != &form->Media()->graph()) return QString();
        GstElement* decoder = PlatformFilters::DecoderInside(slot.BaseFilter()->Element());
        if (!decoder) return QString();
        const QString name = QString::fromUtf8(
            gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(gst_element_get_factory(decoder))));
        gst_object_unref(decoder);
        return name;
    }
    static double difference(const QImage& a, const QImage& b)
    {
        const QImage x = a.convertToFormat(QImage::Format_RGB888),
                     y = b.convertToFormat(QImage::Format_RGB888);
        if (x.size() != y.size() || x.isNull()) return 255;
        double sum = 0;
        for (int row = 0; row < x.height(); ++row)
            for (int i = 0; i < x.width() * 3; ++i)
                sum += std::abs(int(x.constScanLine(row)[i]) - int(y.constScanLine(row)[i]));
        return sum / (double(x.width()) * x.height() * 3);
    }
};
} // namespace

TEST_F(FilterChoiceWindow, TheMpeg2DecoderChosenDecodesThePausedFileAtTheSameFrame)
{
    QComboBox* box = form->OptionsFrame()->cbDecodeursMpegVideo;
    EXPECT_TRUE(box->isVisibleTo(form->OptionsFrame()));
    EXPECT_GE(box->findText(QStringLiteral("libav MPEG-2 video decoder")), 0);
    EXPECT_GE(box->findText(QStringLiteral("mpeg1 and mpeg2 video decoder")), 0);
    EXPECT_GE(form->OptionsFrame()->cbDecodeursMpegAudio->findText(QStringLiteral("mpg123 mp3 decoder")), 0);

    const QString path = TestMediaPath(QStringLiteral("mpeg2-numbered.mpg"));
    ASSERT_FALSE(path.isEmpty());
    form->OpenPath(path);
    ASSERT_TRUE(form->Media()->HasVideo());
    for (int i = 0; i < 7; ++i)
        form->Media()->NextFrame();
    ASSERT_EQ(shownFrame(), 7);

    choose(QStringLiteral("mpeg1 and mpeg2 video decoder"));
    EXPECT_EQ(decodingFactory(), QStringLiteral("mpeg2dec"));
    EXPECT_EQ(form->Media()->GraphState(), 2);
    EXPECT_EQ(shownFrame(), 7);
    const QImage byLibmpeg2 = form->SourceFrame().copy();
    EXPECT_EQ(ParDecodeurMpegVideo->Value, QStringLiteral("mpeg1 and mpeg2 video decoder"));

    choose(QStringLiteral("libav MPEG-2 video decoder"));
    EXPECT_EQ(decodingFactory(), QStringLiteral("avdec_mpeg2video"));
    EXPECT_EQ(form->Media()->GraphState(), 2);
    EXPECT_EQ(shownFrame(), 7);
    // Two decoders of one stream: the same picture but for rounding.
    EXPECT_LT(difference(byLibmpeg2, form->SourceFrame()), 2.0);

    // The new chain steps on, both ways.
    form->Media()->NextFrame();
    EXPECT_EQ(shownFrame(), 8);
    choose(QStringLiteral("mpeg1 and mpeg2 video decoder"));
    form->Media()->PreviousFrame();
    EXPECT_EQ(shownFrame(), 7);
    EXPECT_EQ(decodingFactory(), QStringLiteral("mpeg2dec"));
}

TEST_F(FilterChoiceWindow, AStoredDecoderNoLongerInstalledGivesTheFirst)
{
    const bool was = FfdshowVideoPresent;
    FfdshowVideoPresent = false;
    ParDecodeurMpegVideo->Value = QStringLiteral("Décodeur désinstallé");
    form->FillDecoderLists();
    QComboBox* box = form->OptionsFrame()->cbDecodeursMpegVideo;
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_EQ(ParDecodeurMpegVideo->Value, box->itemText(0));
    EXPECT_EQ(form->Media()->decoderV.FriendlyName(), form->VideoDecoders().Entry(0)->FriendlyName);
    EXPECT_EQ(box->findText(FfdshowVideoName), -1);

    // The installed decoder pack, when there, is taken at every start.
    FfdshowVideoPresent = was;
    form->FillDecoderLists();
    if (FfdshowVideoPresent) {
        EXPECT_EQ(ParDecodeurMpegVideo->Value, FfdshowVideoName);
        EXPECT_EQ(box->currentText(), FfdshowVideoName);
    }
}

TEST_F(FilterChoiceWindow, AMissingSplitterIsARedLineAndAWarningTheBoxSilences)
{
    // The splitter stands on this demultiplexer: without it, it is absent.
    GstRegistry* registry = gst_registry_get();
    GstPluginFeature* demuxer = gst_registry_lookup_feature(registry, "matroskademux");
    ASSERT_TRUE(demuxer);
    gst_registry_remove_feature(registry, demuxer);
    form->CheckRequiredFilters();
    gst_registry_add_feature(registry, demuxer);
    gst_object_unref(demuxer);

    EXPECT_FALSE(HaaliPresent);
    const QString list = form->HelpFrame()->FilterList->RichText();
    EXPECT_TRUE(list.contains(QStringLiteral("<color red>Haali Media Splitter non trouvé</color>")))
        << list.toStdString();
    EXPECT_TRUE(list.contains(QStringLiteral("<br>Avi Splitter<br>"))) << list.toStdString();
    EXPECT_TRUE(TSystemInformation::Lines().contains(QStringLiteral("Haali Media Splitter non trouvé")));
    EXPECT_TRUE(
        TSystemInformation::Text().contains(QStringLiteral("Filtres:\r\nDefault DirectSound Device")));

    TFiltresWarningForm warning;
    form->SetFiltresWarningForm(&warning);
    int shown = 0;
    QString text;
    auto answer = [&] {
        ++shown;
        text = warning.Texte->toPlainText();
        warning.cbNePlus->setChecked(true);
        warning.btnContinuer->click();
    };
    ParAvertirSiFiltresAbsents->Value = true;
    QTimer::singleShot(0, &warning, answer);
    form->ShowFiltersWarning();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(text.contains(QStringLiteral("avec le filtre Haali Media Splitter qui n'est pas installé")))
        << text.toStdString();
    EXPECT_FALSE(ParAvertirSiFiltresAbsents->Value);
    EXPECT_TRUE(form->isVisible());

    // Not again: the answer would have to come from a timer that never runs.
    form->ShowFiltersWarning();
    EXPECT_EQ(shown, 1);
    form->SetFiltresWarningForm(nullptr);
    DetectInstalledFilters();
}

TEST(FilterPresetsProcess, AStartAfterAKilledRunKeepsTheUsersSplitterSettings)
{
    QTemporaryDir registry;
    qputenv("STILLEX_REGISTRY_DIR", registry.path().toUtf8());
    TRegistry::ResetForTests();
    {
        TRegistry user(RegHive::CurrentUser);
        ASSERT_TRUE(user.OpenKey(TFilterPresets::SplitterUserKey, true));
        ASSERT_TRUE(user.WriteInteger(QStringLiteral("ui.trayicon"), 1));
        TRegistry machine(RegHive::LocalMachine);
        ASSERT_TRUE(machine.OpenKey(TFilterPresets::SplitterMachineKey, true));
        ASSERT_TRUE(machine.WriteInteger(QStringLiteral("rts"), 0));
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("STILLEX_REGISTRY_DIR"), registry.path());
    const QString machineHive = registry.filePath(QStringLiteral("HKEY_LOCAL_MACHINE.reg"));
    auto machineFile = [&] {
        QFile f(machineHive);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };

    // A run that never gets to its end: killed once its preset is written.
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(STILLEX_EXECUTABLE), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    for (int i = 0; i < 600 && !machineFile().contains(QStringLiteral("\"rts\"=dword:00000001")); ++i)
        first.waitForFinished(100);
    EXPECT_TRUE(machineFile().contains(QStringLiteral("HaaliMkx_savedbySX")));
    first.kill();
    first.waitForFinished();

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(STILLEX_EXECUTABLE), { QStringLiteral("-q") });
    ASSERT_TRUE(second.waitForStarted(10000) && second.waitForFinished(120000));
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();

    TRegistry::ResetForTests();
    TRegistry user(RegHive::CurrentUser);
    ASSERT_TRUE(user.OpenKeyReadOnly(TFilterPresets::SplitterUserKey));
    EXPECT_EQ(user.ReadInteger(QStringLiteral("ui.trayicon")), 1u);
    EXPECT_FALSE(user.KeyExists(TFilterPresets::SplitterUserBackup));
    TRegistry machine(RegHive::LocalMachine);
    ASSERT_TRUE(machine.OpenKeyReadOnly(TFilterPresets::SplitterMachineKey));
    EXPECT_EQ(machine.ReadInteger(QStringLiteral("rts")), 0u);
    EXPECT_FALSE(machine.KeyExists(TFilterPresets::SplitterMachineBackup));
    qunsetenv("STILLEX_REGISTRY_DIR");
    TRegistry::ResetForTests();
}
