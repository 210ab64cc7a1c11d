#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks the zip README's snippets for the hosts that cannot run here against
include/quorvalent.h and boundary/quorvalent.def: every export a snippet binds
exists, with the header's arguments in the host's types for an ANSI text and a
pointer, a pointer result, the standard call; and the snippet keeps the DLL
loaded, tests the result for null, copies it, then calls FreeMem, in that
order. A VBA snippet calls the routines of bindings/Quorvalent.bas, whose
Declare lines vba_declares.py checks.

    snippet_declares.py [README]   (packaging/README.txt by default)
"""
import os
import re
import sys

import vba_declares

ROOT = vba_declares.ROOT


class Host:
    """How one host binds an export and what a snippet of it must do.

    binding: a pattern whose groups are (export, result type, argument types);
    types: C type -> the host's type for it; convention: a pattern that each
    binding must match (the standard call), where the host does not call so by
    default; steps: patterns that must appear in this order, the DLL kept
    loaded first, then the test for null, the copy and FreeMem."""

    def __init__(self, binding, types, steps, convention=None, ansi=None, arguments=None):
        self.binding = re.compile(binding, re.MULTILINE | re.DOTALL)
        self.types = types
        self.convention = re.compile(convention) if convention else None
        # A pattern a binding with a text argument must match, where the type alone does not say ANSI.
        self.ansi = re.compile(ansi) if ansi else None
        # Splits the argument group into the argument types.
        self.arguments = arguments or (lambda text: re.findall(r'"(\w+)",\s*[^,)]+', text))
        self.steps = [re.compile(step, re.MULTILINE) for step in steps]


def pascal_arguments(text):
    """'Text, Bits: AnsiString; N: Integer' -> ['AnsiString', 'AnsiString', 'Integer']"""
    types = []
    for group in filter(None, (part.strip() for part in text.split(";"))):
        names, _, kind = group.partition(":")
        types += [kind.strip()] * len(names.split(","))
    return types


HOSTS = {
    "powershell": Host(
        r'\[DllImport\((?P<attributes>[^\]]*)\)\]\s*public static extern (?P<result>\w+) (?P<export>\w+)\((?P<arguments>[^)]*)\);',
        {"const char*": "string", "const void*": "IntPtr", "char*": "IntPtr", "int": "int"},
        [r"-as \[type\]", r"-eq \[IntPtr\]::Zero", r"PtrToStringAnsi\(", r"::FreeMem\(\)"],
        convention=r"CallingConvention\.StdCall", ansi=r"CharSet = CharSet\.Ansi",
        arguments=lambda text: [argument.split()[0] for argument in text.split(",") if argument.strip()]),
    "autohotkey": Host(
        r'DllCall\("quorvalent\\(?P<export>\w+)"(?P<arguments>(?:,\s*"\w+",\s*[^,)]+)*)(?:,\s*"(?P<result>\w+)")?\)',
        {"const char*": "AStr", "const void*": "Ptr", "char*": "Ptr", "int": "Int"},
        [r"^#DllLoad ", r"^if !result", r"StrGet\(", r"FreeMem"]),
    "autoit": Host(
        r'DllCall\(\$hDll, "(?P<result>\w+)", "(?P<export>\w+)"(?P<arguments>(?:,\s*"\w+",\s*[^,)]+)*)\)',
        {"const char*": "str", "const void*": "ptr", "char*": "ptr", "int": "int"},
        [r"DllOpen\(", r"^If @error", r"<> 0 Then", r"DllStructGetData\(", r'"FreeMem"\)', r"DllClose\("]),
    "iss": Host(
        r"function \w+(?:\((?P<arguments>[^)]*)\))?: (?P<result>\w+);\s*external '(?P<export>\w+)@(?P<library>[^ ']+)"
        r"(?P<attributes>[^']*)';",
        {"const char*": "AnsiString", "char*": "PAnsiChar", "int": "Integer"},
        [r"@files:quorvalent\.dll", r"Digest := cifrado_\w+\(", r"QuorvalentFreeMem;", r"if Digest = ''"],
        convention=r"stdcall", arguments=pascal_arguments),
}
# Words a VBA snippet may start a statement with that are no call.
VBA_KEYWORDS = {"Sub", "Function", "End", "Dim", "If", "Else", "ElseIf", "For", "Next", "Set", "Call", "Exit",
                "Private", "Public", "Const", "Debug", "On", "Err", "Select", "Case", "Do", "Loop", "With"}


def snippets(readme):
    """[(language, first line number, text)] of the README's fenced blocks."""
    found, language, start, lines = [], None, 0, []
    for number, line in enumerate(readme.splitlines(), 1):
        if language is None and line.startswith("```") and len(line) > 3:
            language, start, lines = line[3:], number + 1, []
        elif language is not None and line == "```":
            found.append((language, start, "\n".join(lines)))
            language = None
        elif language is not None:
            lines.append(line)
    return found


