// Scripts and the command line in the main window: the two runners, the
// "script" command, and the first activation that runs the command line.

#include "app/TOptionsFrame.h"
#include "app/TShowForm.h"
#include "automation/CommandContext.h"
#include "automation/TActionList.h"
#include "automation/TScript.h"
#include "automation/TSuperAction.h"
#include "automation/TSwitch.h"
#include "prefs/PreferenceStores.h"
#include "support/TLinkMarkup.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <memory>

void TShowForm::bindScriptCommands()
{
    Script1 = new TScript(this);
    Switch1 = new TSwitch(this);
    for (TCustomScript* runner :
        { static_cast<TCustomScript*>(Script1), static_cast<TCustomScript*>(Switch1) }) {
        runner->actionlist = m_al;
        runner->OnQuit = [this] { close(); };
        runner->OnProblems = [this](const QStringList& messages) { reportScriptProblems(messages); };
    }
    Switch1->OnActivate = [this](QObject*) { refreshPasteCommand(); };

    OnStopScripts = [this] {
        Script1->Abort();
        Switch1->Abort();
    };
    // "open" keeps the line of the innermost run, so a script started from
    // the command line loops over its own lines; "next" puts it back in the
    // run that opened the pattern, while that run goes on, whichever run
    // executes the "next".
    auto patternRunner = std::make_shared<QPointer<TCustomScript>>();
    ExecutingRunnerLine = [this, patternRunner]() -> int* {
        TCustomScript* runner = TCustomScript::Innermost();
        if (!runner) return nullptr;
        const int line = *runner->CurrentLine();
        const bool next = line >= 0 && line < runner->Commands().Count()
            && runner->Commands().At(line).Action == Action("saBouclerScript");
        if (!next) {
            *patternRunner = runner;
            return runner->CurrentLine();
        }
        TCustomScript* opener = *patternRunner;
        return opener && opener->Executing() ? opener->CurrentLine() : nullptr;
    };

    if (auto* a = PlainCommand("saScript")) {
        a->Onprepare = [this](QObject* s) { saScriptPrepare(s); };
        a->Onexecute = [this](QObject*) { Script1->RunFile(CommandArguments.value(0)); };
    }

    // "save_prefs" from a script or the command line: the store it names
    // becomes the radio group's choice. From a key or the toolbar it has no
    // argument and does nothing.
    if (auto* a = PlainCommand("saPreferences")) {
        a->Onexecute = [this](QObject*) {
            if (CommandArguments.isEmpty()) return;
            const std::optional<TStoreMode> mode = StoreModeOfArgument(CommandArguments.value(0));
            if (!mode) return;
            StoreMode = *mode;
            OptionsFrame()->SetPrefsIndex(*mode);
        };
    }

    // The command line waits for the window's start-up work: the first
    // activation that comes once the window has been shown.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) scheduleActivation();
    });
    connect(this, &TShowForm::shownOnce, this, [this] {
        if (QGuiApplication::applicationState() == Qt::ApplicationActive) {
            scheduleActivation();
            return;
        }
        // Not every X display activates a new window: with no window manager,
        // or one that keeps the focus where it was, the activation comes only
        // with the user's first click, and `stillex +o=FILE` would show an
        // empty window until then. Shortly after the first show the window
        // counts as activated once; the command line still runs only once.
        QTimer::singleShot(500, this, [this] {
            if (QGuiApplication::applicationState() != Qt::ApplicationActive) scheduleActivation();
        });
    });
}

void TShowForm::scheduleActivation()
{
    if (!Shown() || m_activationPending) return;
    m_activationPending = true;
    // From the event loop, not from inside the platform's activation
    // notice: the run processes events for as long as it lasts.
    QTimer::singleShot(0, this, [this] {
        m_activationPending = false;
        Switch1->Activate(qGuiApp);
    });
}

void TShowForm::saScriptPrepare(QObject*)
{
    CommandProceed = false;
    QString path;
    if (OnChooseScript)
        path = OnChooseScript();
    else
        path = QFileDialog::getOpenFileName(
            this, QStringLiteral("Lancer script"), QString(), QStringLiteral("*.txt (*.txt)"));
    if (path.isEmpty()) return;
    CommandArguments = QStringList { path };
    CommandProceed = true;
}

void TShowForm::reportScriptProblems(const QStringList& messages)
{
    QStringList escaped;
    for (const QString& message : messages)
        escaped << TLinkMarkup::Escape(message);
    reportError(escaped.join(QLatin1Char('\n')));
}
