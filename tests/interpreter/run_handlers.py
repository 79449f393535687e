#!/usr/bin/python3
"""The handlers work: processed code runs, with the runtime module, in an
independent Basic interpreter (LibreOffice Basic in its VBA mode, headless).

Three cases, each a project that `trapwright add --with-runtime` processes:
  parameters  a procedure with parameters of several kinds fails under the
              built-in template; the log has its name, each value and the
              error; the procedure returns normally and its caller goes on.
  stack       per-kind templates of a policy pass errors up from functions:
              an error three calls deep gives one report with three frames,
              innermost first, each with its values.
  example     the example project: a second add changes nothing, every
              module compiles, and an error in it is logged.

With --without-handle-error the runtime module loses HandleError, and the
run must fail a handler check (it exits 0 only when one fails while the
harness itself works): the checks can fail.

LibreOffice Basic is not VB6. The bridges below turn processed VB6 into
code it runs without moving a line, each named where it is made:
  BRIDGE labels:       after a ":" in mid-line it reads a bare name as a
                       label; VB6 takes labels only at a line's start. So
                       "...: HandleError: Exit Sub" becomes "...: Call
                       HandleError: Exit Sub".
  BRIDGE app:          it has no App object: a class of the harness stands
                       in (title, version, unattended, so no message box).
  BRIDGE erl:          its Erl is the physical line, not VB6's line number:
                       the log's "Line:" is checked against the line of the
                       failing statement in the processed file.
  BRIDGE friend, static, debug-print, event, exit-property-set:
                       it lacks Friend, Static before Sub, Debug.Print and
                       Event, and refuses Exit Property in Property Set.
  BRIDGE options:      a module needs "Option VBASupport 1", a class
                       "Option ClassModule" too; Attribute lines, a class's
                       header and a form's designer block are no Basic: they
                       become blank lines (the options take two of them).
  BRIDGE forms:        it has no VB6 forms or user controls: their code is
                       loaded as a standard module.
  BRIDGE line-breaks:  on Linux its vbCrLf and Print # end lines with LF:
                       a log is read with CR LF taken as LF.
  BRIDGE typename:     TypeName of an object is "Object", where VB6 names
                       its class.
  BRIDGE compile:      no UNO call returns a compile error, and a procedure
                       of a module that does not compile may "run" without
                       running. Each module gets a probe procedure, appended
                       after its last line, that writes a line to a file:
                       a module that does not compile never writes it. The
                       whole run is under a timeout.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TIMEOUT_SECONDS = 90
CODE_PAGE = "cp1252"


def crlf(lines):
    return "".join(line + "\r\n" for line in lines)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(text.encode(CODE_PAGE))


def read(path):
    with open(path, "rb") as f:
        return f.read().decode(CODE_PAGE)


def read_log(path):
    """BRIDGE line-breaks: a log's lines, however they end."""
    return read(path).replace("\r\n", "\n") if os.path.exists(path) else ""


def snapshot(folder):
    files = {}
    for base, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(base, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder)] = f.read()
    return files


# --- The projects ------------------------------------------------------------

PARAMETERS_MODULE = [
    'Attribute VB_Name = "modCases"',
    "Option Explicit",
    "",
    "Public Sub Fails(ByVal lngCount As Long, ByVal strName As String, ByVal dtmWhen As Date, _",
    "                 ByVal vList As Variant, ByVal objThing As Object, ByVal objNone As Object, _",
    "                 ByVal vNull As Variant)",
    "    lngCount = lngCount / (lngCount - 42) ' fails here",
    "End Sub",
]

STACK_MODULE = [
    'Attribute VB_Name = "modStack"',
    "Option Explicit",
    "",
    "Public Sub Outer(ByVal strWho As String)",
    "    Dim lngResult As Long",
    "    lngResult = Middle(strWho, 3)",
    "End Sub",
    "",
    "Public Function Middle(ByVal strWho As String, ByVal lngDepth As Long) As Long",
    "    Middle = Inner(lngDepth * 2, Len(strWho))",
    "End Function",
    "",
    "Public Function Inner(ByVal lngValue As Long, ByVal lngLength As Long) As Long",
    "    Inner = lngValue \\ (lngLength - lngLength) ' fails here",
    "End Function",
]

