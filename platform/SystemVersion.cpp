#include "platform/SystemVersion.h"

#include <QFile>
#include <QStringList>
#include <sys/utsname.h>

QString TSystemVersion::PrettyName(const QString& osRelease)
{
    // Shell-style assignments: the value may be in single or double quotes,
    // and inside double quotes a backslash escapes the next character.
    for (const QString& raw : osRelease.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (!line.startsWith(QLatin1String("PRETTY_NAME="))) continue;
        const QString value = line.mid(12);
        if (value.isEmpty()) return {};
        const QChar quote = value.front();
        if (quote != QLatin1Char('"') && quote != QLatin1Char('\'')) return value;
        QString out;
        for (qsizetype i = 1; i < value.size(); ++i) {
            const QChar c = value.at(i);
            if (c == quote) break;
            if (quote == QLatin1Char('"') && c == QLatin1Char('\\') && i + 1 < value.size()) {
                out += value.at(++i);
                continue;
            }
            out += c;
        }
        return out.trimmed();
    }
    return {};
}

QString TSystemVersion::TextOf(const QString& osRelease, const QString& kernel, const QString& release)
{
    QString name = PrettyName(osRelease);
    if (name.isEmpty()) name = QStringLiteral("Inconnu");
    const QString kernelText = QStringList { kernel, release }.join(QLatin1Char(' ')).trimmed();
    return kernelText.isEmpty() ? name : name + QStringLiteral(" - ") + kernelText;
}

QString TSystemVersion::Text()
{
    QString osRelease;
    // The vendor's copy when the administrator's is missing, as systemd reads it.
    for (const char* path : { "/etc/os-release", "/usr/lib/os-release" }) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) {
            osRelease = QString::fromUtf8(file.read(64 * 1024));
            break;
        }
    }
    struct utsname names {
    };
    QString kernel, release;
    if (uname(&names) == 0) {
        kernel = QString::fromUtf8(names.sysname);
        release = QString::fromUtf8(names.release);
    }
    return TextOf(osRelease, kernel, release);
}
