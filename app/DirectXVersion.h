#pragma once
// The media-framework version gate run before any window exists. The version
// is read from the registry layer, which answers for the GStreamer runtime.

#include <QString>

// Turns a registry version value such as "4.09.00.0904" into "9.0c";
// "Erreur" when the value is not four dot-separated numbers.
QString DirectXVersionFrom(const QString& registryValue);
// The integer before the first "." of a version text; 0 when there is none.
int DirectXMajorFrom(const QString& versionText);

QString DirectXVersion();
int DirectXMajor();

// The text of the warning shown when the major version is below 9.
QString DirectXWarningText(const QString& versionText);