# Functions pass their errors up; Subs (the entry points here) report them.
STACK_POLICY = (
    '[kinds."Function"]\n'
    "begin = \"' *** START ERROR HANDLER ***\\r\\nOn Error GoTo errHandler\\r\\nIf Err.Number <> 0 Then\\r\\n"
    'errHandler: ErrorIn \\"[ProcName]([Paramenters])\\", Array([Paramenters]), EA_RERAISE: HandleError: '
    "Exit [ProcType]\\r\\nEnd If\\r\\n' *** BEGIN CODE ***\\r\\n\"\n"
)


def project_file(name, modules):
    lines = ["Type=Exe"] + ["Module=%s; %s.bas" % (m, m) for m in modules]
    return crlf(lines + ['Name="%s"' % name, 'Title="%s"' % name])


# --- The bridges -------------------------------------------------------------

KEYWORDS_ALONE = {"else", "end", "loop", "next", "wend", "return", "stop", "resume", "rem", "call"}


def bridge_labels(line):
    """BRIDGE labels: a bare name after a ":" in mid-line is a call in VB6."""
    out, quoted, k = [], False, 0
    while k < len(line):
        c = line[k]
        out.append(c)
        if c == '"':
            quoted = not quoted
        elif c == "'" and not quoted:
            out.append(line[k + 1:])
            break
        elif c == ":" and not quoted and not line.startswith(":=", k) and line[:k].strip():
            m = re.match(r"(\s*)([A-Za-z]\w*)(?=\s*(:|'|$))", line[k + 1:])
            if m and m.group(2).lower() not in KEYWORDS_ALONE:
                out.append(m.group(1) + "Call " + m.group(2))
                k += 1 + m.end()
                continue
        k += 1
    return "".join(out)


def to_basic(text, is_class):
    """Processed VB6 as LibreOffice Basic runs it, line for line."""
    lines = text.split("\r\n")
    if lines and lines[-1] == "":
        lines.pop()
    out = []
    in_header = False          # a class's header or a form's designer block
    in_property_set = False
    for number, line in enumerate(lines, 1):
        stripped = line.strip()
        lower = stripped.lower()
        # BRIDGE options: Attribute lines and designer blocks become blank.
        if number == 1 and (lower.startswith("version ") or lower.startswith("attribute ")):
            in_header = lower.startswith("version ")
            out.append("")
            continue
        if in_header:
            if re.match(r"(?i)^attribute\s", stripped):
                in_header = False
            else:
                out.append("")
                continue
        if re.match(r"(?i)^attribute\s", stripped):
            out.append("")
            continue
        # BRIDGE friend, static: "Friend" is Public; "Static" before Sub goes.
        line = re.sub(r"(?i)^(\s*)Friend\s+", r"\1Public ", line)
        line = re.sub(r"(?i)^(\s*(?:Public\s+|Private\s+)?)Static\s+(Sub|Function|Property)\b", r"\1\2", line)
        # BRIDGE debug-print, event: no Debug.Print, Event or RaiseEvent.
        line = re.sub(r"(?i)\bDebug\.Print\b", "Rem Debug.Print", line)
        line = re.sub(r"(?i)^(\s*)((?:Public\s+|Private\s+)?Event\s)", r"\1Rem \2", line)
        line = re.sub(r"(?i)^(\s*)(RaiseEvent\s)", r"\1Rem \2", line)
        # BRIDGE exit-property-set: a jump to a label on the End Property line.
        if re.match(r"(?i)^\s*(Public\s+|Private\s+)?Property\s+Set\s", line):
            in_property_set = True
        if in_property_set:
            line = re.sub(r"(?i)\bExit Property\b", "GoTo TrapwrightExitProperty", line)
            if re.match(r"(?i)^\s*End Property\b", line):
                line = "TrapwrightExitProperty: " + line.strip()
                in_property_set = False
        out.append(bridge_labels(line))
    # BRIDGE options: the first two lines are blank by now (a module's
    # Attribute VB_Name and Option Explicit stay apart by one: it is put
    # before the first blank line found).
    blanks = [k for k, line in enumerate(out) if line == ""][:2 if is_class else 1]
    if len(blanks) < (2 if is_class else 1):
        raise SystemExit("harness: no blank line for the options of a module")
    out[blanks[0]] = "Option VBASupport 1"
    if is_class:
        out[blanks[1]] = "Option ClassModule"
    return out


