#pragma once
// What the fuzz targets share: a failed property stops the run like a crash,
// so libFuzzer keeps the input that broke it and prints how to replay it.

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);            \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

// The same, printing what helps to understand the failure first.
#define FUZZ_CHECK_SAYING(condition, text)                                                                   \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s\n", QString(text).toLocal8Bit().constData());                           \
            FUZZ_CHECK(condition);                                                                           \
        }                                                                                                    \
    } while (false)

// Text the way the program receives it from a file or a line edit: bytes read
// as UTF-8, with every invalid sequence replaced.
inline QString FuzzText(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}
