#include "app/DirectXVersion.h"

#include "graph/MediaRuntime.h"
#include "platform/PlatformValues.h"
#include "platform/Registry.h"
#include "support/Product.h"

#include <QRegularExpression>

QString DirectXVersionFrom(const QString& value)
{
    static const QRegularExpression form(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"));
    if (!form.match(value).hasMatch()) return QStringLiteral("Erreur");

    const QStringList parts = value.split(QLatin1Char('.'));
    bool okMajor = false, okMinor = false;
    const int major = parts[1].toInt(&okMajor);
    const int minor = parts[2].toInt(&okMinor);
    if (!okMajor || !okMinor) return QStringLiteral("Erreur");

    // The revision letter comes from the last digit: 1 -> a, 2 -> b, 3 -> c,
    // and 4 is also reported as c; 0 gives a blank.
    const ushort last = value.back().unicode();
    QChar letter;
    if (last == u'4')
        letter = QLatin1Char('c');
    else if (last + 48 < u'a')
        letter = QLatin1Char(' ');
    else
        letter = QChar(ushort(last + 48));
    return QString::number(major) + QLatin1Char('.') + QString::number(minor) + letter;
}

int DirectXMajorFrom(const QString& text)
{
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    if (dot < 0) return 0;
    bool ok = false;
    const int major = text.left(dot).toInt(&ok);
    return ok ? major : 0;
}

QString DirectXVersion()
{
    // The machine's media runtime stands in for DirectX.
    TPlatformValues::SetMediaRuntimeProbe(&MediaRuntimeUsable);
    TRegistry reg(RegHive::LocalMachine);
    if (!reg.OpenKeyReadOnly(QStringLiteral("\\Software\\Microsoft\\DirectX")))
        return QStringLiteral("Erreur");
    const auto value = reg.ReadString(QStringLiteral("Version"));
    if (!value) return QStringLiteral("Erreur");
    return DirectXVersionFrom(*value);
}

int DirectXMajor()
{
    return DirectXMajorFrom(DirectXVersion());
}

QString DirectXWarningText(const QString& versionText)
{
    return QStringLiteral("Vous avez DirectX ") + versionText + QStringLiteral(".\r\n")
        + QStringLiteral("Il faut avoir au moins directX 9 pour faire tourner correctement %1 version %2 %3.")
              .arg(Product::Name, Product::Version, Product::Language)
        + QStringLiteral("\r\n")
        + QStringLiteral("Voulez-vous continuer quand même? Si oui, l'application risque de ne pas bien "
                         "fonctionner.");
}
