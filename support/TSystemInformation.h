#pragma once
// The description of the user's system that goes with every problem report:
// the operating system, the media runtime, then the state of the filters the
// application needs. Rebuilt by the check of the required filters, one line
// at a time; the error window and the "A propos" panel mail it.

#include <QString>
#include <QStringList>

class TSystemInformation
{
public:
    // Starts the text again with its opening lines: the operating system,
    // the version line, an empty line and "Filtres:". The version line reads
    // "DirectX version 9.0c." as the registry gives it, followed by the
    // GStreamer version that actually runs (what a report about a video that
    // does not open needs).
    static void Begin(
        const QString& systemText, const QString& directXVersion, const QString& runtimeVersion);
    // One more line; its own line breaks stay inside it.
    static void AddLine(const QString& line);
    static void Clear();
    // Every line followed by CR LF.
    static QString Text();
    static const QStringList& Lines();

private:
    static QStringList& lines();
};
