#include "capture/TImageWriter.h"

#include "capture/TExifBlock.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

// libjpeg reports fatal errors through error_exit, which must not return. We
// longjmp back to a setjmp taken in Compress/Create below: those functions
// hold only trivially destructible locals, and the frames jumped over are the
// library's own C frames and our C-style callbacks, so no C++ destructor is
// skipped. Throwing instead would unwind through C code built without
// exception tables. The default handler's exit() is never reached.
struct TImageWriter::Jpeg {
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr err {};
    jpeg_destination_mgr dest {};
    std::jmp_buf jump {};
    char message[JMSG_LENGTH_MAX] {};
    std::vector<unsigned char>* out = nullptr;
    size_t used = 0;
    bool created = false;
};

namespace
{

TImageWriter::Jpeg* Owner(j_common_ptr c)
{
    return static_cast<TImageWriter::Jpeg*>(c->client_data);
}

void ErrorExit(j_common_ptr c)
{
    TImageWriter::Jpeg* j = Owner(c);
    (*c->err->format_message)(c, j->message);
    std::longjmp(j->jump, 1);
}

// Warnings would go to stderr; a grab has nobody to read them.
void OutputMessage(j_common_ptr) { }

constexpr size_t FirstBufferSize = 256 * 1024;

void InitDestination(j_compress_ptr c)
{
    TImageWriter::Jpeg* j = Owner(reinterpret_cast<j_common_ptr>(c));
    bool failed = false;
    try {
        if (j->out->size() < FirstBufferSize) j->out->resize(FirstBufferSize);
    } catch (...) {
        failed = true;
    }
    if (failed) // outside the handler: longjmp must not leave a live exception behind
        ERREXIT1(c, JERR_OUT_OF_MEMORY, 1);
    c->dest->next_output_byte = j->out->data();
    c->dest->free_in_buffer = j->out->size();
    j->used = 0;
}

boolean EmptyOutputBuffer(j_compress_ptr c)
{
    TImageWriter::Jpeg* j = Owner(reinterpret_cast<j_common_ptr>(c));
    const size_t full = j->out->size();
    bool failed = false;
    try {
        j->out->resize(full * 2);
    } catch (...) {
        failed = true;
    }
    if (failed) ERREXIT1(c, JERR_OUT_OF_MEMORY, 2);
    c->dest->next_output_byte = j->out->data() + full;
    c->dest->free_in_buffer = j->out->size() - full;
    return TRUE;
}

void TermDestination(j_compress_ptr c)
{
    TImageWriter::Jpeg* j = Owner(reinterpret_cast<j_common_ptr>(c));
    j->used = j->out->size() - c->dest->free_in_buffer;
}

bool Create(TImageWriter::Jpeg& j)
{
    if (setjmp(j.jump)) return false;
    jpeg_create_compress(&j.cinfo);
    return true;
}

// Encodes rows of `components` bytes per pixel in `space` into j.out; false
// with j.message when the library gave up.
bool Compress(TImageWriter::Jpeg& j, const unsigned char* bits, qsizetype bytesPerLine, int width, int height,
    int components, J_COLOR_SPACE space, int quality, const QByteArray& app1)
{
    jpeg_compress_struct* c = &j.cinfo;
    if (setjmp(j.jump)) {
        jpeg_abort_compress(c); // back to a reusable state
        return false;
    }
    c->image_width = static_cast<JDIMENSION>(width);
    c->image_height = static_cast<JDIMENSION>(height);
    c->input_components = components;
    c->in_color_space = space;
    jpeg_set_defaults(c);
    jpeg_set_quality(c, quality, TRUE);
    jpeg_start_compress(c, TRUE);
    if (!app1.isEmpty())
        jpeg_write_marker(c, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(app1.constData()),
            static_cast<unsigned int>(app1.size()));
    while (c->next_scanline < c->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(bits + static_cast<qsizetype>(c->next_scanline) * bytesPerLine);
        jpeg_write_scanlines(c, &row, 1);
    }
    jpeg_finish_compress(c);
    return true;
}

bool Fail(QString* error, const QString& text)
{
    if (error) *error = text;
    return false;
}

// The process's file-creation mask, read where the kernel shows it: setting
// it to read it would change it for the other threads meanwhile.
mode_t currentUmask()
{
    static const mode_t mask = [] {
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly))
            while (!status.atEnd()) {
                const QByteArray line = status.readLine();
                if (line.startsWith("Umask:")) return mode_t(line.mid(6).trimmed().toUInt(nullptr, 8));
            }
        return mode_t(022);
    }();
    return mask;
}

