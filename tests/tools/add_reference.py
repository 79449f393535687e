#!/usr/bin/env python3
"""Reference model of `trapwright add`, written separately from the C++ code.

Reads a VB6 project file, inserts the default begin block under every
procedure header of every listed source file, and writes the results under
OUTPUT_DIR with the same relative paths. Used to produce examples/expected,
so that the end-to-end test compares the tool against an independent result.

    add_reference.py PROJECT.vbp OUTPUT_DIR
"""
import os
import sys

CODEPAGE = "cp1252"
CRLF = "\r\n"

DEFAULT_BEGIN = CRLF.join([
    "' *** START ERROR HANDLER ***",
    "On Error GoTo errHandler",
    "If Err.Number <> 0 Then",
    'errHandler: ErrorIn "[ProcName]([Paramenters])", Array([Paramenters]), '
    "EA_NORERAISE: HandleError: Exit [ProcType]",
    "End If",
    "' *** BEGIN CODE ***",
]) + CRLF
assert len(DEFAULT_BEGIN) == 227

KEYWORDS = ["sub ", "function ", "friend ", "property ", '"', "'"]
MODIFIERS = ["optional ", "paramarray ", "byval ", "byref "]


def find(text, what, start=1):
    """1-based position of `what` in `text` at or after `start`, ignoring case; 0 if absent."""
    return text.lower().find(what.lower(), start - 1) + 1


def replace_nocase(text, what, by):
    out, low, needle, i = [], text.lower(), what.lower(), 0
    while True:
        j = low.find(needle, i)
        if j < 0:
            return "".join(out) + text[i:]
        out.append(text[i:j] + by)
        i = j + len(needle)


def parameter_list(text):
    pieces = []
    for piece in text.split(","):
        cut = find(piece, "as ")
        pieces.append((piece[:cut - 1] if cut else piece).strip(" "))
    joined = ", ".join(pieces)
    for word in MODIFIERS:
        joined = replace_nocase(joined, word, "")
    return joined


def transform(code, begin=DEFAULT_BEGIN, end=""):
    """Returns (output text, number of headers given a block)."""
    lines = code.split(CRLF) if code else []
    kind = name = params = ""
    flag = False
    headers = 0
    for i, line in enumerate(lines):
        hits = [p for p in (find(line, k) for k in KEYWORDS) if p]
        if not hits:
            continue
        p = min(hits)
        at = line[p - 1]
        if p == 1:
            candidate = at not in "\"'"
        else:
            candidate = at not in "\"'" and line[p - 2] == " "
            e = find(line, "end")
            if 0 < e < p:
                candidate, flag = False, True
            x = find(line, "exit")
            if 0 < x < p:
                candidate, flag = False, False
            d = find(line, "declare")
            if 0 < d < p:
                candidate, flag = False, False
        if candidate:
            n = line.find(" ", p - 1) + 2
            o = line.find("(", n - 1) + 1
            if o:  # a candidate without "(" (a Rem line) is not a header
                c = line.find(")", o - 1) + 1
                kind, name = line[p - 1:n - 1], line[n - 1:o - 1]
                params = parameter_list(line[o:c - 1]) if c - o - 1 > 0 else ""
                if len(begin) < 2:
                    raise ValueError("begin template shorter than two characters")
                block = expand(begin[:-2], kind, name, params)
                line = line + CRLF + CRLF + block
                headers += 1
        if end and flag:
            line = expand(end, kind, name, params) + CRLF + line
            flag = False
        lines[i] = line
    return CRLF.join(lines), headers


def expand(template, kind, name, params):
    text = replace_nocase(template, "[ProcName]", name)
    text = replace_nocase(text, "[ProcType]", kind)
    return replace_nocase(text, "[Paramenters]", params)


def project_sources(vbp_path):
    """The file part of every object line, in file order."""
    text = open(vbp_path, "rb").read().decode(CODEPAGE)
    files = []
    for line in text.split(CRLF) if text else []:
        pieces = line.split("=")
        if len(pieces) < 2 or pieces[0].lower() not in ("form", "module", "class", "usercontrol"):
            continue
        value = pieces[1]
        parts = value.split(";")
        files.append(parts[1].strip(" ") if len(parts) > 1 else value)
    return files


def resolve(folder, relative):
    """A Windows relative path under `folder`, components matched without regard to case."""
    path = folder
    for part in relative.replace("\\", "/").split("/"):
        exact = os.path.join(path, part)
        if part in ("", ".", "..") or os.path.exists(exact):
            path = exact
            continue
        matches = sorted(e for e in os.listdir(path) if e.lower() == part.lower()) if os.path.isdir(path) else []
        path = os.path.join(path, matches[0]) if matches else exact
    return os.path.normpath(path)


def main():
    vbp, out_dir = sys.argv[1], sys.argv[2]
    folder = os.path.dirname(os.path.abspath(vbp))
    current = {}  # resolved path -> text after the latest transformation
    for relative in project_sources(vbp):
        path = resolve(folder, relative)
        if path not in current:
            if not os.path.isfile(path) or os.path.basename(path).startswith("."):
                print("skipped:", relative, file=sys.stderr)
                continue
            current[path] = open(path, "rb").read().decode(CODEPAGE)
        output, _ = transform(current[path])
        current[path] = output + CRLF
    for path, text in current.items():
        target = os.path.join(out_dir, os.path.relpath(path, folder))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        open(target, "wb").write(text.encode(CODEPAGE))


if __name__ == "__main__":
    main()
