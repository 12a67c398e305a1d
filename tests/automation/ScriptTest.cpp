// The script runner and the command-line runner without a window: how lines
// and switches read, how script files decode, and how a run executes its
// entries.

#include "automation/CommandCatalog.h"
#include "automation/CommandContext.h"
#include "automation/TActionList.h"
#include "automation/TScript.h"
#include "automation/TSuperAction.h"
#include "automation/TSwitch.h"
#include "automation/TtoggleAction.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace
{

// The real catalog, for the names.
class ScriptGrammar : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CreateCommandCatalog(list);
        script.actionlist = &list;
        script.OnProblems = [this](const QStringList& messages) { problems << messages; };
    }
    // The one entry a line makes, as "name|argument|mode"; "" for none.
    QString entryOf(const QString& line)
    {
        script.ClearCommands();
        script.ParseLine(line);
        if (script.Commands().Count() == 0) return {};
        EXPECT_EQ(script.Commands().Count(), 1);
        const TActionEx& e = script.Commands().At(0);
        return QStringLiteral("%1|%2|%3").arg(e.Action->objectName(), e.Argument).arg(int(e.Mode));
    }
    QString problemsOfParse(const QString& line)
    {
        problems.clear();
        script.ParseLine(line);
        script.ReportProblems();
        return problems.join(QLatin1Char('\n'));
    }

    TActionList list;
    TScript script;
    QStringList problems;
};

// Commands of our own that say what they were given.
class ScriptRun : public ::testing::Test
{
protected:
    TSuperAction* plain(const char* token)
    {
        auto* a = list.Add(new TSuperAction);
        a->setObjectName(QLatin1String(token));
        a->SetToken(QLatin1String(token));
        a->Onexecute = [this, token](QObject* sender) {
            EXPECT_EQ(sender, TCustomScript::Innermost());
            log << QStringLiteral("%1(%2)").arg(
                QLatin1String(token), CommandArguments.join(QLatin1Char(',')));
            EXPECT_EQ(CommandArguments.size(), 1);
        };
        return a;
    }
    TtoggleAction* toggle(const char* token, bool autoCheck)
    {
        auto* a = list.Add(new TtoggleAction);
        a->setObjectName(QLatin1String(token));
        a->SetToken(QLatin1String(token));
        a->SetAutoCheck(autoCheck);
        a->OnfalseExecute = [this, token, a, autoCheck](QObject*) {
            log << QStringLiteral("%1:on").arg(QLatin1String(token));
            if (!autoCheck) a->SetChecked(true);
        };
        a->OnTrueExecute = [this, token, a, autoCheck](QObject*) {
            log << QStringLiteral("%1:off").arg(QLatin1String(token));
            if (!autoCheck) a->SetChecked(false);
        };
        return a;
    }
    void load(TCustomScript& r, const QStringList& lines)
    {
        r.actionlist = &list;
        r.ProcessMessages = [this] {
            ++passes;
            if (onPass) onPass();
        };
        r.WaitMessages = nullptr;
        r.OnQuit = [this] { ++quits; };
        r.ClearCommands();
        for (const QString& line : lines)
            r.ParseLine(line);
    }
    QString writeFile(const QString& name, const QString& text)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
        return path;
    }

    TActionList list;
    QStringList log;
    int passes = 0;
    int quits = 0;
    std::function<void()> onPass;
    QTemporaryDir dir;
};

} // namespace

