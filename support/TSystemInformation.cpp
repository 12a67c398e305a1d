#include "support/TSystemInformation.h"

#include "support/TMailTo.h"

QStringList& TSystemInformation::lines()
{
    static QStringList list;
    return list;
}

const QStringList& TSystemInformation::Lines()
{
    return lines();
}

void TSystemInformation::Clear()
{
    lines().clear();
}

void TSystemInformation::AddLine(const QString& line)
{
    lines().append(TMailTo::CrLf(line));
}

void TSystemInformation::Begin(
    const QString& systemText, const QString& directXVersion, const QString& runtimeVersion)
{
    Clear();
    AddLine(systemText + QStringLiteral(". "));
    QString version = QStringLiteral("DirectX version ") + directXVersion + QLatin1Char('.');
    if (!runtimeVersion.isEmpty())
        version += QStringLiteral(" GStreamer ") + runtimeVersion + QLatin1Char('.');
    AddLine(version);
    AddLine(QString());
    AddLine(QStringLiteral("Filtres:"));
}

QString TSystemInformation::Text()
{
    QString text;
    for (const QString& line : lines())
        text += line + QStringLiteral("\r\n");
    return text;
}
