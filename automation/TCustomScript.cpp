#include "automation/TCustomScript.h"

#include "automation/CommandContext.h"
#include "automation/TActionList.h"
#include "automation/TCustomSuperAction.h"
#include "automation/TtoggleAction.h"
#include "platform/TextFiles.h"
#include "platform/WindowMessages.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <vector>

namespace
{

// The runs in progress, outermost first.
std::vector<TCustomScript*> s_running;
// Script files running inside one another.
int s_fileDepth = 0;

void waitBriefly()
{
    // A command still at work is waiting for the streaming threads or a
    // timer: sleep in an event loop until something arrives, at most 10 ms.
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

// Marks the runner as running for the life of Run, whatever way Run leaves,
// and asks for the window to close at the end once "quit" was read.
class TCustomScript::TRunScope
{
public:
    explicit TRunScope(TCustomScript& script)
        : m_script(script)
    {
        ++script.m_runs;
        s_running.push_back(&script);
    }
    ~TRunScope()
    {
        for (auto it = s_running.end(); it != s_running.begin();) {
            --it;
            if (*it == &m_script) {
                s_running.erase(it);
                break;
            }
        }
        if (m_script.m_quitWhenDone && m_script.OnQuit) {
            try {
                const auto quit = m_script.OnQuit;
                quit();
            } catch (...) {
            }
        }
        --m_script.m_runs;
    }
    TRunScope(const TRunScope&) = delete;
    TRunScope& operator=(const TRunScope&) = delete;

private:
    TCustomScript& m_script;
};

TCustomScript::TCustomScript(QObject* parent)
    : QObject(parent)
    , ProcessMessages(&ProcessPendingMessages)
    , WaitMessages(&waitBriefly)
{
}

TCustomScript::~TCustomScript() = default;

TCustomScript* TCustomScript::Innermost()
{
    return s_running.empty() ? nullptr : s_running.back();
}

QString TCustomScript::TrimControls(const QString& text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

QString TCustomScript::ExtractArgument(const QString& remainder)
{
    // Only the space separates: a tab is part of the argument.
    const QString text = TrimControls(remainder);
    QString argument;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"')) {
            if (quoted) break;
            quoted = true;
            continue;
        }
        if (c == QLatin1Char(' ') && !quoted) break;
        argument += c;
    }
    return argument;
}

TCustomSuperAction* TCustomScript::FindAction(const QString& name)
{
    const QString key = name.toLower();
    if (key.isEmpty()) return DefaultAction;
    if (key == QLatin1String("quit")) {
        m_quitWhenDone = true;
        return nullptr;
    }
    return actionlist ? actionlist->FindBySwitchOrToken(key) : nullptr;
}

void TCustomScript::ParseLine(const QString& rawLine)
{
    const QString line = TrimControls(rawLine);
    if (line.isEmpty()) return;

    TCommandMode mode = CommandModeOfPrefix(line.at(0));
    const qsizetype start = mode == cmAsIs ? 0 : 1;
    qsizetype end = start;
    while (end < line.size() && line.at(end) != QLatin1Char('=') && line.at(end) != QLatin1Char(' '))
        ++end;
    const QString name = line.mid(start, end - start);
    const QString remainder = start == line.size() ? line : line.mid(end + 1);

    TCustomSuperAction* command = FindAction(name);
    if (!command) {
        if (name.isEmpty())
            Problem(QStringLiteral("Nom de commande manquant dans \"%1\"%2.").arg(line, Origin()));
        else if (name.toLower() != QLatin1String("quit"))
            Problem(QStringLiteral("Commande inconnue \"%1\"%2.").arg(name, Origin()));
        return;
    }

    const QString argument = ExtractArgument(remainder);
    if (mode == cmAsIs && qobject_cast<TtoggleAction*>(command)) {
        const QString value = argument.toLower();
        if (value == QLatin1String("false"))
            mode = cmOff;
        else if (value == QLatin1String("true"))
            mode = cmOn;
        else if (value == QLatin1String("toggle"))
            mode = cmToggle;
    }
    m_commands.Add(command, argument, mode);
}

QString TCustomScript::DecodeScript(const QByteArray& bytes)
{
    return DecodeTextFile(bytes);
}

QStringList TCustomScript::SplitLines(const QString& text)
{
    return SplitTextLines(text);
}

QString TCustomScript::Origin() const
{
    if (m_file.isEmpty()) return {};
    return QStringLiteral(" (ligne %1 du script \"%2\")").arg(m_lineNumber).arg(m_file);
}

void TCustomScript::Problem(const QString& message)
{
    m_problems << message;
}

void TCustomScript::ReportProblems()
{
    const QStringList messages = std::exchange(m_problems, {});
    if (!messages.isEmpty() && OnProblems) OnProblems(messages);
}

bool TCustomScript::LoadFromFile(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir()) {
        Problem(QStringLiteral("Le script \"%1\" est introuvable.").arg(path));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Problem(QStringLiteral("Impossible de lire le script \"%1\": %2").arg(path, file.errorString()));
        return false;
    }
    const QString text = DecodeScript(file.readAll());
    m_commands.Clear();
    m_file = path;
    const QStringList lines = SplitLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        m_lineNumber = int(i + 1);
        ParseLine(lines.at(i));
    }
    m_file.clear();
    m_lineNumber = 0;
    return true;
}