TEST_F(ScriptGrammar, NamesPrefixesSeparatorsAndArguments)
{
    // Token or switch, any case, "=" or a space before the argument.
    EXPECT_EQ(entryOf("grab"), "saGrab||3");
    EXPECT_EQ(entryOf("G"), "saGrab||3");
    EXPECT_EQ(entryOf("position=0:01:30:00"), "saPosition|0:01:30:00|3");
    EXPECT_EQ(entryOf("wait 2000"), "saWait|2000|3");
    EXPECT_EQ(entryOf("  \t wait=2000 \t\r"), "saWait|2000|3");
    // A space ends the argument unless it is quoted; a quote is not kept.
    EXPECT_EQ(entryOf("wait=500 more words"), "saWait|500|3");
    EXPECT_EQ(entryOf("open /v/a.avi extra"), "saOpenFile|/v/a.avi|3");
    EXPECT_EQ(entryOf("open=\"/v/my clip.avi\" extra"), "saOpenFile|/v/my clip.avi|3");
    EXPECT_EQ(entryOf("open=/v/\"my clip\".avi"), "saOpenFile|/v/my clip|3");
    EXPECT_EQ(entryOf("rootname=\"unterminated text"), "saRacine|unterminated text|3");
    EXPECT_EQ(entryOf("open=a=b.avi"), "saOpenFile|a=b.avi|3");
    // A tab is no separator.
    EXPECT_EQ(entryOf("open=/v/a\tb.avi"), "saOpenFile|/v/a\tb.avi|3");
    EXPECT_EQ(entryOf("wait\t500"), "");
    // "next" is written next or ++; "+" alone is nothing.
    EXPECT_EQ(entryOf("next"), "saBouclerScript||3");
    EXPECT_EQ(entryOf("++"), "saBouclerScript||0");
    EXPECT_EQ(entryOf("+"), "");
    EXPECT_EQ(entryOf("-"), "");
    EXPECT_EQ(entryOf("=5"), "");
    EXPECT_EQ(entryOf("   "), "");
}

TEST_F(ScriptGrammar, TwoStateValuesAndModes)
{
    // The value of a two-state command without prefix gives its mode.
    EXPECT_EQ(entryOf("MUTE=False"), "taMute|False|1");
    EXPECT_EQ(entryOf("mute=false"), "taMute|false|1");
    EXPECT_EQ(entryOf("mute true"), "taMute|true|0");
    EXPECT_EQ(entryOf("inlay=toggle"), "taIncruster|toggle|2");
    EXPECT_EQ(entryOf("mute=yes"), "taMute|yes|3");
    EXPECT_EQ(entryOf("-m"), "taMute||1");
    EXPECT_EQ(entryOf("/full_screen"), "tafullscreen||2");
    // A prefix wins over the value; a plain command keeps its mode.
    EXPECT_EQ(entryOf("+mute=false"), "taMute|false|0");
    EXPECT_EQ(entryOf("grab=false"), "saGrab|false|3");
}

TEST_F(ScriptGrammar, QuitIsNoCommandButQIs)
{
    EXPECT_FALSE(script.QuitWhenDone());
    EXPECT_EQ(entryOf("QUIT"), "");
    EXPECT_TRUE(script.QuitWhenDone());
    EXPECT_EQ(entryOf("q"), "acQuitter||3");
}

TEST_F(ScriptGrammar, MistakesAreNamedWithTheirLine)
{
    EXPECT_EQ(problemsOfParse("bogus=1"), "Commande inconnue \"bogus\".");
    EXPECT_EQ(problemsOfParse("+"), "Nom de commande manquant dans \"+\".");
    EXPECT_EQ(problemsOfParse("quit"), "");

    QTemporaryDir dir;
    const QString path = dir.filePath("lot.txt");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("grab\n\nfrobnicate now\n");
    f.close();
    problems.clear();
    ASSERT_TRUE(script.LoadFromFile(path));
    script.RunFile(dir.filePath("absent.txt"));
    EXPECT_EQ(problems,
        (QStringList {
            QStringLiteral("Commande inconnue \"frobnicate\" (ligne 3 du script \"%1\").").arg(path),
            QStringLiteral("Le script \"%1\" est introuvable.").arg(dir.filePath("absent.txt")) }));
    // A file that is not there leaves the entries as they were.
    EXPECT_EQ(script.Commands().Count(), 1);
}

