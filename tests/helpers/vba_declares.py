#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the Declare lines of bindings/Quorvalent.bas from the exports'
prototypes in include/quorvalent.h, in the order of boundary/quorvalent.def,
after checking that both name the same exports.

    vba_declares.py --check   fails when the module's block is out of step
    vba_declares.py --write   rewrites the block between its markers
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MODULE = os.path.join(ROOT, "bindings", "Quorvalent.bas")
BEGIN = "' BEGIN Declare lines, one per export of quorvalent.h and quorvalent.def"
END = "' END Declare lines"

# C type -> (VBA7 type, VBA6 type). The ANSI exports' texts go ByVal As String,
# which VBA hands over as a zero-terminated text in the ANSI code page; the
# Unicode exports' UTF-16 texts go as the pointer StrPtr gives, a length as the
# pointer-sized integer.
TYPES = {"const char*": ("String", "String"), "const void*": ("LongPtr", "Long"),
         "char*": ("LongPtr", "Long"), "int": ("Long", "Long"),
         "const QuorvalentChar*": ("LongPtr", "Long"), "QuorvalentChar*": ("LongPtr", "Long"),
         "size_t": ("LongPtr", "Long")}

def read(*path):
    with open(os.path.join(ROOT, *path)) as source:
        return source.read()


def exports():
    """[(name, C result type, [(C type, argument name)])] in ordinal order."""
    prototypes = {}
    for result, name, arguments in re.findall(r"QUORVALENT_API (.+?) ?QUORVALENT_CALL (\w+)\(([^)]*)\);",
                                              read("include", "quorvalent.h")):
        parsed = []
        for argument in arguments.split(","):
            if argument.strip() != "void":
                kind, _, argument_name = argument.strip().rpartition(" ")
                parsed.append((kind, argument_name))
        prototypes[name] = (result, parsed)
    ordered = [name for name, _ in sorted(re.findall(r"^\s*(\w+)\s+@(\d+)", read("boundary", "quorvalent.def"),
                                                     re.MULTILINE), key=lambda entry: int(entry[1]))]
    if sorted(ordered) != sorted(prototypes):
        sys.exit("vba_declares: the header %s and the .def %s name different exports" % (sorted(prototypes), ordered))
    return [(name,) + prototypes[name] for name in ordered]


def declare(name, result, arguments, form):
    vba7 = form == 0
    arguments = ", ".join("ByVal %s As %s" % (argument, TYPES[kind][form]) for kind, argument in arguments)
    return 'Private Declare %sFunction %s Lib "quorvalent.dll" (%s) As %s' % (
        "PtrSafe " if vba7 else "", name, arguments, TYPES[result][form])


def block():
    table = exports()
    lines = [BEGIN, "#If VBA7 Then"]
    lines += [declare(*export, form=0) for export in table]
    lines += ["#Else"]
    lines += [declare(*export, form=1) for export in table]
    lines += ["#End If", END]
    return lines


def main():
    if len(sys.argv) != 2 or sys.argv[1] not in ("--check", "--write"):
        sys.exit(__doc__)
    with open(MODULE, newline="") as module:
        lines = module.read().splitlines()
    if BEGIN not in lines or END not in lines:
        sys.exit("vba_declares: %s lacks the markers" % MODULE)
    start, stop = lines.index(BEGIN), lines.index(END) + 1
    wanted = lines[:start] + block() + lines[stop:]
    if sys.argv[1] == "--write":
        # The VBA editor imports a module with Windows line ends.
        with open(MODULE, "w", newline="\r\n") as module:
            module.write("\n".join(wanted) + "\n")
    elif wanted != lines:
        print("FAIL: the Declare lines of bindings/Quorvalent.bas are out of step; run tests/helpers/vba_declares.py --write")
        print("\n".join(block()))
        sys.exit(1)
    else:
        print("bindings/Quorvalent.bas declares the %d exports of the header and the .def" % len(exports()))


if __name__ == "__main__":
    main()
