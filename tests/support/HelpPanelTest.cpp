// The help panel's measurements and its installation of filter files, with
// the measurements handed in as the main window hands them.

#include "support/TCpuLoadAverages.h"
#include "support/TFreeSpaceDisplay.h"
#include "support/THelpFrame.h"
#include "support/TTextGauge.h"

#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

TEST(CpuLoadAverages, BusiestProcessorAndTheTwoAverages)
{
    // The total, last, is left out; halves go to the even percent.
    EXPECT_EQ(TCpuLoadAverages::BusiestLoad({ 0.625, 0.2, 1.0 }), 62);
    EXPECT_EQ(TCpuLoadAverages::BusiestLoad({ 0.1, 0.375, 0.3 }), 38);
    // One value has no processor of its own to show.
    EXPECT_EQ(TCpuLoadAverages::BusiestLoad({ 0.9 }), 0);
    EXPECT_EQ(TCpuLoadAverages::BusiestLoad({}), 0);

    TCpuLoadAverages a;
    for (int tick = 1; tick <= 16; ++tick) {
        a.Add(50);
        EXPECT_DOUBLE_EQ(a.A1(), 3.125 * tick);
    }
    for (int tick = 17; tick <= 30; ++tick)
        a.Add(50);
    EXPECT_LT(a.A2(), 50);
    a.Add(50);
    EXPECT_DOUBLE_EQ(a.A2(), 50);
    EXPECT_EQ(a.Text(), QStringLiteral("50 - 50"));
    // The loads leave the history as new ones come.
    for (int tick = 0; tick < 8; ++tick)
        a.Add(0);
    EXPECT_DOUBLE_EQ(a.A1(), 25);
}

TEST(FreeSpaceDisplay, MegabytesGigabytesAndUnknownSizes)
{
    const int64_t mb = 1 << 20;
    const TFreeSpaceDisplay below(20000 * mb, 10240 * mb);
    EXPECT_EQ(below.GaugeText(), QStringLiteral("10240 Mo"));
    EXPECT_EQ(below.LabelText(), QStringLiteral("10240 Mo"));
    EXPECT_EQ(below.MaxValue(), 20000);
    EXPECT_EQ(below.Progress(), 9760);
    const TFreeSpaceDisplay above(20000 * mb, 10241 * mb + mb - 1);
    EXPECT_EQ(above.GaugeText(), QStringLiteral("10 Go"));
    EXPECT_EQ(above.LabelText(), QStringLiteral("10241 Mo"));

    for (const auto& [total, free] : { std::pair<int64_t, int64_t>(-1, -1), { 0, 0 }, { 100 * mb, -1 } }) {
        const TFreeSpaceDisplay unknown(total, free);
        EXPECT_FALSE(unknown.Known());
        EXPECT_EQ(unknown.GaugeText(), QStringLiteral("Taille inconnue"));
        EXPECT_EQ(unknown.LabelText(), QStringLiteral("Taille inconnue"));
        EXPECT_EQ(unknown.MaxValue(), 0);
    }
    // More free than the total is read as a full free disk, never as a
    // negative use.
    EXPECT_EQ(TFreeSpaceDisplay(10 * mb, 20 * mb).Progress(), 0);
    // Several petabytes still fit the gauge.
    const TFreeSpaceDisplay huge(int64_t(1) << 62, int64_t(1) << 61);
    EXPECT_GT(huge.MaxValue(), 0);
    EXPECT_GE(huge.Progress(), 0);
}

