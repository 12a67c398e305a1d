#!/usr/bin/python3
"""Starts one test program and, if it hangs, makes the hang explain itself.

Usage: run-with-watchdog.py [--deadline=SECONDS] [--env=NAME=VALUE]...
                            PROGRAM [ARG...]

CTest starts every test through this script (see tests/CMakeLists.txt), and
the script passes on the program's exit status, or the signal it died of.
Each --env sets a variable for the program. If the program is still running
after the deadline, the script prints every thread's backtrace (gdb attached
in batch mode) and the tail of the program's GStreamer debug log, then kills
it and exits with status 124. The deadline is set below CTest's TIMEOUT so
all of this happens before CTest would kill the script and lose the
evidence. Without --deadline there is no watchdog.

GStreamer logs at GST_DEBUG (default: DEFAULT_GST_DEBUG) into a file of the
script's own, which is only shown on a hang so passing runs stay quiet. A
GST_DEBUG_FILE set by the caller is left alone, and then there is no tail.

Attaching gdb needs ptrace permission over the test. Without Yama, or with
its ptrace_scope at 0, gdb may attach to any process of the same user. At
scope 1 only an ancestor may attach, and gdb is the test's sibling; so the
test is started with PR_SET_PTRACER naming this script, which lets the
script's children (gdb) attach. Scope 2 needs CAP_SYS_PTRACE (root has it)
and scope 3 forbids attaching; there gdb's error stands in for the
backtrace, and the log tail is still printed.
"""

# The shebang names the system interpreter (scripts/install-deps installs
# it) rather than the first python3 on PATH: a version manager's shim there
# would add a third of a second to each of some two hundred tests. For the
# same reason only cheap modules are imported up front; a passing test pays
# for little more than the interpreter's start.

import os
import signal
import sys

DEFAULT_GST_DEBUG = "2,GST_STATES:4,stillexfilter*:5"
LOG_TAIL_LINES = 200
# gdb must be done well before CTest's own TIMEOUT, which is 30 s past the
# deadline: symbol loading for a Qt + GStreamer process takes a few seconds.
GDB_TIME_LIMIT = 20
HANG_EXIT_STATUS = 124
CANNOT_START_STATUS = 127

PR_SET_PTRACER = 0x59616D61


class Hung(Exception):
    pass


def say(text):
    sys.stdout.write(text + "\n")
    sys.stdout.flush()


def allow_ptrace_by(tracer_pid):
    """In the child: lets tracer_pid and its descendants attach."""
    try:
        with open("/proc/sys/kernel/yama/ptrace_scope") as scope:
            if scope.read().strip() != "1":
                return
        # Only here: ctypes costs more than all else this script imports.
        import ctypes
        ctypes.CDLL(None).prctl(PR_SET_PTRACER, tracer_pid, 0, 0, 0)
    except (ImportError, OSError):
        pass


def make_log_dir():
    base = os.environ.get("TMPDIR") or "/tmp"
    path = os.path.join(base, f"stillex-gst-{os.getpid()}")
    try:
        os.mkdir(path, 0o700)
    except FileExistsError:
        # Left behind by a killed run whose process id came round again.
        remove_log_dir(path)
        os.mkdir(path, 0o700)
    return path


def remove_log_dir(path):
    try:
        for name in os.listdir(path):
            os.unlink(os.path.join(path, name))
        os.rmdir(path)
    except OSError:
        pass


def print_backtraces(pid):
    import shutil
    import subprocess
    say(f"---- backtraces of every thread of process {pid} ----")
    gdb = shutil.which("gdb")
    if gdb is None:
        say("gdb is not installed (scripts/install-deps installs it)")
        return
    command = [
        gdb, "-nx", "-batch", "-p", str(pid),
        "-iex", "set debuginfod enabled off",
        "-ex", "set pagination off",
        "-ex", "set print thread-events off",
        "-ex", "thread apply all bt",
    ]
    try:
        subprocess.run(command, stdin=subprocess.DEVNULL, stderr=subprocess.STDOUT,
                       timeout=GDB_TIME_LIMIT, check=False)
    except subprocess.TimeoutExpired:
        say(f"gdb did not finish within {GDB_TIME_LIMIT} s")
    sys.stdout.flush()