def probe(name, probe_file, is_class):
    """BRIDGE compile: a probe after the module's last line."""
    scope = "Public "
    return [
        scope + "Sub TrapwrightProbe_%s()" % name,
        "    Dim iFile As Integer",
        "    iFile = FreeFile",
        '    Open "%s" For Append As #iFile' % probe_file,
        '    Print #iFile, "%s"' % name,
        "    Close #iFile",
        "End Sub",
    ]


HARNESS_CLASS = [
    "Option VBASupport 1",
    "Option ClassModule",
    "Option Explicit",
    "' BRIDGE app: what the runtime module asks of App.",
    "Public Property Get Title() As String",
    '    Title = "TrapwrightHarness"',
    "End Property",
    "Public Property Get Major() As Long",
    "    Major = 1",
    "End Property",
    "Public Property Get Minor() As Long",
    "    Minor = 2",
    "End Property",
    "Public Property Get Revision() As Long",
    "    Revision = 3",
    "End Property",
    "Public Property Get UnattendedApp() As Boolean",
    "    UnattendedApp = True",
    "End Property",
    "Public Property Get EXEName() As String",
    '    EXEName = "harness"',
    "End Property",
]

HARNESS_MODULE = [
    "Option VBASupport 1",
    "Option Explicit",
    "' BRIDGE app: the object the runtime module knows as App.",
    "Public App As Object",
    "",
    "Private Sub Start(ByVal sLog As String)",
    "    Set App = New AppBridge",
    "    ErrorLogPath = sLog",
    "End Sub",
    "",
    "Public Function CaseParameters(ByVal sLog As String) As String",
    "    Start sLog",
    "    Dim objThing As Object",
    "    Set objThing = New Collection",
    "    On Error GoTo Stopped",
    '    Fails 42, "he said ""hi""", DateSerial(2024, 5, 6) + TimeSerial(7, 8, 9), Array(1, "two", 3), _',
    "        objThing, Nothing, Null",
    '    CaseParameters = "caller went on"',
    "    Exit Function",
    "Stopped:",
    '    CaseParameters = "caller stopped: error " & Err.Number & " " & Err.Description',
    "End Function",
    "",
    "Public Function CaseStack(ByVal sLog As String) As String",
    "    Start sLog",
    "    On Error GoTo Stopped",
    '    Outer "Ada"',
    '    CaseStack = "caller went on"',
    "    Exit Function",
    "Stopped:",
    '    CaseStack = "caller stopped: error " & Err.Number & " " & Err.Description',
    "End Function",
    "",
    "Public Function CaseExample(ByVal sLog As String) As String",
    "    Start sLog",
    "    Dim sJoined As String, objCustomer As Object",
    "    On Error GoTo Stopped",
    '    sJoined = JoinWith("", -1)',
    "    Set objCustomer = New clsCustomer",
    '    objCustomer.Name = "Ann"',
    '    CaseExample = "caller went on: " & Total(2, "3") & " " & objCustomer.Name',
    "    Exit Function",
    "Stopped:",
    '    CaseExample = "caller stopped: error " & Err.Number & " " & Err.Description',
    "End Function",
]


# --- LibreOffice -------------------------------------------------------------

class Basic:
    """A headless LibreOffice with a profile of its own, and one Basic library."""

    def __init__(self, work):
        import uno
        from com.sun.star.connection import NoConnectException
        self.pipe = "trapwright_%d" % os.getpid()
        profile = os.path.join(work, "profile")
        self.process = subprocess.Popen(
            ["soffice", "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
             "-env:UserInstallation=file://" + profile, "--accept=pipe,name=%s;urp;" % self.pipe],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        while True:
            try:
                self.context = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe)
                break
            except NoConnectException:
                if self.process.poll() is not None:
                    raise SystemExit("harness: soffice ended before it accepted a connection")
                time.sleep(0.1)
        manager = self.context.ServiceManager
        libraries = manager.createInstanceWithContext("com.sun.star.script.ApplicationScriptLibraryContainer",
                                                      self.context)
        self.library = libraries.createLibrary("Trapwright")
        factory = manager.createInstanceWithContext("com.sun.star.script.provider.MasterScriptProviderFactory",
                                                    self.context)
        self.provider = factory.createScriptProvider("")

    def load(self, name, lines):
        self.library.insertByName(name, "\n".join(lines) + "\n")

    def call(self, module, procedure, *arguments):
        script = self.provider.getScript(
            "vnd.sun.star.script:Trapwright.%s.%s?language=Basic&location=application" % (module, procedure))
        return script.invoke(arguments, (), ())[0]

    def close(self):
        try:
            self.context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop",
                                                                  self.context).terminate()
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, signal.SIGKILL)


