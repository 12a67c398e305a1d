#pragma once
// The EXIF block of a saved JPEG: when the picture was recorded, which
// program wrote it and its size, so that photo libraries sort grabs by the
// day they were filmed rather than the day they were grabbed. Made with
// libexif into the bytes of an APP1 segment.

#include <QByteArray>
#include <QDateTime>

class TExifBlock
{
public:
    static constexpr const char* SoftwareName = "Stillex 5.0.6";

    // The recording date and time of the picture, as the camera's clock
    // gave it (no zone: EXIF dates are local). Invalid: no date tag at all,
    // never the time of the grab.
    QDateTime Recorded;
    // Hundredths of a second within Recorded's second; -1 when unknown.
    int SubSecond = -1;

    // The APP1 payload ("Exif\0\0", then the TIFF structure) for a picture
    // of width x height; empty when libexif could not make it or it would
    // not fit in one segment.
    QByteArray Make(int width, int height) const;
};
