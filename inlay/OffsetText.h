#pragma once

#include <QString>

// The text of a time offset in days, as the offset label shows it: whole
// hours alone as "3 heures", anything else in full as
// "1 jours 02h 00m 00s". Rounded to the second, halves to even.
QString OffsetText(double days);
