#include "automation/TSwitch.h"

#include <QRegularExpression>
#include <cstdio>

namespace
{

// The argument as a shell would need it typed again.
QString shellQuoted(const QString& text)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:=+,%@-]+$"));
    if (plain.match(text).hasMatch()) return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

TSwitch::TSwitch(QObject* parent)
    : TCustomScript(parent)
{
    OnIgnoredArgument = [](const QString& argument) {
        std::fputs((IgnoredArgumentText(argument) + QLatin1Char('\n')).toUtf8().constData(), stderr);
        std::fflush(stderr);
    };
}

QString TSwitch::IgnoredArgumentText(const QString& argument)
{
    return QStringLiteral("Argument ignoré \"%1\": pour ouvrir ce fichier, écrire %2")
        .arg(argument, shellQuoted(QStringLiteral("+o=") + argument));
}

void TSwitch::Activate(QObject* sender)
{
    if (OnActivate) OnActivate(sender);
    if (m_processed) return;
    m_processed = true;
    ProcessCommandLine();
}

void TSwitch::ProcessCommandLine()
{
    ParseCommandLine();
    ReportProblems();
    struct TClear {
        TSuperList& list;
        ~TClear() { list.Clear(); }
    } clear { m_commands };
    if (m_commands.Count() > 0)
        Run();
    else if (OnNoCommandLine)
        OnNoCommandLine();
}

void TSwitch::ParseCommandLine()
{
    m_commands.Clear();
    for (const QString& argument : Arguments)
        ParseSwitch(argument);
}

void TSwitch::ParseSwitch(const QString& argument)
{
    const TCommandMode mode = argument.isEmpty() ? cmAsIs : CommandModeOfPrefix(argument.at(0));
    if (mode == cmAsIs) {
        // No prefix: the whole argument goes to the default command.
        if (DefaultAction)
            m_commands.Add(DefaultAction, argument, cmAsIs);
        else if (!argument.isEmpty() && OnIgnoredArgument)
            OnIgnoredArgument(argument);
        return;
    }

    // Only the first "=" separates: a path may hold more.
    const qsizetype equals = argument.indexOf(QLatin1Char('='), 1);
    const QString name = equals < 0 ? argument.mid(1) : argument.mid(1, equals - 1);
    const QString value = equals < 0 ? QString() : argument.mid(equals + 1);

    TCustomSuperAction* command = FindAction(name);
    if (!command) {
        if (name.isEmpty())
            Problem(QStringLiteral("Nom de commande manquant dans \"%1\"%2.").arg(argument, Origin()));
        else if (name.toLower() != QLatin1String("quit"))
            Problem(QStringLiteral("Commande inconnue \"%1\"%2.").arg(argument, Origin()));
        return;
    }
    m_commands.Add(command, value, mode);
}

QString TSwitch::Origin() const
{
    return QStringLiteral(" sur la ligne de commande");
}
