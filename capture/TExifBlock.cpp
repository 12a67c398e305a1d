#include "capture/TExifBlock.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <libexif/exif-data.h>
#include <memory>

namespace
{

// Every entry is made with the data's own allocator and handed to the IFD,
// which keeps the one reference that remains.
ExifEntry* addEntry(ExifData* data, ExifIfd ifd, ExifTag tag, ExifFormat format, size_t components)
{
    ExifMem* mem = exif_mem_new_default();
    ExifEntry* entry = exif_entry_new_mem(mem);
    const size_t size = exif_format_get_size(format) * components;
    unsigned char* bytes = entry ? static_cast<unsigned char*>(exif_mem_alloc(mem, ExifLong(size))) : nullptr;
    exif_mem_unref(mem);
    if (!bytes) {
        if (entry) exif_entry_unref(entry);
        return nullptr;
    }
    entry->data = bytes;
    entry->size = static_cast<unsigned int>(size);
    entry->components = static_cast<unsigned long>(components);
    entry->format = format;
    entry->tag = tag;
    exif_content_add_entry(data->ifd[ifd], entry);
    exif_entry_unref(entry);
    return entry;
}

bool addText(ExifData* data, ExifIfd ifd, ExifTag tag, const QByteArray& text)
{
    // ASCII entries count their closing zero.
    ExifEntry* entry = addEntry(data, ifd, tag, EXIF_FORMAT_ASCII, size_t(text.size()) + 1);
    if (!entry) return false;
    std::memcpy(entry->data, text.constData(), size_t(text.size()) + 1);
    return true;
}

bool addLong(ExifData* data, ExifIfd ifd, ExifTag tag, uint32_t value)
{
    ExifEntry* entry = addEntry(data, ifd, tag, EXIF_FORMAT_LONG, 1);
    if (!entry) return false;
    exif_set_long(entry->data, exif_data_get_byte_order(data), value);
    return true;
}

struct TExifDataUnref {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

} // namespace

QByteArray TExifBlock::Make(int width, int height) const
{
    std::unique_ptr<ExifData, TExifDataUnref> data(exif_data_new());
    if (!data) return {};
    ExifData* d = data.get();
    // Nothing is added behind our back: libexif's fixing would put in
    // mandatory tags with made-up values, the date among them the current
    // time, which is exactly what a grab must not claim.
    exif_data_unset_option(d, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_data_type(d, EXIF_DATA_TYPE_COMPRESSED);
    exif_data_set_byte_order(d, EXIF_BYTE_ORDER_INTEL);

    bool ok = addText(d, EXIF_IFD_0, EXIF_TAG_SOFTWARE, SoftwareName);
    if (ExifEntry* version = addEntry(d, EXIF_IFD_EXIF, EXIF_TAG_EXIF_VERSION, EXIF_FORMAT_UNDEFINED, 4))
        std::memcpy(version->data, "0230", 4);
    else
        ok = false;
    ok = ok && addLong(d, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, uint32_t(std::max(width, 0)));
    ok = ok && addLong(d, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, uint32_t(std::max(height, 0)));
    if (Recorded.isValid()) {
        const QByteArray when = Recorded.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toLatin1();
        ok = ok && addText(d, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, when);
        ok = ok && addText(d, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_DIGITIZED, when);
        if (SubSecond >= 0 && SubSecond <= 99)
            ok = ok
                && addText(d, EXIF_IFD_EXIF, EXIF_TAG_SUB_SEC_TIME_ORIGINAL,
                    QByteArray::number(SubSecond).rightJustified(2, '0'));
    }
    if (!ok) return {};

    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(d, &bytes, &size);
    // A segment's length field counts itself: 65533 bytes of data at most.
    QByteArray block;
    if (bytes && size > 0 && size <= 65533)
        block = QByteArray(reinterpret_cast<const char*>(bytes), int(size));
    std::free(bytes);
    return block;
}