# --- The run -----------------------------------------------------------------

class Checks:
    def __init__(self):
        self.failed = []

    def expect(self, name, ok, detail=""):
        print(("ok: " if ok else "FAILED: ") + name + ("" if ok else "\n    " + detail.replace("\n", "\n    ")))
        if not ok:
            self.failed.append(name)


def trapwright(binary, *arguments):
    run = subprocess.run([binary] + list(arguments), capture_output=True, text=True)
    if run.returncode != 0:
        raise SystemExit("harness: trapwright %s failed (%d):\n%s" % (" ".join(arguments), run.returncode, run.stderr))
    return run


def line_of(path, marker):
    for number, line in enumerate(read(path).split("\r\n"), 1):
        if marker in line:
            return number
    raise SystemExit("harness: no line with %r in %s" % (marker, path))


def prepare(binary, examples, work, without_handle_error):
    """The three projects, processed; returns the modules to load."""
    cases = os.path.join(work, "cases")
    write(os.path.join(cases, "Cases.vbp"), project_file("Cases", ["modCases"]))
    write(os.path.join(cases, "modCases.bas"), crlf(PARAMETERS_MODULE))
    trapwright(binary, "add", os.path.join(cases, "Cases.vbp"), "--with-runtime", "--no-policy")

    stack = os.path.join(work, "stack")
    write(os.path.join(stack, "Stack.vbp"), project_file("Stack", ["modStack"]))
    write(os.path.join(stack, "modStack.bas"), crlf(STACK_MODULE))
    write(os.path.join(stack, "trapwright.toml"), STACK_POLICY)
    trapwright(binary, "add", os.path.join(stack, "Stack.vbp"), "--with-runtime")

    example = os.path.join(work, "example")
    shutil.copytree(examples, example, ignore=shutil.ignore_patterns("expected"))
    trapwright(binary, "add", os.path.join(example, "Demo.vbp"), "--with-runtime", "--no-policy")
    first = snapshot(example)
    trapwright(binary, "add", os.path.join(example, "Demo.vbp"), "--with-runtime", "--no-policy")
    second_add_changes_nothing = snapshot(example) == first

    runtime = read(os.path.join(cases, "modDebugErr.bas"))
    if without_handle_error:
        runtime, count = re.subn(r"(?s)\r\n' After ErrorIn\..*?End Sub\r\n", "\r\n", runtime)
        if count != 1 or "Sub HandleError" in runtime:
            raise SystemExit("harness: HandleError not found in the runtime module")
    # Every project got the same module; it is loaded once.
    modules = [("modDebugErr", runtime, False)]
    modules.append(("modCases", read(os.path.join(cases, "modCases.bas")), False))
    modules.append(("modStack", read(os.path.join(stack, "modStack.bas")), False))
    for name, file, is_class in [("modMain", "modMain.bas", False), ("modText", "Shared/modText.bas", False),
                                 ("clsCustomer", "clsCustomer.cls", True), ("frmMain", "frmMain.frm", False),
                                 ("ctlGauge", "ctlGauge.ctl", False)]:
        modules.append((name, read(os.path.join(example, file)), is_class))
    return modules, second_add_changes_nothing, os.path.join(cases, "modCases.bas")