TEST(ScriptFile, EncodingsByMarkAndContent)
{
    const QString accented = QStringLiteral("rootname=Été à Noël");
    QByteArray le("\xFF\xFE"), be("\xFE\xFF");
    for (const QChar c : accented) {
        le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    EXPECT_EQ(TCustomScript::DecodeScript(le), accented);
    EXPECT_EQ(TCustomScript::DecodeScript(be), accented);
    EXPECT_EQ(TCustomScript::DecodeScript("\xEF\xBB\xBF" + accented.toUtf8()), accented);
    EXPECT_EQ(TCustomScript::DecodeScript(accented.toUtf8()), accented);
    // Not UTF-8: a file written on Windows, with the characters only that
    // code page has.
    EXPECT_EQ(TCustomScript::DecodeScript(accented.toLatin1()), accented);
    EXPECT_EQ(TCustomScript::DecodeScript("perso1=\x80 \x93ok\x94 \x9C"), QStringLiteral("perso1=€ “ok” œ"));
    // A NUL ends the text, whatever the encoding.
    EXPECT_EQ(TCustomScript::DecodeScript(QByteArray("grab\n\0wait=5", 12)), QStringLiteral("grab\n"));
    EXPECT_EQ(TCustomScript::DecodeScript(QByteArray("\xFF\xFEg\0\0\0x\0", 8)), QStringLiteral("g"));
}

TEST(ScriptFile, EveryLineEnd)
{
    EXPECT_EQ(TCustomScript::SplitLines(QStringLiteral("a\rb\nc\r\nd\u2028e")),
        (QStringList { "a", "b", "c", "d", "e" }));
    EXPECT_EQ(TCustomScript::SplitLines(QStringLiteral("a\r\n\r\nb\n")), (QStringList { "a", "", "b" }));
    EXPECT_EQ(TCustomScript::SplitLines(QStringLiteral("\n\r")), (QStringList { "", "" }));

    // Read from a file, UTF-16 with mixed line ends and a NUL.
    TActionList list;
    CreateCommandCatalog(list);
    TScript script;
    script.actionlist = &list;
    QTemporaryDir dir;
    const QString path = dir.filePath("s.txt");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const QString text = QStringLiteral("g\rwait=1\r\nmute=false\u2028rootname=Noël\n");
    f.write("\xFF\xFE");
    f.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    f.write(QByteArray("\0\0", 2));
    f.write(reinterpret_cast<const char*>(u"grab"), 8);
    f.close();
    ASSERT_TRUE(script.LoadFromFile(path));
    ASSERT_EQ(script.Commands().Count(), 4);
    EXPECT_EQ(script.Commands().At(3).Argument, QStringLiteral("Noël"));
}

TEST_F(ScriptRun, EachEntryGetsExactlyItsArgument)
{
    plain("a");
    auto* b = plain("b");
    plain("c");
    TScript script;
    load(script, { "a=1", "b=2", "c", "a=\"x y\"" });
    b->SetEnabled(false); // skipped
    CommandArguments = QStringList { "stale", "more" };
    script.Run();
    EXPECT_EQ(log, (QStringList { "a(1)", "c()", "a(x y)" }));
    EXPECT_FALSE(script.Executing());
    EXPECT_EQ(quits, 0);
    // One pass before each entry, at least one after.
    EXPECT_EQ(passes, 4 + 3);
}

TEST_F(ScriptRun, ModesOfTwoStateCommands)
{
    auto* t = toggle("t", false);
    auto* ac = toggle("ac", true);
    TScript script;
    // Before anything set its state a two-state command has no handler:
    // nothing runs, but AutoCheck still inverts.
    load(script, { "t", "ac" });
    script.Run();
    EXPECT_TRUE(log.isEmpty());
    EXPECT_FALSE(t->Checked());
    EXPECT_TRUE(ac->Checked());

    log.clear();
    load(script, { "+t", "+t", "-t", "/t", "t=toggle", "-ac", "ac=true", "/ac" });
    script.Run();
    // "/" runs the handler of the state the command is in.
    EXPECT_EQ(log, (QStringList { "t:on", "t:on", "t:off", "t:on", "t:off", "ac:off", "ac:on", "ac:off" }));
    EXPECT_FALSE(t->Checked());
    EXPECT_FALSE(ac->Checked());
}

TEST_F(ScriptRun, WaitsWhileACommandRunsAndStopsOnAbort)
{
    auto* slow = plain("slow");
    plain("b");
    slow->Onexecute = [this](QObject*) {
        log << "slow";
        CommandRunning = true;
    };
    TScript script;
    load(script, { "slow", "b" });
    int runningPasses = 0;
    onPass = [&] {
        if (CommandRunning && ++runningPasses == 5) CommandRunning = false;
    };
    script.Run();
    EXPECT_EQ(log, (QStringList { "slow", "b()" }));
    EXPECT_EQ(runningPasses, 5);

    // Escape while the command works: the run ends there.
    log.clear();
    onPass = [&] {
        if (CommandRunning) script.Abort();
    };
    script.Run();
    EXPECT_EQ(log, (QStringList { "slow" }));
    EXPECT_FALSE(script.Executing());
    CommandRunning = false;

    // Escape during an entry: the entry finishes, nothing after it runs.
    log.clear();
    onPass = nullptr;
    plain("c");
    auto* esc = plain("esc");
    esc->Onexecute = [&](QObject*) {
        log << "esc";
        script.Abort();
    };
    load(script, { "b", "esc", "c" });
    script.Run();
    EXPECT_EQ(log, (QStringList { "b()", "esc" }));
    // A new run starts afresh.
    load(script, { "c" });
    script.Run();
    EXPECT_EQ(log.last(), "c()");
}

TEST_F(ScriptRun, QuitClosesAtTheEndOnlyWhenSomethingRan)
{
    plain("a");
    TScript script;
    const QString onlyQuit = writeFile("quit.txt", "quit\r\n");
    load(script, {});
    script.RunFile(onlyQuit);
    EXPECT_TRUE(script.QuitWhenDone());
    EXPECT_EQ(quits, 0);

    script.RunFile(writeFile("a.txt", "quit\na\n"));
    EXPECT_EQ(log, (QStringList { "a()" }));
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(script.Commands().Count(), 0);

    // A handler that throws ends the run; the window still closes.
    auto* boom = plain("boom");
    boom->Onexecute = [](QObject*) { throw std::runtime_error("boom"); };
    load(script, { "boom", "a" });
    EXPECT_THROW(script.Run(), std::runtime_error);
    EXPECT_FALSE(script.Executing());
    EXPECT_EQ(TCustomScript::Innermost(), nullptr);
    EXPECT_EQ(quits, 2);
}

TEST_F(ScriptRun, OpenAndNextLoopInTheInnermostRun)
{
    // "open" keeps the line of the run executing it, "next" goes back to
    // it while there are files left, as the window binds them.
    int saved = 0, filesLeft = 0;
    auto* open = plain("open");
    open->Onexecute = [&](QObject*) {
        filesLeft = 2;
        saved = *TCustomScript::Innermost()->CurrentLine();
        log << "open";
    };
    auto* next = plain("next");
    next->Onexecute = [&](QObject*) {
        if (filesLeft-- > 0) *TCustomScript::Innermost()->CurrentLine() = saved;
    };
    plain("grab");
    auto* script = new TScript(&list);
    auto* run = plain("script");
    run->Onexecute = [&](QObject*) { script->RunFile(CommandArguments.value(0)); };
    const QString loop = writeFile("loop.txt", "open\ngrab=1\nnext\ngrab=after\n");

    TSwitch commandLine;
    load(*script, {});
    load(commandLine, {});
    commandLine.Arguments = { "+script=" + loop, "+grab=2" };
    commandLine.ProcessCommandLine();
    // The script loops over its own lines; the command line then goes on.
    EXPECT_EQ(log, (QStringList { "open", "grab(1)", "grab(1)", "grab(1)", "grab(after)", "grab(2)" }));

    // "next" with no file search behind it does nothing; the run goes on.
    log.clear();
    load(*script, { "next", "grab=x" });
    filesLeft = 0;
    script->Run();
    EXPECT_EQ(log, (QStringList { "grab(x)" }));
}

TEST_F(ScriptRun, ScriptsRunScriptsToABoundedDepth)
{
    auto* script = new TScript(&list);
    plain("grab");
    auto* run = plain("script");
    run->Onexecute = [&](QObject*) { script->RunFile(CommandArguments.value(0)); };
    QStringList problems;
    script->OnProblems = [&](const QStringList& m) { problems << m; };

    // The inner script replaces the outer one's entries: what followed the
    // "script" line does not run.
    const QString inner = writeFile("inner.txt", "grab=inner\n");
    const QString outer = writeFile("outer.txt", "grab=outer\nscript " + inner + "\ngrab=never\n");
    load(*script, {});
    script->OnProblems = [&](const QStringList& m) { problems << m; };
    script->RunFile(outer);
    EXPECT_EQ(log, (QStringList { "grab(outer)", "grab(inner)" }));
    EXPECT_TRUE(problems.isEmpty());

    // A script running itself stops with a message.
    log.clear();
    const QString self = dir.filePath("self.txt");
    writeFile("self.txt", "grab=again\nscript=" + self + "\n");
    script->RunFile(self);
    EXPECT_EQ(log.size(), TCustomScript::MaxNesting);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_EQ(problems[0],
        QStringLiteral("Trop de scripts imbriqués: le script \"%1\" n'est pas lancé (16 niveaux au plus).")
            .arg(self));
    EXPECT_FALSE(script->Executing());
}

TEST_F(ScriptRun, SwitchesReadAsTheShellGaveThem)
{
    CreateCommandCatalog(list);
    TSwitch line;
    line.actionlist = &list;
    QStringList ignored, problems;
    line.OnIgnoredArgument = [&](const QString& a) { ignored << a; };
    line.OnProblems = [&](const QStringList& m) { problems << m; };
    line.Arguments = { "+o=/tmp/a=b.avi", "-m", "/mute", "-MUTE", "+rc= x \"y\" ", "+mute=false", "clip.avi",
        "/quit", "+", "+nope=1", "++", "+>=0:00:10:00" };
    line.ParseCommandLine();
    QStringList read;
    for (int i = 0; i < line.Commands().Count(); ++i) {
        const TActionEx& e = line.Commands().At(i);
        read << QStringLiteral("%1|%2|%3").arg(e.Action->objectName(), e.Argument).arg(int(e.Mode));
    }
    EXPECT_EQ(read,
        (QStringList { "saOpenFile|/tmp/a=b.avi|0", "taMute||1", "taMute||2", "taMute||1",
            "saRacine| x \"y\" |0", "taMute|false|0", "saBouclerScript||0", "saPosition|0:00:10:00|0" }));
    EXPECT_TRUE(line.QuitWhenDone());
    EXPECT_EQ(ignored, QStringList { "clip.avi" });
    EXPECT_EQ(TSwitch::IgnoredArgumentText("clip.avi"),
        "Argument ignoré \"clip.avi\": pour ouvrir ce fichier, écrire +o=clip.avi");
    EXPECT_EQ(TSwitch::IgnoredArgumentText("/v/my clip's.avi"),
        "Argument ignoré \"/v/my clip's.avi\": pour ouvrir ce fichier, écrire '+o=/v/my clip'\\''s.avi'");
    line.ReportProblems();
    EXPECT_EQ(problems,
        (QStringList { "Nom de commande manquant dans \"+\" sur la ligne de commande.",
            "Commande inconnue \"+nope=1\" sur la ligne de commande." }));
}

TEST_F(ScriptRun, TheCommandLineRunsAtTheFirstActivationOnly)
{
    plain("grab");
    TSwitch line;
    load(line, {});
    int activations = 0, empty = 0;
    line.OnActivate = [&](QObject*) { ++activations; };
    line.OnNoCommandLine = [&] { ++empty; };
    line.Arguments = { "+grab=1", "/grab=2" };
    line.Activate(nullptr);
    line.Activate(nullptr);
    EXPECT_EQ(log, (QStringList { "grab(1)", "grab(2)" }));
    EXPECT_EQ(activations, 2);
    EXPECT_EQ(line.Commands().Count(), 0);
    EXPECT_EQ(empty, 0);

    // "/quit" alone makes no entry: nothing runs and nothing closes.
    TSwitch quitOnly;
    load(quitOnly, {});
    quitOnly.OnNoCommandLine = [&] { ++empty; };
    quitOnly.Arguments = { "/quit" };
    quitOnly.Activate(nullptr);
    EXPECT_EQ(empty, 1);
    EXPECT_EQ(quits, 0);
    // With an entry it closes once the run is over.
    TSwitch withQuit;
    load(withQuit, {});
    withQuit.Arguments = { "+grab=3", "-quit" };
    withQuit.Activate(nullptr);
    EXPECT_EQ(log.last(), "grab(3)");
    EXPECT_EQ(quits, 1);
}