bool WriteAll(int fd, const unsigned char* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

QString Reason(const QString& path, int code)
{
    return path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(code));
}

// Writes a file that does not exist yet, so that its name never shows half a
// picture: the bytes go to a file without a name in the target's folder, which
// gets the name once complete and only if nobody took it meanwhile. Nothing is
// left behind on a failure, even when the folder is moved during the write.
// File systems without nameless files get a hidden temporary file renamed
// without replacing. There is no old copy to protect, so the bytes are not
// forced to the disk first: a sync per image costs more than its encoding, and
// a run writes thousands. False with `taken` when `path` exists after all (the
// caller then replaces it the careful way), false with `error` on a failure.
bool SaveNewFile(const QString& path, const unsigned char* data, size_t size, bool& taken, QString* error)
{
    taken = false;
    const QFileInfo target(path);
    const QByteArray name = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    const mode_t mode = 0666 & ~currentUmask();

    const int nameless = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (nameless >= 0) {
        int failure = WriteAll(nameless, data, size) ? 0 : errno;
        if (failure == 0) {
            const QByteArray handle = "/proc/self/fd/" + QByteArray::number(nameless);
            if (::linkat(AT_FDCWD, handle.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) != 0)
                failure = errno;
        }
        if (::close(nameless) != 0 && failure == 0) failure = errno;
        if (failure == 0) return true;
        taken = failure == EEXIST;
        return taken ? false : Fail(error, Reason(path, failure));
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return Fail(error, Reason(path, errno));

    QByteArray temporary = QFile::encodeName(
        target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return Fail(error, Reason(path, errno));
    ::fchmod(fd, mode);
    int failure = WriteAll(fd, data, size) ? 0 : errno;
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0
        && ::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, name.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (failure == 0) {
        failure = errno;
        // The name was taken meanwhile, or the file system cannot refuse to
        // replace: the careful way decides.
        taken = failure == EEXIST || failure == EINVAL || failure == ENOSYS;
    }
    ::unlink(temporary.constData());
    return taken ? false : Fail(error, Reason(path, failure));
}

// Replaces `path` with `size` bytes only once they are all written and synced:
// until then the old file keeps its contents.
bool ReplaceFile(const QString& path, const unsigned char* data, size_t size, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Fail(error, path + QStringLiteral(": ") + file.errorString());
    if (file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size))
        != static_cast<qint64>(size)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Fail(error, path + QStringLiteral(": ") + reason);
    }
    // The bytes still in the buffer are written out and checked here: a
    // commit that meets a full disk while flushing renames the cut file over
    // the old one all the same.
    if (!file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Fail(error, path + QStringLiteral(": ") + reason);
    }
    if (!file.commit()) return Fail(error, path + QStringLiteral(": ") + file.errorString());
    return true;
}

bool SaveBytes(const QString& path, const unsigned char* data, size_t size, QString* error)
{
    if (!QFileInfo::exists(path)) {
        bool taken = false;
        if (SaveNewFile(path, data, size, taken, error)) return true;
        if (!taken) return false;
    }
    return ReplaceFile(path, data, size, error);
}

void Put16(unsigned char*& p, quint32 v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p += 2;
}

void Put32(unsigned char*& p, quint32 v)
{
    Put16(p, v & 0xFFFF);
    Put16(p, v >> 16);
}

} // namespace

TImageWriter::TImageWriter()
    : FJpeg(std::make_unique<Jpeg>())
{
    Jpeg& j = *FJpeg;
    j.cinfo.err = jpeg_std_error(&j.err);
    j.err.error_exit = ErrorExit;
    j.err.output_message = OutputMessage;
    j.cinfo.client_data = &j;
    j.created = Create(j);
    if (j.created) {
        // jpeg_create_compress clears the struct except err; set these afterwards.
        j.cinfo.client_data = &j;
        j.dest.init_destination = InitDestination;
        j.dest.empty_output_buffer = EmptyOutputBuffer;
        j.dest.term_destination = TermDestination;
        j.cinfo.dest = &j.dest;
        j.out = &FBytes;
    }
}

