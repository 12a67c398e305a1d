// The scene-file reader on any companion file of a video.
//
// Properties: a refused header leaves the list as it was; every scene comes
// from bytes that are there (a record takes at least 35 bytes, the header at
// least 88), so no length in the file makes scenes out of nothing; bytes
// after the last record change nothing.

#include "fuzz/FuzzCheck.h"
#include "media/TSceneList.h"

#include <QBuffer>
#include <memory>

namespace
{

constexpr int MinHeaderBytes = 88;
constexpr int MinRecordBytes = 35;

struct Outcome {
    bool loaded = false;
    std::vector<std::pair<int32_t, uint32_t>> scenes;
    bool untouched = false;
};

Outcome Load(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    FUZZ_CHECK(buffer.open(QIODevice::ReadOnly));
    TSceneList list;
    auto before = std::make_unique<TScene>();
    before->Name = QStringLiteral("before");
    list.Add(std::move(before));

    Outcome out;
    out.loaded = list.LoadScenes(buffer, QStringLiteral("read"));
    out.untouched = list.Count() == 1 && list.Items(0)->Name == u"before";
    for (const auto& scene : list) {
        if (!out.untouched) FUZZ_CHECK(scene->Name == u"read");
        out.scenes.emplace_back(scene->StartFrame, scene->Value2);
    }
    FUZZ_CHECK(buffer.pos() <= bytes.size());
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Outcome outcome = Load(bytes);
    if (outcome.loaded) FUZZ_CHECK(!outcome.untouched);
    if (!outcome.untouched) {
        FUZZ_CHECK(size >= size_t(MinHeaderBytes));
        FUZZ_CHECK(outcome.scenes.size() <= 1 + (size - MinHeaderBytes) / MinRecordBytes);
    }
    if (outcome.loaded) {
        const Outcome longer = Load(bytes + QByteArray(64, '\xA5'));
        FUZZ_CHECK(longer.loaded && longer.scenes == outcome.scenes);
    }
    return 0;
}
