#pragma once
// The operating-system text of problem reports: the distribution's name as
// /etc/os-release gives it, then the kernel release.

#include <QString>

class TSystemVersion
{
public:
    // "Debian GNU/Linux 12 (bookworm) - Linux 6.1.0-18-amd64"; "Inconnu"
    // for the name when the release file gives none.
    static QString Text();
    // The same from a release file's text and a kernel name and release.
    static QString TextOf(const QString& osRelease, const QString& kernel, const QString& release);
    // The PRETTY_NAME of an os-release text, unquoted and unescaped; empty
    // when absent.
    static QString PrettyName(const QString& osRelease);
};
