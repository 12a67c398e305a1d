#include "capture/ImageNaming.h"

#include <algorithm>

namespace
{

// Only the last component counts: a dot in a folder name must not cut the root.
QString BaseName(const QString& fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? fileName : fileName.mid(slash + 1);
}

} // namespace

QString FormatImageNumber(qint64 counter, int digits)
{
    if (digits <= 0) return QString();
    digits = std::min(digits, MaxImageDigits);
    const QString padded = QString(digits, QLatin1Char('0')) + QString::number(counter);
    return padded.right(digits);
}

qint64 NumberOfText(const QString& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? value : 0;
}

QString OpeningRootName(const QString& fileName, int nomFichierImage, const QString& defaultRacine,
    bool limiterLongueur, int racineLength)
{
    if (nomFichierImage != 1) return defaultRacine;
    const QString name = BaseName(fileName);
    qsizetype n = name.indexOf(QLatin1Char('.')); // 1-based position minus 1; -1 without a dot
    if (limiterLongueur && n > racineLength) n = racineLength;
    return n <= 0 ? QString() : name.left(n);
}

QString OptionRootName(bool fileLoaded, const QString& fileName, int nomFichierImage,
    const QString& defaultRacine, bool limiterLongueur, int racineLength)
{
    if (!fileLoaded) return QStringLiteral("Stillex");
    if (nomFichierImage != 1) return defaultRacine;
    QString root = BaseName(fileName);
    const qsizetype dot = root.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) root.truncate(dot);
    if (limiterLongueur) root.truncate(std::max(racineLength, 0));
    return root;
}

QString ImagePath(const QString& folder, const QString& root, const QString& suffix, int imageExtension)
{
    QString path = folder;
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    path += root;
    path += QLatin1Char('_');
    path += suffix;
    path += imageExtension == 1 ? QLatin1String(".jpg") : QLatin1String(".bmp");
    return path;
}

QString TimestampSuffix(const QString& timestamp)
{
    QString s = timestamp;
    s.replace(QLatin1Char(':'), QLatin1Char('.'));
    return s;
}

bool IsDigitsOnly(const QString& s)
{
    const QString t = s.trimmed();
    return !t.isEmpty() && std::all_of(t.begin(), t.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}