void TCustomScript::Run()
{
    CommandRunning = false;
    m_aborted = false;
    if (m_commands.Count() == 0) return;

    TRunScope running(*this);
    m_current = -1;
    // The index is re-read at every turn: "next" moves it back, and a script
    // run by an entry of this runner replaces the entries and leaves it past
    // their end.
    while (m_current < m_commands.Count() - 1) {
        ++m_current;
        if (m_aborted) break;
        CommandProceed = true;
        // Copied: the messages processed below may replace the entries.
        const TActionEx entry = m_commands.At(m_current);
        if (ProcessMessages) ProcessMessages();
        TCustomSuperAction* command = entry.Action;
        if (!command || !command->Enabled()) continue;

        // Exactly one argument, empty when the line gave none.
        CommandArguments = QStringList { entry.Argument };
        // A two-state command runs the handler that leads away from the
        // state set here: cmOn the one that switches it on.
        switch (entry.Mode) {
        case cmOn:
            command->SetChecked(false);
            break;
        case cmOff:
            command->SetChecked(true);
            break;
        case cmToggle:
            command->SetChecked(command->Checked());
            break;
        case cmAsIs:
            break;
        }
        const QPointer<TCustomSuperAction> alive(command);
        command->RunHandler(this);
        if (alive && alive->AutoCheck()) alive->SetChecked(!alive->Checked());

        for (;;) {
            if (ProcessMessages) ProcessMessages();
            if (m_aborted) return;
            if (!CommandRunning) break;
            if (WaitMessages) WaitMessages();
        }
    }
}

void TCustomScript::RunFile(const QString& path)
{
    if (s_fileDepth >= MaxNesting) {
        Problem(QStringLiteral(
            "Trop de scripts imbriqués: le script \"%1\" n'est pas lancé (%2 niveaux au plus).")
                    .arg(path)
                    .arg(MaxNesting));
        ReportProblems();
        Abort();
        return;
    }
    const bool loaded = LoadFromFile(path);
    ReportProblems();
    if (!loaded) return;

    struct TDepth {
        TCustomScript& script;
        explicit TDepth(TCustomScript& s)
            : script(s)
        {
            ++s_fileDepth;
        }
        ~TDepth()
        {
            --s_fileDepth;
            script.m_commands.Clear();
        }
        TDepth(const TDepth&) = delete;
        TDepth& operator=(const TDepth&) = delete;
    } depth(*this);
    Run();
}
