// The video area shows what the renderer hands over, stretched to its own
// rectangle, and black without a frame.

#include "app/TVideoWindow.h"
#include "media/InstalledFilters.h"
#include "media/TAudioSource.h"
#include "media/TGrabBuilder.h"
#include "media/TMediaSystem.h"
#include "media/TVideoRenderer.h"
#include "media/TVideoSource.h"
#include "tests/support/TestMedia.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

TEST(VideoWindow, DrawsTheRenderedFrameStretchedAndBlackWithout)
{
    DetectInstalledFilters();
    const QString path = TestMediaPath(QStringLiteral("raw-160x120.avi"));
    ASSERT_FALSE(path.isEmpty());
    TVideoWindow window;
    window.resize(320, 240);
    const QImage empty = window.grab().toImage();
    EXPECT_EQ(empty.pixelColor(160, 120), QColor(Qt::black));

    TVideoRenderer renderer;
    TMediaSystem media;
    media.SetVideoWindow(&renderer);
    window.SetRenderer(&renderer);
    TGrabBuilder b(path);
    ASSERT_TRUE(media.SelectSources(b.VideoSources.Items(0), nullptr));
    media.SetPosition(6 * 400'000);
    // Frame 6 = cells 1 and 2 white; stretched twice, cell k is 40 pixels wide.
    QDeadlineTimer deadline(10000);
    QImage shown;
    while (!deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
        shown = window.grab().toImage();
        if (qGreen(shown.pixel(40 * 1 + 20, 16)) > 128 && qGreen(shown.pixel(40 * 2 + 20, 16)) > 128) break;
    }
    EXPECT_LT(qGreen(shown.pixel(40 * 0 + 20, 16)), 128);
    EXPECT_GT(qGreen(shown.pixel(40 * 1 + 20, 16)), 128);
    EXPECT_GT(qGreen(shown.pixel(40 * 2 + 20, 16)), 128);
    EXPECT_LT(qGreen(shown.pixel(40 * 3 + 20, 16)), 128);
    EXPECT_EQ(window.Frame().size(), QSize(160, 120));

    media.ReleaseAll();
    window.SetRenderer(nullptr);
    EXPECT_EQ(window.grab().toImage().pixelColor(160, 120), QColor(Qt::black));
}