def run(arguments):
    work = tempfile.mkdtemp(prefix="trapwright-basic-")
    basic = None

    def timed_out(*_):
        if basic is not None:
            os.killpg(basic.process.pid, signal.SIGKILL)
        print("FAILED: the run took longer than %d s" % TIMEOUT_SECONDS)
        os._exit(1)

    signal.signal(signal.SIGALRM, timed_out)
    signal.alarm(TIMEOUT_SECONDS)
    checks = Checks()
    try:
        modules, second_add_changes_nothing, cases_file = prepare(
            arguments.trapwright, arguments.examples, work, arguments.without_handle_error)
        checks.expect("example: a second add --with-runtime changes nothing", second_add_changes_nothing)

        probes = os.path.join(work, "probes.txt")
        basic = Basic(work)
        basic.load("AppBridge", HARNESS_CLASS)
        classes = [name for name, _, is_class in modules if is_class]
        probe_classes = ["Public Sub ProbeClasses()", "    Dim objClass As Object"]
        for name in classes:
            probe_classes += ["    Set objClass = New %s" % name, "    objClass.TrapwrightProbe_%s" % name]
        basic.load("Harness", HARNESS_MODULE + [""] + probe_classes + ["End Sub"] + probe("Harness", probes, False))
        for name, text, is_class in modules:
            basic.load(name, to_basic(text, is_class) + probe(name, probes, is_class))

        for name, _, is_class in modules:
            if not is_class:
                basic.call(name, "TrapwrightProbe_" + name)
        basic.call("Harness", "TrapwrightProbe_Harness")
        basic.call("Harness", "ProbeClasses")
        compiled = read(probes).split() if os.path.exists(probes) else []
        harness_works = "Harness" in compiled
        for name, _, _ in modules:
            checks.expect("compiles: " + name, name in compiled, "its probe never ran: the module does not compile")

        # The built-in template: the procedure's name, every value, the error.
        log = os.path.join(work, "parameters.log")
        result = basic.call("Harness", "CaseParameters", log)
        text = read_log(log)
        checks.expect("parameters: the caller goes on", result == "caller went on", "it said: %s" % result)
        checks.expect("parameters: one report", text.count("Calls, innermost first:") == 1, text)
        # BRIDGE typename: "Object" stands where VB6 writes "Collection".
        frame = ('    Fails(lngCount = 42, strName = "he said ""hi""", dtmWhen = #2024-05-06 07:08:09#, '
                 'vList = Variant(0 To 2), objThing = Object, objNone = Nothing, vNull = Null)\n')
        checks.expect("parameters: the frame names each parameter and its value", frame in text, text)
        checks.expect("parameters: the error's number and description", "Error 11: Division by zero" in text, text)
        checks.expect("parameters: the application's title and version", "  TrapwrightHarness 1.2.3\n" in text, text)
        # BRIDGE erl: the physical line of the failing statement.
        failing = line_of(cases_file, "' fails here")
        checks.expect("parameters: the line (Erl)", "\nLine: %d\n" % failing in text, text)

        # Errors passed up by functions: one report, three frames.
        log = os.path.join(work, "stack.log")
        result = basic.call("Harness", "CaseStack", log)
        text = read_log(log)
        checks.expect("stack: the caller goes on", result == "caller went on", "it said: %s" % result)
        checks.expect("stack: one report", text.count("Calls, innermost first:") == 1, text)
        frames = ("Calls, innermost first:\n"
                  "    Inner(lngValue = 6, lngLength = 3)\n"
                  "    Middle(strWho = \"Ada\", lngDepth = 3)\n"
                  "    Outer(strWho = \"Ada\")\n")
        checks.expect("stack: three frames, innermost first, with their values", frames in text, text)

        # The example project: an error in it is logged and it goes on.
        log = os.path.join(work, "example.log")
        result = basic.call("Harness", "CaseExample", log)
        text = read_log(log)
        checks.expect("example: the caller goes on", result == "caller went on: 7 Ann", "it said: %s" % result)
        checks.expect("example: the log names the procedure and its values",
                      '    JoinWith(Sep = "", n = -1)\n' in text and "Error 5: " in text, text)
    finally:
        signal.alarm(0)
        if basic is not None:
            basic.close()
        if arguments.keep:
            print("work folder: " + work)
        else:
            shutil.rmtree(work, ignore_errors=True)

    if arguments.without_handle_error:
        # The checks must be able to fail: without HandleError they do.
        if not harness_works:
            print("FAILED: the harness itself did not run")
            return 1
        handler_failures = [name for name in checks.failed if not name.startswith("compiles: ")]
        print("without HandleError, %d handler check(s) failed, as they must" % len(handler_failures))
        return 0 if handler_failures else 1
    return 1 if checks.failed else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--trapwright", required=True, help="the trapwright binary")
    parser.add_argument("--examples", required=True, help="the example project's folder")
    parser.add_argument("--without-handle-error", action="store_true",
                        help="run with a runtime module that lacks HandleError; exit 0 when a check fails")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    return run(parser.parse_args())


if __name__ == "__main__":
    sys.exit(main())