def print_log_tail(log_dir, pid, level):
    say(f"---- last {LOG_TAIL_LINES} lines of the GStreamer debug log "
        f"(GST_DEBUG={level}) ----")
    if log_dir is None:
        say("not captured: GST_DEBUG_FILE was set by the caller")
        return
    # The test's own log comes first; helper processes it started (plugin
    # scanner) write their own files next to it.
    own = f"gst-{pid}.log"
    names = sorted(os.listdir(log_dir), key=lambda name: name != own)
    if not names:
        say("(empty: nothing was logged at this level)")
    for name in names:
        if name != own:
            say(f"-- {name} (another process) --")
        with open(os.path.join(log_dir, name), "r", errors="replace") as log:
            lines = log.readlines()
        sys.stdout.writelines(lines[-LOG_TAIL_LINES:])
    sys.stdout.flush()


def start(command, env, watched):
    """Forks and execs the test; returns its process id."""
    tracer = os.getpid()
    pid = os.fork()
    if pid == 0:
        try:
            if watched:
                # Its own process group, so a hang's kill also reaches
                # anything the test started.
                os.setpgid(0, 0)
                allow_ptrace_by(tracer)
            os.execvpe(command[0], command, env)
        except OSError as error:
            os.write(2, f"run-with-watchdog.py: cannot start {command[0]}: "
                        f"{error.strerror}\n".encode())
        os._exit(CANNOT_START_STATUS)
    if watched:
        try:
            # Also from this side, so no signal can fall between fork and
            # the child's own call.
            os.setpgid(pid, pid)
        except OSError:
            pass
    return pid


def main(argv):
    args = argv[1:]
    deadline = None
    env = dict(os.environ)
    while args and args[0].startswith("--"):
        option = args.pop(0)
        if option.startswith("--deadline="):
            deadline = float(option[len("--deadline="):])
        elif option.startswith("--env=") and "=" in option[len("--env="):]:
            name, value = option[len("--env="):].split("=", 1)
            env[name] = value
        else:
            sys.stderr.write(f"run-with-watchdog.py: unknown option {option}\n")
            return 2
    if not args:
        sys.stderr.write("usage: run-with-watchdog.py [--deadline=SECONDS] "
                         "[--env=NAME=VALUE]... PROGRAM [ARG...]\n")
        return 2
    command = args

    if deadline is None:
        try:
            os.execvpe(command[0], command, env)
        except OSError as error:
            say(f"run-with-watchdog.py: cannot start {command[0]}: {error.strerror}")
            return CANNOT_START_STATUS

    env.setdefault("GST_DEBUG", DEFAULT_GST_DEBUG)
    log_dir = None
    if "GST_DEBUG_FILE" not in env:
        log_dir = make_log_dir()
        # %p keeps a helper process GStreamer spawns from truncating the
        # test's own log.
        env["GST_DEBUG_FILE"] = os.path.join(log_dir, "gst-%p.log")
        env["GST_DEBUG_NO_COLOR"] = "1"

    try:
        pid = start(command, env, watched=True)

        # The test has its own process group, so a Ctrl-C or CTest's
        # SIGTERM reaches it only through this script.
        def forward(signum, _frame):
            try:
                os.killpg(pid, signum)
            except ProcessLookupError:
                pass

        def expire(_signum, _frame):
            raise Hung()

        for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(signum, forward)
        signal.signal(signal.SIGALRM, expire)
        signal.setitimer(signal.ITIMER_REAL, deadline)
        try:
            _, status = os.waitpid(pid, 0)
            signal.setitimer(signal.ITIMER_REAL, 0)
        except Hung:
            say("")
            say(f"==== watchdog: {' '.join(command)} still running after "
                f"{deadline:g} s; it is hung ====")
            print_backtraces(pid)
            print_log_tail(log_dir, pid, env["GST_DEBUG"])
            say(f"==== watchdog: killing process group {pid} ====")
            try:
                os.killpg(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            try:
                os.waitpid(pid, 0)
            except ChildProcessError:
                pass
            return HANG_EXIT_STATUS
    finally:
        if log_dir is not None:
            remove_log_dir(log_dir)

    if os.WIFSIGNALED(status):
        # Die of the same signal, so CTest still reports a crash as a crash.
        signum = os.WTERMSIG(status)
        signal.signal(signum, signal.SIG_DFL)
        os.kill(os.getpid(), signum)
    return os.waitstatus_to_exitcode(status)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
