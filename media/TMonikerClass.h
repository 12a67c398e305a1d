#pragma once
// One installed filter of a catalogue: the moniker that makes it, its
// friendly name, and which of the filters of that name it is.

#include <QString>
#include <cstdint>

struct TMonikerClass {
    QString Moniker;
    QString FriendlyName;
    int32_t Number = 1; // the n-th filter of this friendly name

    // "Foo Decoder" for the first of its name, "Foo Decoder#2" for the next.
    QString DisplayName() const
    {
        return Number <= 1 ? FriendlyName : FriendlyName + QLatin1Char('#') + QString::number(Number);
    }
};
