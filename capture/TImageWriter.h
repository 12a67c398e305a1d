#pragma once
// Writes grabs as JPEG or uncompressed 24-bit BMP files. The main window owns
// one and reuses it for every grab, so the intervallometer does not rebuild
// the encoder for each frame.
//
// A file is never left half written: the bytes go to a temporary file next to
// the target, which replaces the target only once it is complete and on disk.
// When anything fails, an existing file keeps its old contents.

#include <QString>
#include <memory>
#include <vector>

class QImage;
class TExifBlock;

class TImageWriter
{
public:
    TImageWriter();
    ~TImageWriter();
    TImageWriter(const TImageWriter&) = delete;
    TImageWriter& operator=(const TImageWriter&) = delete;

    // `quality` is clamped to 1 .. 100. On failure returns false and, when
    // `error` is given, puts the reason there (the system's or the encoder's).
    // With `exif`, its block goes into the file as an APP1 segment right
    // after the encoder's own header, in the same single write; the picture
    // data is the same bytes as without it. A block libexif cannot make is
    // a failure: the grab is not written without its date.
    bool WriteJpeg(const QImage& image, const QString& path, int quality, QString* error,
        const TExifBlock* exif = nullptr);
    bool WriteBmp(const QImage& image, const QString& path, QString* error);

    struct Jpeg; // libjpeg's state, known only to the implementation

private:
    std::unique_ptr<Jpeg> FJpeg;
    std::vector<unsigned char> FBytes; // encoded file, reused between grabs
};
