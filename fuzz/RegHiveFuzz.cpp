// The hive reader on any file found where a hive is expected.
//
// Properties: what the reader takes in, written out, is read again whole
// (recognised, no line skipped) into the same tree, and written out again
// byte for byte the same. So a hand-edited hive, once saved, neither loses
// nor changes anything at the next start.

#include "fuzz/FuzzCheck.h"
#include "platform/RegHiveFile.h"

namespace
{

const QString Hive = QStringLiteral("HKEY_CURRENT_USER");

bool SameTree(const TRegKeyNode& a, const TRegKeyNode& b)
{
    if (a.Name() != b.Name() || a.Values().size() != b.Values().size()) return false;
    for (size_t i = 0; i < a.Values().size(); ++i) {
        const auto& va = a.Values()[i];
        const auto& vb = b.Values()[i];
        if (va.name != vb.name || !TRegKeyNode::SameValue(va.value, vb.value)) return false;
    }
    const auto ca = a.Children();
    const auto cb = b.Children();
    if (ca.size() != cb.size()) return false;
    for (size_t i = 0; i < ca.size(); ++i)
        if (!SameTree(*ca[i], *cb[i])) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const TRegHiveFile::TParsed first = TRegHiveFile::Parse(bytes, Hive);
    FUZZ_CHECK(first.root);
    FUZZ_CHECK(first.skippedLines >= 0);
    if (!first.recognised) FUZZ_CHECK(!first.root->HasValues() && !first.root->HasChildren());

    const QByteArray written = TRegHiveFile::Serialize(*first.root, Hive);
    const TRegHiveFile::TParsed second = TRegHiveFile::Parse(written, Hive);
    FUZZ_CHECK(second.recognised);
    FUZZ_CHECK(second.skippedLines == 0);
    FUZZ_CHECK(SameTree(*first.root, *second.root));
    FUZZ_CHECK(TRegHiveFile::Serialize(*second.root, Hive) == written);
    return 0;
}