TImageWriter::~TImageWriter()
{
    if (FJpeg->created) jpeg_destroy_compress(&FJpeg->cinfo);
}

bool TImageWriter::WriteJpeg(
    const QImage& image, const QString& path, int quality, QString* error, const TExifBlock* exif)
{
    if (!FJpeg->created) return Fail(error, QString::fromLatin1(FJpeg->message));
    if (image.isNull()) return Fail(error, QStringLiteral("%1: empty image").arg(path));
    // The frames are 32-bit: the encoder reads them as they are, the padding
    // byte skipped, rather than through a 24-bit copy.
    const QImage::Format format = image.format();
    const bool packed = format == QImage::Format_RGB888;
    const QImage rows = packed || format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        ? image
        : image.convertToFormat(QImage::Format_RGB32);
    if (rows.isNull()) return Fail(error, QStringLiteral("%1: out of memory").arg(path));
    // Made before the encoder runs: nothing that allocates may sit between
    // its setjmp and a longjmp.
    const QByteArray app1 = exif ? exif->Make(rows.width(), rows.height()) : QByteArray();
    if (exif && app1.isEmpty())
        return Fail(error, QStringLiteral("%1: EXIF block could not be made").arg(path));
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    const J_COLOR_SPACE wide = JCS_EXT_BGRX;
#else
    const J_COLOR_SPACE wide = JCS_EXT_XRGB;
#endif
    if (!Compress(*FJpeg, rows.constBits(), rows.bytesPerLine(), rows.width(), rows.height(), packed ? 3 : 4,
            packed ? JCS_RGB : wide, std::clamp(quality, 1, 100), app1))
        return Fail(error, path + QStringLiteral(": ") + QString::fromLatin1(FJpeg->message));
    return SaveBytes(path, FBytes.data(), FJpeg->used, error);
}

bool TImageWriter::WriteBmp(const QImage& image, const QString& path, QString* error)
{
    if (image.isNull()) return Fail(error, QStringLiteral("%1: empty image").arg(path));
    constexpr quint32 HeaderSize = 14 + 40;
    const qint64 width = image.width();
    const qint64 height = image.height();
    const qint64 rowSize = (width * 3 + 3) & ~qint64(3);
    if (rowSize * height > std::numeric_limits<quint32>::max() - HeaderSize)
        return Fail(error, QStringLiteral("%1: image too large for BMP").arg(path));
    const auto pixelBytes = static_cast<quint32>(rowSize * height);

    // BGR888 rows are already in the file's byte order.
    const QImage bgr
        = image.format() == QImage::Format_BGR888 ? image : image.convertToFormat(QImage::Format_BGR888);
    if (bgr.isNull()) return Fail(error, QStringLiteral("%1: out of memory").arg(path));

    try {
        FBytes.resize(HeaderSize + pixelBytes);
    } catch (const std::bad_alloc&) {
        return Fail(error, QStringLiteral("%1: out of memory").arg(path));
    }
    unsigned char* p = FBytes.data();
    // BITMAPFILEHEADER
    *p++ = 'B';
    *p++ = 'M';
    Put32(p, HeaderSize + pixelBytes);
    Put32(p, 0); // two reserved words
    Put32(p, HeaderSize);
    // BITMAPINFOHEADER; a positive height means bottom-up rows
    Put32(p, 40);
    Put32(p, static_cast<quint32>(width));
    Put32(p, static_cast<quint32>(height));
    Put16(p, 1); // planes
    Put16(p, 24); // bits per pixel
    Put32(p, 0); // BI_RGB, uncompressed
    Put32(p, pixelBytes);
    Put32(p, 0); // horizontal resolution, unspecified
    Put32(p, 0); // vertical resolution
    Put32(p, 0); // colours used
    Put32(p, 0); // important colours

    const auto used = static_cast<size_t>(width * 3);
    const auto padding = static_cast<size_t>(rowSize) - used;
    for (int y = static_cast<int>(height) - 1; y >= 0; --y) {
        std::memcpy(p, bgr.constScanLine(y), used);
        std::memset(p + used, 0, padding);
        p += rowSize;
    }
    return SaveBytes(path, FBytes.data(), FBytes.size(), error);
}
