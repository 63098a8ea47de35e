#!/usr/bin/env python3
"""Writes the demo's rule files and spam options into a program folder.

    write_demo_rules.py FOLDER

A small rule set of our own that shows each kind of mark on the demo mailbox: rules that delete
(check mark), rules that only ask (question mark), a header rule and an exception.
"""
import os
import sys

# Each table: its file, the column widths the window keeps, its headings, and its rows.
TABLES = {
    "subj.lst": ([20, 112, 231, 29, 39, 38], 1, ["What", "Matches", "Case", "Del?", "Hits"], [
        ["Contains (whole word)", "casino", "No", "Yes", "0"],
        ["Contains", "free spins", "No", "Yes", "0"],
        ["Contains", "lose weight", "No", "Yes", "0"],
        ["Is UPPERCASE", "", "", "Yes", "0"],
        ["Contains", "act now", "No", "No", "0"],
        ["Contains", "risk-free", "No", "No", "0"],
        ["Contains", "you have won", "No", "No", "0"],
        ["Contains", "work from home", "No", "No", "0"],
    ]),
    "from.lst": ([20, 100, 130, 200, 39, 38], 1, ["What", "Condition", "Matches", "Del?", "Hits"], [
        ["E-mail address", "All numeric", "", "Yes", "0"],
        ["Domain name", "Ends with", ".invalid", "No", "0"],
    ]),
    "header.lst": ([20, 130, 231, 29, 39, 38], 1, ["What", "Matches", "Case", "Del?", "Hits"], [
        ["Sender", "does not match Reply-to", "No", "Yes", "0"],
    ]),
    "except.lst": ([100, 130, 200, 40, 38, 20, 0], 0,
                   ["What", "Condition", "Matches", "Case?", "Hits"], [
        ["E-mail address", "Equals", "alex.rivera@example.org", "No", "0", "", "3"],
        ["Domain name", "Equals", "example.net", "No", "0", "", "5"],
    ]),
}

# The sender-domain check is off: the demo runs without the internet.
OPTIONS = """[Smaller]
QSmaller=0
Num=100
Check=1

[Larger]
QLarger=1
Num=60000
Check=1

[Known]
QMonitor=1
Valid=0
Question=0
Num=0
"""


def table_text(widths, first, headings, rows):
    columns = len(widths)
    lines = ["%d,%d" % (columns, len(rows) + 1)]
    lines += ["cw %d,%d" % (i, w) for i, w in enumerate(widths)]
    lines += ["%d,0,%s" % (first + i, h) for i, h in enumerate(headings)]
    for r, row in enumerate(rows, start=1):
        lines += ["%d,%d,%s" % (first + c, r, cell) for c, cell in enumerate(row)]
    return "\n".join(lines) + "\n"


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: write_demo_rules.py FOLDER")
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, (widths, first, headings, rows) in TABLES.items():
        with open(os.path.join(folder, name), "w") as out:
            out.write(table_text(widths, first, headings, rows))
    with open(os.path.join(folder, "kelvane.ini"), "w") as out:
        out.write(OPTIONS)
    open(os.path.join(folder, "known.lst"), "a").close()


if __name__ == "__main__":
    main()