def check_bindings(host, text, prototypes):
    """The problems of one snippet's bindings and steps."""
    problems, bound = [], 0
    for match in host.binding.finditer(text):
        bound += 1
        export = match.group("export")
        if export not in prototypes:
            problems.append("binds %s, which quorvalent.def does not export" % export)
            continue
        result, arguments = prototypes[export]
        want = [host.types.get(kind, "?" + kind) for kind, _ in arguments]
        got = host.arguments(match.group("arguments") or "")
        if got != want:
            problems.append("%s takes %s, the header's (%s) are %s" % (
                export, got, ", ".join(kind for kind, _ in arguments) or "void", want))
        if (match.group("result") or "") != host.types[result]:
            problems.append("%s returns %s, the header's %s is %s" % (
                export, match.group("result"), result, host.types[result]))
        if host.convention and not host.convention.search(match.group(0)):
            problems.append("%s is not bound as a standard call" % export)
        if host.ansi and "const char*" in dict(arguments) and not host.ansi.search(match.group(0)):
            problems.append("%s does not pass its texts in the ANSI code page" % export)
    if not bound:
        problems.append("binds no export")
    position = 0
    for step in host.steps:
        found = step.search(text, position)
        if not found:
            problems.append("lacks '%s' after the steps before it" % step.pattern)
            break
        position = found.end()
    return problems


def check_vba(text, prototypes):
    """A VBA snippet: its Declare lines, if any, are the module's; every routine it
    calls is the snippet's own, a Declare's, or a public one of the module."""
    module = vba_declares.read("bindings", "Quorvalent.bas")
    known = set(re.findall(r"^Public (?:Sub|Function) (\w+)", module, re.MULTILINE))
    known |= set(re.findall(r"^\s*(?:Sub|Function) (\w+)", text, re.MULTILINE))
    problems = []
    declared = set(vba_declares.block())
    for line in text.splitlines():
        if re.search(r'Lib "quorvalent', line):
            if line.strip() not in declared:
                problems.append("declares '%s', not as the header and the .def ask" % line.strip())
            known.add(re.search(r"(?:Function|Sub) (\w+)", line).group(1))
        elif "Declare" in line:
            known.add(re.search(r"(?:Function|Sub) (\w+)", line).group(1))
    code = "\n".join(line.split("'")[0] for line in text.splitlines())
    called = set(re.findall(r"(?<![.\w])([A-Z]\w*)\(", code))
    called |= {word for word in re.findall(r"^\s*([A-Za-z]\w*)\b(?![.(=])", code, re.MULTILINE)
               if word not in VBA_KEYWORDS}
    problems += ["calls %s, which neither it nor Quorvalent.bas defines" % name for name in sorted(called - known)]
    if not called & known:
        problems.append("calls nothing of Quorvalent.bas")
    return problems


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "packaging", "README.txt")
    with open(path) as readme:
        blocks = snippets(readme.read())
    prototypes = {name: (result, arguments) for name, result, arguments in vba_declares.exports()}
    passed, failed = 0, 0
    for language in sorted(set(HOSTS) | {"vb"}):
        ours = [(start, text) for kind, start, text in blocks if kind == language] or [(None, None)]
        for start, text in ours:
            if text is None:
                problems, where = ["the README has none"], language
            elif language == "vb":
                problems, where = check_vba(text, prototypes), "%s snippet at line %d" % (language, start)
            else:
                problems, where = check_bindings(HOSTS[language], text, prototypes), "%s snippet at line %d" % (
                    language, start)
            for problem in problems:
                print("FAIL %s: %s" % (where, problem))
            if problems:
                failed += 1
            else:
                passed += 1
                print("ok   %s" % where)
    print("%d passed, %d failed" % (passed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
