#include "media/SourcePaths.h"

namespace
{
qsizetype extensionStart(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > path.lastIndexOf(QLatin1Char('/')) ? dot : -1;
}
} // namespace

QString ExtensionOf(const QString& path)
{
    const qsizetype dot = extensionStart(path);
    return dot < 0 ? QString() : path.mid(dot).toLower();
}

QString FileNamePart(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString ChangeExtension(const QString& path, const QString& extension)
{
    const qsizetype dot = extensionStart(path);
    return (dot < 0 ? path : path.left(dot)) + extension;
}
