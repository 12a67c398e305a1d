#include "media/SceneSteps.h"
#include "media/TSceneList.h"
#include "tests/support/SceneFileWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

using namespace SceneFileBytes;

class SceneFiles : public ::testing::Test
{
protected:
    QString Save(const QByteArray& bytes, const QString& name = "video.scn")
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }

    std::vector<int32_t> Starts() const
    {
        std::vector<int32_t> starts;
        for (const auto& scene : list)
            starts.push_back(scene->StartFrame);
        return starts;
    }

    QTemporaryDir dir;
    TSceneList list;
};

using Frames = std::vector<int32_t>;

TEST_F(SceneFiles, HeaderAloneGivesOneScene)
{
    Writer w;
    w.Header(0, -7, 0xFEDCBA98u);
    const QString path = Save(w.bytes, "vidéo été.scn");
    ASSERT_TRUE(list.LoadScenes(path));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0)->Name, path);
    EXPECT_EQ(list.Items(0)->StartFrame, -7);
    EXPECT_EQ(list.Items(0)->Value2, 0xFEDCBA98u);
    EXPECT_EQ(list.Items(1), nullptr);
    EXPECT_EQ(list.Items(-1), nullptr);
}

TEST_F(SceneFiles, StepsBetweenSceneStarts)
{
    int64_t frame = -1;
    EXPECT_EQ(PreviousSceneFrame(list, 100), 0);
    EXPECT_FALSE(NextSceneFrame(list, 0, frame));

    Writer w;
    w.Header(2, 0, 1);
    w.Record(250, 2);
    w.Record(900, 3);
    ASSERT_TRUE(list.LoadScenes(Save(w.bytes)));
    ASSERT_EQ(Starts(), (Frames { 0, 250, 900 }));
    EXPECT_EQ(list.Items(2)->Value2, 3u);

    EXPECT_EQ(PreviousSceneFrame(list, 250), 0);
    ASSERT_TRUE(NextSceneFrame(list, 250, frame));
    EXPECT_EQ(frame, 900);
    EXPECT_EQ(PreviousSceneFrame(list, 251), 250);
    EXPECT_EQ(PreviousSceneFrame(list, 0), 0);
    ASSERT_TRUE(NextSceneFrame(list, 0, frame));
    EXPECT_EQ(frame, 250);
    EXPECT_EQ(PreviousSceneFrame(list, 5000), 900);
    EXPECT_FALSE(NextSceneFrame(list, 900, frame));
    EXPECT_FALSE(NextSceneFrame(list, 5000, frame));

    // File order is kept, unsorted: the steps take the first match in their
    // scan direction, and a negative start is never a next scene.
    Writer u;
    u.Header(2, -10, 0);
    u.Record(500, 0);
    u.Record(100, 0);
    ASSERT_TRUE(list.LoadScenes(Save(u.bytes)));
    EXPECT_EQ(PreviousSceneFrame(list, 50), -10);
    EXPECT_EQ(PreviousSceneFrame(list, 600), 100);
    ASSERT_TRUE(NextSceneFrame(list, -20, frame));
    EXPECT_EQ(frame, 500);
}

TEST_F(SceneFiles, StringLengthForms)
{
    EXPECT_EQ(Text8(300).left(3), QByteArray("\xFF\x01\x2C", 3));
    EXPECT_EQ(Text16(3), QByteArray("\xFF\xFE\xFF\x03", 4) + QByteArray(6, Filler));

    // Each form in the header and in a record, each checked by the scene
    // read right after it; the lengths sit at the edges between the forms.
    const QByteArray forms[] = { Text8(0), Text8(254), Text8(255), Text8(300), Text8(0xFEFE), Text16(3),
        Text16(254), Text16(255), Text16(0x0123) };
    int index = 0;
    for (const QByteArray& str : forms) {
        Writer w;
        w.Header(2, 10 + index, 0, 0x80, 0x40, str);
        w.Record(20 + index, 0, 0x80, 0, str);
        w.Record(30 + index, 0x12345678u, 0, 0x40, str);
        ASSERT_TRUE(list.LoadScenes(Save(w.bytes))) << index;
        EXPECT_EQ(Starts(), (Frames { 10 + index, 20 + index, 30 + index })) << index;
        EXPECT_EQ(list.Items(2)->Value2, 0x12345678u) << index;
        ++index;
    }
}

