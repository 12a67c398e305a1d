// The processor sampler on recorded /proc/stat texts, and the free space of
// a real folder against df.

#include "platform/TDriveSpace.h"
#include "platform/TProcessorSampler.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace
{
// Two processors and their sum, as Linux writes them: user nice system
// idle iowait irq softirq steal guest guest_nice.
QByteArray Stat(int busy0, int idle0, int busy1, int idle1, int iowait1 = 0)
{
    const int busy = busy0 + busy1, idle = idle0 + idle1;
    return QStringLiteral("cpu  %1 0 0 %2 %3 0 0 0 7 7\n"
                          "cpu0 %4 0 0 %5 0 0 0 0 7 0\n"
                          "cpu1 %6 0 0 %7 %3 0 0 0 0 7\n"
                          "intr 12345 1 2 3\nctxt 999\nbtime 1700000000\nprocesses 42\n")
        .arg(busy)
        .arg(idle)
        .arg(iowait1)
        .arg(busy0)
        .arg(idle0)
        .arg(busy1)
        .arg(idle1)
        .toLatin1();
}
} // namespace

TEST(ProcessorSampler, RecordedSamplesGiveEachProcessorThenTheTotal)
{
    TProcessorSampler s;
    ASSERT_TRUE(s.SampleText(Stat(1000, 5000, 2000, 4000)));
    ASSERT_EQ(s.InstanceCount(), 3);
    // One sample is no interval yet.
    EXPECT_EQ(s.Loads(), QList<double>({ 0, 0, 0 }));

    // Processor 0 idle for 100 ticks, processor 1 busy for 75 of 100; the
    // guest ticks (already in user) do not count twice.
    ASSERT_TRUE(s.SampleText(Stat(1000, 5100, 2075, 4025)));
    EXPECT_DOUBLE_EQ(s.Load(0), 0.0);
    EXPECT_DOUBLE_EQ(s.Load(1), 0.75);
    EXPECT_DOUBLE_EQ(s.Load(2), 0.375);

    // No tick at all: no load rather than a division by zero.
    ASSERT_TRUE(s.SampleText(Stat(1000, 5100, 2075, 4025)));
    EXPECT_EQ(s.Loads(), QList<double>({ 0, 0, 0 }));

    try {
        s.Load(3);
        ADD_FAILURE() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "CPU index out of bounds");
    }
    EXPECT_THROW(s.Load(-1), std::out_of_range);
}

TEST(ProcessorSampler, CountersGoingBackwardsAndBadTextsGiveNoFalseLoad)
{
    TProcessorSampler s;
    ASSERT_TRUE(s.SampleText(Stat(1000, 5000, 2000, 4000, 500)));
    // iowait falls by 300 while 100 ticks pass, all idle: the idle count
    // went backwards, which is no reason for a load above 100 %.
    ASSERT_TRUE(s.SampleText(Stat(1000, 5100, 2000, 4400, 200)));
    for (double load : s.Loads()) {
        EXPECT_GE(load, 0.0);
        EXPECT_LE(load, 1.0);
    }
    // A processor restarting its counts (offline and back): its whole
    // counter went backwards, so its interval reads as idle.
    ASSERT_TRUE(s.SampleText(Stat(1000, 5200, 10, 20, 200)));
    EXPECT_EQ(s.Load(1), 0.0);

    // Unreadable texts change nothing and say why.
    const QList<double> before = s.Loads();
    QString error;
    EXPECT_FALSE(s.SampleText("intr 1 2 3\n", &error));
    EXPECT_EQ(error, QStringLiteral("Unable to locate the \"Processor\" performance object"));
    EXPECT_FALSE(s.SampleText("cpu  1 2 x 4\ncpu0 1 2 3 4\n"));
    EXPECT_FALSE(s.SampleText("cpu  1 2 3\ncpu0 1 2 3\n"));
    EXPECT_EQ(s.Loads(), before);

    // A processor more: the new instances start without an interval.
    ASSERT_TRUE(s.SampleText("cpu  10 0 0 10\ncpu0 5 0 0 5\ncpu1 5 0 0 5\ncpu2 0 0 0 0\n"));
    EXPECT_EQ(s.InstanceCount(), 4);
    EXPECT_EQ(s.Loads(), QList<double>({ 0, 0, 0, 0 }));

    s.SetStatPath(QStringLiteral("/nonexistent/stat"));
    EXPECT_FALSE(s.Sample(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("/nonexistent/stat")));

    // The machine's own file reads, with at least one processor and the
    // total.
    TProcessorSampler real;
    ASSERT_TRUE(real.Sample());
    EXPECT_GE(real.InstanceCount(), 2);
}

TEST(DriveSpace, RealFolderAgainstDf)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess df;
    df.start(
        QStringLiteral("df"), { QStringLiteral("-B1"), QStringLiteral("--output=size,avail"), dir.path() });
    ASSERT_TRUE(df.waitForFinished(10000));
    const QStringList lines
        = QString::fromLocal8Bit(df.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    const QStringList fields = lines[1].simplified().split(' ');
    const qint64 size = fields.value(0).toLongLong(), avail = fields.value(1).toLongLong();
    ASSERT_GT(size, 0);

    const TDriveSpace space = TDriveSpace::Of(dir.path());
    EXPECT_EQ(space.TotalBytes, size);
    // Others write on the same disk meanwhile.
    EXPECT_NEAR(double(space.FreeBytes), double(avail), 64.0 * 1024 * 1024);

    // A folder not made yet is measured where it would be made.
    const TDriveSpace later = TDriveSpace::Of(dir.path() + QStringLiteral("/images/2026"));
    EXPECT_EQ(later.TotalBytes, size);
    EXPECT_EQ(later.MeasuredFolder, QDir(dir.path()).canonicalPath());

    EXPECT_EQ(TDriveSpace::Of(QString()).TotalBytes, -1);
    EXPECT_EQ(TDriveSpace::Of(QString()).FreeBytes, -1);
}