TEST(HelpPanel, MeasuresOnTheirPageOnlyAndSaysFailuresOnce)
{
    QWidget window;
    window.resize(300, 700);
    THelpFrame panel(&window);
    window.show();
    panel.show();
    EXPECT_EQ(panel.CpuTimer->interval(), 500);
    EXPECT_EQ(panel.SpaceTimer->interval(), 2000);
    EXPECT_FALSE(panel.SpaceTimer->isActive());
    panel.Pages->setCurrentIndex(THelpFrame::CpuPage);
    EXPECT_TRUE(panel.CpuTimer->isActive());
    EXPECT_TRUE(panel.SpaceTimer->isActive());
    panel.hide();
    EXPECT_FALSE(panel.CpuTimer->isActive());
    EXPECT_FALSE(panel.SpaceTimer->isActive());

    int64_t total = int64_t(50000) << 20, free = int64_t(12288) << 20;
    panel.MeasureDrive = [&] { return std::pair<int64_t, int64_t>(total, free); };
    panel.StartMeasures();
    EXPECT_TRUE(panel.SpaceGauge->customText());
    EXPECT_EQ(panel.SpaceGauge->MaxValue(), 50000);
    EXPECT_EQ(panel.SpaceGauge->Progress(), 50000 - 12288);
    EXPECT_EQ(panel.SpaceGauge->DisplayText(), QStringLiteral("12 Go"));
    EXPECT_EQ(panel.SpaceLabel->text(), QStringLiteral("12288 Mo"));
    // The disk went away: said, not drawn as a full or an empty disk.
    total = free = -1;
    panel.SpaceTick();
    EXPECT_EQ(panel.SpaceGauge->DisplayText(), QStringLiteral("Taille inconnue"));
    EXPECT_EQ(panel.SpaceGauge->Progress(), 0);

    QList<QList<double>> samples { { 0.5, 0.9, 0.7 }, {}, {}, { 0.2, 0.1, 0.15 } };
    int next = 0;
    panel.SampleProcessors = [&](QList<double>& loads, QString& error) {
        loads = samples.value(next++);
        if (loads.isEmpty()) error = QStringLiteral("no data");
        return !loads.isEmpty();
    };
    QStringList reported;
    panel.OnSampleError = [&](const QString& e) { reported << e; };
    panel.CpuTick();
    EXPECT_EQ(panel.CpuGauge->Progress(), 90);
    EXPECT_EQ(panel.CpuGauge->DisplayText(), QStringLiteral("90%"));
    EXPECT_EQ(panel.CpuLabel->text(), QStringLiteral("6 - 0"));
    panel.CpuTick();
    panel.CpuTick();
    EXPECT_EQ(reported, QStringList({ QStringLiteral("no data") }));
    panel.CpuTick();
    EXPECT_EQ(panel.CpuGauge->Progress(), 20);
    EXPECT_DOUBLE_EQ(panel.Averages().A1(), (90 + 20) / 16.0);
}

TEST(HelpPanel, EachDroppedFileIsAskedForAndReported)
{
    THelpFrame panel(nullptr);
    QStringList questions, results, handled;
    QList<bool> answers { true, false, true };
    panel.OnConfirm = [&](const QString& q) {
        questions << q;
        return answers.takeFirst();
    };
    panel.OnResult = [&](const QString& r) { results << r; };
    panel.OnFilterFile = [&](const QString& path, bool install) {
        handled << (install ? QStringLiteral("+") : QStringLiteral("-")) + path;
        return path.endsWith(QStringLiteral(".so"));
    };
    panel.HandleFilterFiles({ QStringLiteral("/a/good.so"), QStringLiteral("/a/no.so") }, true);
    EXPECT_EQ(questions,
        QStringList({ QStringLiteral("Voulez-vous vraiment installer le fichier /a/good.so?"),
            QStringLiteral("Voulez-vous vraiment installer le fichier /a/no.so?") }));
    EXPECT_EQ(handled, QStringList({ QStringLiteral("+/a/good.so") }));
    EXPECT_EQ(results, QStringList({ QStringLiteral("Opération réussie") }));

    panel.HandleFilterFiles({ QStringLiteral("/a/notes.txt"), QString(65531, QLatin1Char('x')) }, false);
    EXPECT_EQ(questions.last(), QStringLiteral("Voulez-vous vraiment désinstaller le fichier /a/notes.txt?"));
    EXPECT_EQ(questions.size(), 3);
    EXPECT_EQ(handled.last(), QStringLiteral("-/a/notes.txt"));
    EXPECT_EQ(results.last(), QStringLiteral("Echec de l'opération"));
}
