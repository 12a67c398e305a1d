#include "media/TSceneList.h"

#include <QFile>
#include <QIODevice>
#include <array>

namespace
{

constexpr uint8_t F1HasTrailingString = 0x80;
constexpr uint8_t F2HasTrailingNumber = 0x40;

// Reads little-endian integers and skips the file's length-prefixed strings.
// The first failure sticks, so a run of reads can be checked once at the end.
// Lengths come from the file, so nothing is ever allocated from them: a skip
// that would pass the end of the file fails instead.
class SceneFileReader
{
public:
    explicit SceneFileReader(QIODevice& file)
        : m_file(file)
    {
    }

    bool Ok() const { return m_ok; }

    void Skip(qint64 count)
    {
        if (!m_ok) return;
        const qint64 target = m_file.pos() + count;
        // A file may be seeked past its end without complaint, so the size
        // check is what makes a truncated file fail here. A device that
        // cannot seek (a pipe) has no size to check against and fails.
        if (count < 0 || m_file.isSequential() || target > m_file.size() || !m_file.seek(target))
            m_ok = false;
    }

    uint8_t U8() { return uint8_t(ReadLE(1)); }
    uint16_t U16() { return uint16_t(ReadLE(2)); }
    uint32_t U32() { return uint32_t(ReadLE(4)); }
    int32_t I32() { return int32_t(U32()); }

    // Only the length of a string matters, since every string is skipped.
    void SkipString()
    {
        const uint8_t length = U8();
        if (length < 255) return Skip(length);
        const uint16_t wide = U16HighFirst();
        if (wide < 0xFEFF) return Skip(wide);
        // UTF-16 text: the length counts characters of two bytes.
        const uint8_t chars = U8();
        if (chars < 255) return Skip(2 * qint64(chars));
        Skip(2 * qint64(U16HighFirst()));
    }

private:
    uint32_t ReadLE(int size)
    {
        std::array<unsigned char, 4> bytes {};
        if (!m_ok || m_file.read(reinterpret_cast<char*>(bytes.data()), size) != size) {
            m_ok = false;
            return 0;
        }
        uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = (value << 8) | bytes[size_t(i)];
        return value;
    }

    // The extended string lengths are the one place where the file stores
    // the high byte first.
    uint16_t U16HighFirst()
    {
        const uint16_t high = U8();
        const uint16_t low = U8();
        return uint16_t((high << 8) | low);
    }

    QIODevice& m_file;
    bool m_ok = true;
};

struct SceneRead {
    int32_t startFrame = 0;
    uint32_t value2 = 0;
};

bool ReadHeader(SceneFileReader& in, SceneRead& first, uint16_t& recordCount)
{
    in.Skip(24);
    in.SkipString();
    in.Skip(8);
    recordCount = in.U16();
    in.Skip(11);
    const uint8_t f1 = in.U8();
    const uint8_t f2 = in.U8();
    in.Skip(12);
    in.SkipString();
    first.startFrame = in.I32();
    first.value2 = in.U32();
    in.Skip(6);
    in.SkipString();
    in.Skip(8 + 4);
    if (f2 & F2HasTrailingNumber) in.Skip(4);
    if (f1 & F1HasTrailingString) in.SkipString();
    return in.Ok();
}

bool ReadRecord(SceneFileReader& in, SceneRead& scene)
{
    in.Skip(3);
    const uint8_t f1 = in.U8();
    const uint8_t f2 = in.U8();
    in.Skip(3);
    in.SkipString();
    scene.startFrame = in.I32();
    scene.value2 = in.U32();
    in.Skip(6 + 12);
    if (f2 & F2HasTrailingNumber) in.Skip(4);
    if (f1 & F1HasTrailingString) in.SkipString();
    return in.Ok();
}

std::unique_ptr<TScene> MakeScene(const QString& path, const SceneRead& read)
{
    auto scene = std::make_unique<TScene>();
    scene->Name = path;
    scene->StartFrame = read.startFrame;
    scene->Value2 = read.value2;
    return scene;
}

} // namespace

bool TSceneList::LoadScenes(const QString& path)
{
    if (path.isEmpty() || !QFile::exists(path)) return false;
    // QFile closes on destruction, which covers every return below. A plain
    // read-only open takes no lock, so another program may still write it.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    return LoadScenes(file, path);
}

bool TSceneList::LoadScenes(QIODevice& device, const QString& name)
{
    if (!device.isOpen() || !device.isReadable()) return false;
    SceneFileReader in(device);
    SceneRead first;
    uint16_t recordCount = 0;
    if (!ReadHeader(in, first, recordCount)) return false;

    Clear();
    Add(MakeScene(name, first));
    for (int i = 0; i < recordCount; ++i) {
        SceneRead scene;
        if (!ReadRecord(in, scene)) return false;
        Add(MakeScene(name, scene));
    }
    return true;
}
