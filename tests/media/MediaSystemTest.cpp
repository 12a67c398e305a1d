// The media system on real files: chains through our own filters, exact
// seeks and steps (read back from the frame number burnt into the test
// videos), timestamps, audio alone, maximum speed, releasing DV streams.

#include "graph/MediaTypeGuids.h"
#include "media/InstalledFilters.h"
#include "media/TAudioSource.h"
#include "media/TCaptureDevice.h"
#include "media/TGrabBuilder.h"
#include "media/TMediaSystem.h"
#include "media/TVideoRenderer.h"
#include "media/TVideoSource.h"
#include "tests/support/TestMedia.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <climits>
#include <gtest/gtest.h>

namespace
{
constexpr int64_t Frame = 400'000;

int frameNumber(const QImage& image, int cells = 16)
{
    return FrameNumberIn(image, cells);
}

class MediaSystem : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { DetectInstalledFilters(); }

    void SetUp() override
    {
        media = std::make_unique<TMediaSystem>();
        renderer = std::make_unique<TVideoRenderer>();
        media->SetVideoWindow(renderer.get());
        LastPosition = 0;
    }
    void TearDown() override
    {
        media->ReleaseAll();
        media.reset();
    }

    // Opens a fixture and selects its first streams; paused on frame 0.
    TGrabBuilder* open(const char* fixture)
    {
        const QString path = TestMediaPath(QString::fromLatin1(fixture));
        if (path.isEmpty()) return nullptr;
        builders.push_back(std::make_unique<TGrabBuilder>(path));
        TGrabBuilder* b = builders.back().get();
        if (b->Failed) return nullptr;
        TVideoSource* v = b->VideoSources.Count() ? b->VideoSources.Items(0) : nullptr;
        TAudioSource* a = b->AudioSources.Count() ? b->AudioSources.Items(0) : nullptr;
        if (!media->SelectSources(v, a)) return nullptr;
        return b;
    }
    QImage currentImage()
    {
        QImage image;
        media->CopyOverlayBitmap(image);
        return image;
    }
    int shown() { return frameNumber(currentImage()); }
    // Lets the event loop run until cond holds or the time is up.
    static bool waitFor(const std::function<bool()>& cond, int ms = 10000)
    {
        // Sleeps in the event loop between looks, so the pipeline's threads
        // keep the processor.
        QDeadlineTimer deadline(ms);
        while (!cond()) {
            if (deadline.hasExpired()) return false;
            QEventLoop loop;
            QTimer::singleShot(5, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return true;
    }

    std::unique_ptr<TMediaSystem> media;
    std::unique_ptr<TVideoRenderer> renderer;
    std::vector<std::unique_ptr<TGrabBuilder>> builders;
};
} // namespace

TEST(Timestamps, TextAndFields)
{
    EXPECT_EQ(FormatTimestamp(9'999'900, Frame), QStringLiteral("0:00:01:00"));
    EXPECT_EQ(FormatTimestamp(9'600'000, Frame), QStringLiteral("0:00:00:24"));
    EXPECT_EQ(FormatTimestamp(36'000'000'000LL, Frame), QStringLiteral("1:00:00:00"));
    EXPECT_EQ(FormatTimestamp(3'600'000'000LL, Frame), QStringLiteral("0:06:00:00"));
    EXPECT_EQ(FormatTimestamp(12'345'678'901LL, 333'667), QStringLiteral("0:20:34:17"));
    EXPECT_EQ(TimestampToPosition(ParseTimestamp(QStringLiteral("0:01:30:12")), Frame), 904'800'000);
    EXPECT_EQ(TimestampToPosition(ParseTimestamp(QStringLiteral("12")), Frame), 4'800'000);
    EXPECT_EQ(
        TimestampToPosition(ParseTimestamp(QStringLiteral("1:30")), Frame), 36'000'000'000LL + 12'000'000);
    EXPECT_EQ(TimestampToPosition(ParseTimestamp(QStringLiteral(" 0 : x :2: ")), Frame), 20'000'000);
    // A frame duration of 0 (unknown rate) counts as 25 frames per second.
    EXPECT_EQ(FormatTimestamp(9'600'000, 0), QStringLiteral("0:00:00:24"));
    // Values from a broken header: positions past the last one stay at the
    // end rather than wrap round to the start.
    EXPECT_EQ(TimestampToPosition(ParseTimestamp(QStringLiteral("255")), INT64_MAX), INT64_MAX);
    EXPECT_EQ(TimestampToPosition(ParseTimestamp(QStringLiteral("127:0:0:200")), INT64_MAX / 200), INT64_MAX);
    EXPECT_EQ(FormatTimestamp(INT64_MAX, Frame), FormatTimestamp(INT64_MAX - 200, Frame));
}

TEST_F(MediaSystem, SeeksAndStepsLandOnTheExactFrame)
{
    const struct {
        const char* fixture;
        int lastFrame;
    } files[] = { { "h264-320x240.mkv", 249 },
        // The program stream's duration (its clock range) ends in frame 72.
        { "mpeg2-numbered.mpg", 72 }, { "h264-numbered.ts", 99 } };
    for (const auto& [fixture, lastFrame] : files) {
        SCOPED_TRACE(fixture);
        ASSERT_TRUE(open(fixture));
        EXPECT_TRUE(media->HasVideo());
        EXPECT_GT(media->Duration, 2 * TMediaSystem::OneSecond);
        ASSERT_TRUE(media->SeekTo(0));
        media->SetPosition(0);
        EXPECT_EQ(shown(), 0);
        media->NextFrame();
        EXPECT_EQ(shown(), 1);
        EXPECT_EQ(LastPosition.load(), Frame);
        // Between keyframes, both ways.
        media->SetPosition(37 * Frame);
        EXPECT_EQ(shown(), 37);
        media->PreviousFrame();
        EXPECT_EQ(shown(), 36);
        media->NextSecond();
        EXPECT_EQ(shown(), 61);
        media->PreviousMinute();
        EXPECT_EQ(LastPosition.load(), 0);
        EXPECT_EQ(shown(), 0);
        media->SeekToTimestamp(QStringLiteral("0:00:01:12"));
        EXPECT_EQ(shown(), 37);
        media->SetPosition(-1);
        EXPECT_EQ(LastPosition.load(), 0);
        // The end holds no frame: past it, the last frame is shown, and the
        // position is that frame's.
        media->SetPosition(5 * Frame);
        media->SetPosition(media->Duration + 1);
        EXPECT_EQ(shown(), lastFrame);
        EXPECT_EQ(media->FormatTimestamp(LastPosition), media->FormatTimestamp(lastFrame * Frame));
        media->SetPosition(5 * Frame);
        media->NextMinute();
        EXPECT_EQ(shown(), lastFrame);
        // The renderer shows what the compositor made, cut to the picture.
        media->SetPosition(5 * Frame);
        ASSERT_TRUE(waitFor([&] { return frameNumber(renderer->LastFrame()) == 5; }));
        EXPECT_EQ(renderer->LastFrame().size(), QSize(320, 240));
        media->ReleaseAll();
        EXPECT_TRUE(media->graph().Filters().empty());
    }
}

TEST_F(MediaSystem, PlaysThroughOurFiltersAndTellsTheEnd)
{
    ASSERT_TRUE(open("h264-320x240.mkv"));
    EXPECT_EQ(media->GraphState(), 2);
    for (const char* name : { "Video Native Notifier", "Video Dec Notifier", "Superposer", "Video Renderer",
             "Audio Dec Notifier" })
        EXPECT_TRUE(media->graph().FindFilterByName(QString::fromLatin1(name))) << name;
    EXPECT_FALSE(media->graph().FindFilterByName(QStringLiteral("Media Forcer")));

    bool ended = false;
    media->SetCompleteHandler([&] { ended = true; });
    media->SetPosition(media->Duration - 2 * TMediaSystem::OneSecond);
    media->Play();
    EXPECT_EQ(media->GraphState(), 3);
    ASSERT_TRUE(
        waitFor([&] { return media->CurrentPosition() > media->Duration - 1 * TMediaSystem::OneSecond; }));
    ASSERT_TRUE(waitFor([&] { return ended; }));

    // Maximum speed: no clock, no sound. The whole clip goes by far faster
    // than it lasts.
    media->SpeedMode = 1;
    TAudioSource* audio = media->CurrentAudio;
    media->ReleaseAudio();
    EXPECT_TRUE(media->SelectSources(nullptr, audio));
    EXPECT_FALSE(media->HasAudio());
    ended = false;
    media->SetPosition(0);
    QDeadlineTimer clock;
    clock.setRemainingTime(-1);
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    media->Play();
    ASSERT_TRUE(waitFor([&] { return ended; }));
    EXPECT_LT(QDateTime::currentMSecsSinceEpoch() - start, 8000);
}

TEST_F(MediaSystem, FlipsShowAtOnceAndTheVolumeIsLogarithmic)
{
    ASSERT_TRUE(open("h264-320x240.mkv"));
    media->SetPosition(37 * Frame);
    ASSERT_EQ(shown(), 37);
    // Flipped, the strip is at the bottom, upside down.
    media->SetVerticalFlip(true);
    media->RefreshStill();
    QImage image;
    ASSERT_TRUE(waitFor([&] {
        media->CopyOverlayBitmap(image);
        return frameNumber(image.mirrored(false, true)) == 37;
    }));
    EXPECT_EQ(LastPosition.load(), 37 * Frame);
    media->SetVerticalFlip(false);

    long volume = 0;
    for (auto [v, expected] : std::vector<std::pair<int, long>> {
             { 10'000, 0 }, { 0, -10'000 }, { 5'000, -752 }, { 20'000, 0 }, { -5, -10'000 } }) {
        media->SetVolume(v);
        ASSERT_EQ(media->graph().GetVolume(volume), S_OK);
        EXPECT_EQ(volume, expected) << v;
    }
}

TEST_F(MediaSystem, AudioAloneAndTheSameStreamAgain)
{
    // An audio file, then the sound of a video alone.
    ASSERT_TRUE(open("audio-only.mp2"));
    EXPECT_FALSE(media->HasVideo());
    EXPECT_TRUE(media->SeekTo(5'000'000));
    media->Play();
    ASSERT_TRUE(waitFor([&] { return media->CurrentPosition() > 6'000'000; }));
    media->ReleaseAll();
    const QString path = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(path.isEmpty());
    TGrabBuilder b(path);
    ASSERT_TRUE(media->SelectSources(nullptr, b.AudioSources.Items(0)));
    EXPECT_FALSE(media->HasVideo());
    EXPECT_TRUE(media->HasAudio());
    EXPECT_TRUE(media->SeekTo(5'000'000));
    media->Play();
    ASSERT_TRUE(waitFor([&] { return media->CurrentPosition() > 6'000'000; }));
    media->Pause();

    // Opening releases both chains first, then selects.
    media->ReleaseAll();
    EXPECT_TRUE(media->graph().Filters().empty());
    TGrabBuilder* mkv = open("h264-320x240.mkv");
    ASSERT_TRUE(mkv);
    const auto filters = media->graph().Filters();
    EXPECT_TRUE(media->SelectSources(mkv->VideoSources.Items(0), mkv->AudioSources.Items(0)));
    EXPECT_EQ(media->graph().Filters(), filters);
    EXPECT_FALSE(AData().CodecName.isEmpty());
}

TEST_F(MediaSystem, ADvFileStaysAttachedWhileOneOfItsStreamsIsInUse)
{
    TGrabBuilder* b = open("dv-pal-type1.avi");
    ASSERT_TRUE(b);
    TCaptureDevice* dv = b->VideoSources.Items(0)->Device;
    ASSERT_TRUE(media->HasVideo() && media->HasAudio());
    EXPECT_TRUE(media->graph().FindFilterByName(QStringLiteral("DV Notifier")));
    ASSERT_TRUE(media->SeekTo(0));
    media->NextFrame();
    EXPECT_EQ(LastPosition.load(), Frame);
    EXPECT_TRUE(media->ReleaseVideo());
    EXPECT_EQ(dv->Graph, &media->graph());
    EXPECT_TRUE(media->graph().FindFilterByName(QStringLiteral("DV Splitter")));
    EXPECT_TRUE(media->ReleaseAudio());
    EXPECT_EQ(dv->Graph, nullptr);
    EXPECT_TRUE(media->graph().Filters().empty());
}

TEST_F(MediaSystem, AFileWithoutFramesFailsItsFirstSeek)
{
    QTemporaryDir dir;
    const QString mkv = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(mkv.isEmpty());
    QFile source(mkv);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QString cut = dir.filePath(QStringLiteral("cut.mkv"));
    QFile out(cut);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(source.read(3000)); // the headers and not one frame
    out.close();
    TGrabBuilder b(cut);
    ASSERT_FALSE(b.Failed);
    media->SelectSources(b.VideoSources.Items(0), b.AudioSources.Items(0));
    EXPECT_FALSE(media->SeekTo(0));
    EXPECT_TRUE(media->ReleaseAll());
}

TEST_F(MediaSystem, EveryKindOfFileOpensStepsAndPlays)
{
    for (const char* fixture :
        { "mpeg4-mp3.avi", "video-only.avi", "dv-pal-type2.avi", "dv-pal-4x3.dv", "mpeg1-system.mpg",
            "mpeg1-video.m1v", "mpeg2-2audio.vob", "h264-ac3.m2ts", "h264-vorbis.mkv", "h264-aac.mp4",
            "h264-aac.mov", "h264-aac.3g2", "wmv2-wma.wmv", "two-video.mkv", "noextension" }) {
        SCOPED_TRACE(fixture);
        TGrabBuilder* b = open(fixture);
        ASSERT_TRUE(b);
        ASSERT_TRUE(media->HasVideo());
        EXPECT_EQ(media->HasAudio(), b->AudioSources.Count() > 0);
        media->SetPosition(0);
        EXPECT_TRUE(media->SeekTo(0));
        media->NextFrame();
        EXPECT_EQ(LastPosition.load(), Frame);
        QImage picture;
        media->CopyOverlayBitmap(picture);
        EXPECT_FALSE(picture.isNull());
        media->Play();
        EXPECT_TRUE(waitFor([&] { return media->CurrentPosition() > 3 * Frame; }, 5000));
        media->Pause();
        EXPECT_TRUE(media->ReleaseAll());
        EXPECT_TRUE(media->graph().Filters().empty());
    }
}

// Frame 0 is position 0 whatever the container does with its timestamps: an
// edit list that starts the video after the B-frame delay (MP4 and MOV
// written by GStreamer, MP4 by ffmpeg), audio priming before the video
// (Matroska), a transport stream's clock an hour in. Steps of one frame at
// the stream's own rate show every frame once.
TEST_F(MediaSystem, FramesCountFromTheFirstAtTheStreamsOwnRate)
{
    const struct {
        const char* fixture;
        int64_t frame;
        int middle;
    } files[] = {
        { "h264-ntsc-bframes.mp4", 333'667, 45 },
        { "h264-ntsc-bframes.mov", 333'667, 45 },
        { "h264-23976.mp4", 417'083, 36 },
        { "h264-50fps.mkv", 200'000, 50 },
        { "h264-numbered.ts", 400'000, 50 },
    };
    for (const auto& [fixture, frame, middle] : files) {
        SCOPED_TRACE(fixture);
        ASSERT_TRUE(open(fixture));
        media->FrameDuration = frame;
        ASSERT_TRUE(media->SeekTo(0));
        EXPECT_EQ(shown(), 0);
        for (int k = 1; k <= 10; ++k) {
            media->NextFrame();
            ASSERT_EQ(shown(), k) << "step " << k;
        }
        media->SetPosition(middle * frame);
        EXPECT_EQ(shown(), middle);
        media->PreviousFrame();
        EXPECT_EQ(shown(), middle - 1);
        media->SetPosition(0);
        EXPECT_EQ(shown(), 0);
        media->ReleaseAll();
    }
}

// Steps of one frame forward go on from the frame on screen, and steps back
// over frames already seen show them again from the kept pictures: either
// way each step shows the next or the previous frame, the same one an
// exact seek shows, through a keyframe and across the cache's edge.
TEST_F(MediaSystem, FrameStepsBothWaysShowEveryFrameOnce)
{
    for (const auto& [fixture, start] : { std::pair { "h264-320x240.mkv", 40 },
             std::pair { "mpeg2-numbered.mpg", 20 }, std::pair { "h264-numbered.ts", 44 } }) {
        SCOPED_TRACE(fixture);
        ASSERT_TRUE(open(fixture));
        ASSERT_TRUE(media->SeekTo(0));
        media->SetPosition(start * Frame);
        ASSERT_EQ(shown(), start);
        for (int k = 1; k <= 12; ++k) {
            media->NextFrame();
            ASSERT_EQ(shown(), start + k) << "forward " << k;
            ASSERT_EQ(LastPosition.load(), (start + k) * Frame);
        }
        EXPECT_GE(media->FrameCache().Count(), 12);
        for (int k = 11; k >= -8; --k) {
            media->PreviousFrame();
            ASSERT_EQ(shown(), start + k) << "back to " << start + k;
            // The window shows it too (a decoded frame reaches it through
            // the event loop, a kept one at once).
            ASSERT_TRUE(waitFor([&] { return frameNumber(renderer->LastFrame()) == start + k; }, 3000));
        }
        // Forward again over kept frames, then past them from the decoder.
        for (int k = -7; k <= 14; ++k) {
            media->NextFrame();
            ASSERT_EQ(shown(), start + k) << "forward again to " << start + k;
        }
        // Playing goes on from the frame on screen.
        media->PreviousFrame();
        media->PreviousFrame();
        ASSERT_EQ(shown(), start + 12);
        media->Play();
        EXPECT_TRUE(waitFor([&] { return media->CurrentPosition() > (start + 14) * Frame; }, 5000));
        media->Pause();
        EXPECT_EQ(media->FrameCache().Count(), 0);
        // Another file: nothing of this one is kept.
        media->SetPosition(start * Frame);
        media->NextFrame();
        EXPECT_GT(media->FrameCache().Count(), 0);
        media->ReleaseAll();
        EXPECT_EQ(media->FrameCache().Count(), 0);
    }
}

// A seek decodes from the key frame at or before its target only. The
// Matroska splitter looks its index up ahead of an exact seek's target, as
// far as its audio decoders need (43 ms for AAC at 48 kHz): a seek to a key
// frame, or to the frame after it, went back a whole group of pictures. The
// end of a file, which holds no frame, is reached by decoding its last group
// once, not once more for each seek of a search back to the last frame.
TEST_F(MediaSystem, SeeksDecodeFromTheKeyFrameBeforeTheirTargetOnly)
{
    ASSERT_TRUE(open("h264-320x240.mkv")); // a key frame every 50 frames, 2 B-frames, AAC
    // Counted going in (from the key frame to the target, the frames the
    // B-frames hold back and a few read ahead) and coming out (the target
    // and the few let through before it): decoding a group twice is more.
    const auto costOf = [](int fromKeyFrame) { return uint64_t(fromKeyFrame + 1 + 12 + 12); };
    for (int frame : { 50, 51, 100, 101, 149 }) {
        SCOPED_TRACE(frame);
        media->SetPosition(20 * Frame);
        const uint64_t before = media->DecodedFrames();
        media->SetPosition(frame * Frame);
        EXPECT_EQ(shown(), frame);
        EXPECT_LE(media->DecodedFrames() - before, costOf(frame % 50));
        EXPECT_GE(media->DecodedFrames() - before, uint64_t(frame % 50));
    }
    // The last frame, 249, from the key frame at 200.
    media->SetPosition(20 * Frame);
    const uint64_t before = media->DecodedFrames();
    media->SetPosition(media->Duration);
    EXPECT_EQ(shown(), 249);
    EXPECT_EQ(LastPosition.load(), 249 * Frame);
    EXPECT_LE(media->DecodedFrames() - before, costOf(49));
    // The kept frames that found it are not kept on when the cache is off.
    media->SetFrameCacheEnabled(false);
    media->SetPosition(0);
    media->SetPosition(media->Duration);
    EXPECT_EQ(shown(), 249);
    EXPECT_EQ(media->FrameCache().Count(), 0);
}

// Where seeks are slow, a seek keeps the last few frames it decodes before
// its target, and the first step back past them seeks again keeping as many
// as the cache holds: the steps back show them, down to the keyframe and
// across it. Containers whose seeks land late or that map times through an
// edit list keep the same frames. (Each file opens at its own start, even
// after a longer one left past its end.)
TEST_F(MediaSystem, StepsBackAfterASlowSeekShowTheFramesItDecoded)
{
    constexpr int few = TMediaSystem::SlowSeekKeptFrames;
    for (const auto& [fixture, start] :
        { std::pair { "h264-320x240.mkv", 90 }, std::pair { "mpeg2-numbered.mpg", 50 },
            std::pair { "h264-numbered.ts", 74 }, std::pair { "h264-ntsc-bframes.mp4", 58 } }) {
        SCOPED_TRACE(fixture);
        ASSERT_TRUE(open(fixture));
        if (QByteArray(fixture).endsWith(".mp4")) media->FrameDuration = 333'667;
        // These small files seek fast; as slow as a long 1080p picture group
        // once a seek has been timed:
        media->SlowSeekMs = -1;
        media->SetPosition(media->FrameDuration);
        media->SetPosition(start * media->FrameDuration);
        ASSERT_EQ(shown(), start);
        EXPECT_EQ(media->FrameCache().Count(), few + 1);
        for (int k = 1; k <= 30; ++k) {
            media->PreviousFrame();
            ASSERT_EQ(shown(), start - k) << "back " << k;
            ASSERT_TRUE(waitFor([&] { return frameNumber(renderer->LastFrame()) == start - k; }, 3000));
            // Until the first that was not kept, nothing is decoded again.
            if (k <= few) EXPECT_EQ(media->FrameCache().Count(), few + 1) << "back " << k;
            if (k == few + 1) EXPECT_GE(media->FrameCache().Count(), 10) << "back " << k;
        }
        // And forward from there over what is kept, then on from the decoder.
        for (int k = 29; k >= -3; --k) {
            media->NextFrame();
            ASSERT_EQ(shown(), start - k) << "forward to " << start - k;
        }
        media->ReleaseAll();
    }
}

TEST(FrameCache, StaysWithinItsBudgetAndKeepsTheFramesNearTheNewest)
{
    QImage picture(100, 100, QImage::Format_RGB32);
    TFrameCache cache(5 * picture.sizeInBytes());
    EXPECT_EQ(cache.FramesFor(100, 100), 5);
    for (int k = 0; k < 8; ++k) {
        picture.fill(qRgb(k, 0, 0));
        cache.Insert(k * Frame, k, picture, nullptr);
        EXPECT_LE(cache.Bytes(), cache.Budget());
    }
    EXPECT_EQ(cache.Count(), 5);
    TFrameCache::TEntry entry;
    EXPECT_FALSE(cache.Find(2 * Frame + Frame / 2, Frame, entry));
    ASSERT_TRUE(cache.Find(5 * Frame + Frame / 2, Frame, entry));
    EXPECT_EQ(entry.Position, 5 * Frame);
    EXPECT_EQ(qRed(entry.Picture.pixel(0, 0)), 5);
    // A time past a kept frame's length belongs to a frame not kept.
    EXPECT_FALSE(cache.Find(8 * Frame, Frame, entry));
    // Going back, the far end goes first.
    picture.fill(qRgb(2, 0, 0));
    cache.Insert(2 * Frame, 2, picture, nullptr);
    EXPECT_TRUE(cache.Find(2 * Frame, Frame, entry));
    EXPECT_FALSE(cache.Find(7 * Frame, Frame, entry));
    // The copy is the cache's own, and a picture larger than the budget is
    // not kept at all.
    picture.fill(qRgb(9, 0, 0));
    ASSERT_TRUE(cache.Find(2 * Frame, Frame, entry));
    EXPECT_EQ(qRed(entry.Picture.pixel(0, 0)), 2);
    cache.Insert(20 * Frame, 20, QImage(400, 400, QImage::Format_RGB32), nullptr);
    EXPECT_FALSE(cache.Find(20 * Frame, Frame, entry));
    cache.Clear();
    EXPECT_EQ(cache.Bytes(), 0);
}
