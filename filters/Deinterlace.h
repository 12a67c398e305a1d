#pragma once
// Repair of the combing a grabbed frame shows when it mixes the two fields of
// an interlaced picture: a pixel of an odd row that stands out from both rows
// around it on the same side, next to another such pixel, is replaced by the
// average of the rows above and below. Everything else is copied untouched,
// so still parts of the picture keep their full vertical detail.

#include <QImage>
#include <cstdint>
#include <vector>

class TDeinterlacer
{
public:
    // result becomes a deinterlaced copy of source (which is not changed;
    // both may be the same image). Pictures that are not RGB32 or ARGB32
    // or are under 3 rows high come back as the source itself. result shares
    // the source's pixels until a row needs mending, and is then copied once.
    void Deinterlace(const QImage& source, QImage& result);

private:
    void Resize(int width, int height);

    int m_width = 0;
    int m_height = 0;
    // One byte per pixel, 0 or 1; only the odd rows that have a row below
    // are written. Kept between calls so that successive grabs of the same
    // size allocate nothing.
    std::vector<uint8_t> Mask1; // comb detected
    std::vector<uint8_t> Mask2; // comb with a combed horizontal neighbour
};

// The process-wide deinterlacer the grab pipeline uses (main thread only).
TDeinterlacer& Deinterlacer();

void Deinterlace(const QImage& source, QImage& result);