TEST_F(SceneFiles, OptionalPartsFollowTheirOwnFlags)
{
    // Only bit 0x80 of F1 and bit 0x40 of F2 count; each record has its own.
    const uint8_t flags[][2] = { { 0x7F, 0xBF }, { 0x80, 0x00 }, { 0x00, 0x40 }, { 0xFF, 0xFF } };
    for (const auto& headerFlags : flags) {
        Writer w;
        w.Header(4, 1, 0, headerFlags[0], headerFlags[1], Text8(5));
        int32_t start = 2;
        for (const auto& recordFlags : flags)
            w.Record(start++, 0, recordFlags[0], recordFlags[1], Text16(2));
        ASSERT_TRUE(list.LoadScenes(Save(w.bytes)));
        EXPECT_EQ(Starts(), (Frames { 1, 2, 3, 4, 5 })) << int(headerFlags[0]) << " " << int(headerFlags[1]);
    }
}

TEST_F(SceneFiles, FailuresKeepWhatWasRead)
{
    Writer w;
    w.Header(3, 0, 0, 0x80, 0x40);
    const int headerSize = int(w.bytes.size());
    std::vector<int> recordEnds;
    for (int32_t start : { 100, 200, 300 }) {
        w.Record(start, 0, 0x80, 0x40);
        recordEnds.push_back(int(w.bytes.size()));
    }
    const Frames all { 0, 100, 200, 300 };
    const QString good = Save(w.bytes, "good.scn");
    ASSERT_TRUE(list.LoadScenes(good));

    EXPECT_FALSE(list.LoadScenes(dir.filePath("missing.scn")));
    EXPECT_FALSE(list.LoadScenes(QString()));
    EXPECT_FALSE(list.LoadScenes(dir.path()));
    EXPECT_EQ(Starts(), all);

    // Cut anywhere in the header: the list stays. Cut in a record: the
    // scenes before that record stay.
    for (int size = 0; size < int(w.bytes.size()); ++size) {
        ASSERT_TRUE(list.LoadScenes(good));
        EXPECT_FALSE(list.LoadScenes(Save(w.bytes.left(size), "cut.scn"))) << size;
        int kept = size < headerSize ? 4 : 1;
        for (int end : recordEnds)
            kept += size >= headerSize && size >= end ? 1 : 0;
        EXPECT_EQ(list.Count(), kept) << size;
    }

    // Declared lengths far beyond the file fail the read, never allocate.
    Writer huge;
    huge.Header(0, 0, 0, 0, 0, Text16(0).left(3) + QByteArray("\xFF\xFF\xFF", 3));
    ASSERT_TRUE(list.LoadScenes(good));
    EXPECT_FALSE(list.LoadScenes(Save(huge.bytes, "huge.scn")));
    EXPECT_EQ(Starts(), all);

    Writer hugeRecord;
    hugeRecord.Header(0xFFFF, 5, 0);
    hugeRecord.Record(6, 0, 0, 0, QByteArray("\xFF\xFE\xFE", 3));
    EXPECT_FALSE(list.LoadScenes(Save(hugeRecord.bytes, "huge-record.scn")));
    EXPECT_EQ(Starts(), (Frames { 5 }));
}

TEST_F(SceneFiles, AnyOpenDeviceFromItsPosition)
{
    Writer w;
    w.Header(1, 3, 0, 0x80, 0x40);
    w.Record(75, 9, 0x80, 0x40);
    // Leading bytes before the position, trailing bytes after the last record.
    QBuffer buffer;
    buffer.setData(QByteArray(7, '\x01') + w.bytes + QByteArray(40, '\x02'));
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    ASSERT_TRUE(buffer.seek(7));
    ASSERT_TRUE(list.LoadScenes(buffer, QStringLiteral("mémoire")));
    EXPECT_EQ(Starts(), (Frames { 3, 75 }));
    EXPECT_EQ(list.Items(1)->Name, QStringLiteral("mémoire"));
    EXPECT_EQ(list.Items(1)->Value2, 9u);

    // A device that is not open, or open for writing only, reads nothing and
    // leaves the list as it was.
    QBuffer closed;
    closed.setData(w.bytes);
    EXPECT_FALSE(list.LoadScenes(closed, QStringLiteral("x")));
    QBuffer writeOnly;
    ASSERT_TRUE(writeOnly.open(QIODevice::WriteOnly));
    EXPECT_FALSE(list.LoadScenes(writeOnly, QStringLiteral("x")));
    EXPECT_EQ(Starts(), (Frames { 3, 75 }));
}

} // namespace
