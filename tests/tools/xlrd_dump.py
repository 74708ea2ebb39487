#!/usr/bin/python3
"""The cells of an .xls workbook as xlrd reads them, in the dump format of
`xlstool dump`: one line per non-empty cell (sheet!A1 TAB kind TAB value),
then one #sheet line per worksheet. The tests use it as an independent
reader of the files the engine writes. Exit 1 when xlrd cannot read the file."""

import sys

sys.path.append("/usr/lib/python3/dist-packages")  # Debian's python3-xlrd
import xlrd
import xlrd.book
from xlrd.biffh import (XL_CELL_BOOLEAN, XL_CELL_DATE, XL_CELL_ERROR,
                        XL_CELL_NUMBER, XL_CELL_TEXT, error_text_from_code)


def tolerate_name_errors(evaluate):
    """xlrd 1.2 fails on some defined names' formulas; names are not dumped,
    so such a name is left unevaluated and the cells are still read."""
    def evaluate_or_skip(book, name, *args, **kwargs):
        try:
            evaluate(book, name, *args, **kwargs)
        except Exception:  # noqa: BLE001 - any failure inside xlrd's decoder
            name.result = None
            name.evaluated = 1
    return evaluate_or_skip


xlrd.book.evaluate_name_formula = tolerate_name_errors(xlrd.book.evaluate_name_formula)

VISIBILITY = {0: "visible", 1: "hidden", 2: "veryhidden"}
ESCAPES = {"\\": "\\\\", "\t": "\\t", "\n": "\\n", "\r": "\\r"}


def escape(text):
    return "".join(ESCAPES.get(ch) or ("\\x%02x" % ord(ch) if ord(ch) < 0x20 else ch) for ch in text)


def column_letters(col):
    letters = ""
    col += 1
    while col:
        col, rest = divmod(col - 1, 26)
        letters = chr(65 + rest) + letters
    return letters


def kind_and_value(cell):
    if cell.ctype in (XL_CELL_NUMBER, XL_CELL_DATE):
        return "n", repr(float(cell.value))
    if cell.ctype == XL_CELL_TEXT:
        return "s", escape(cell.value)
    if cell.ctype == XL_CELL_BOOLEAN:
        return "b", "TRUE" if cell.value else "FALSE"
    if cell.ctype == XL_CELL_ERROR:
        return "e", error_text_from_code.get(cell.value, "#ERR%d" % cell.value)
    return None  # empty and blank cells


def main(path):
    try:
        book = xlrd.open_workbook(path, formatting_info=False, logfile=open("/dev/null", "w"))
    except Exception as error:  # xlrd raises many kinds; all mean "unreadable"
        print("%s: %s" % (path, error), file=sys.stderr)
        return 1
    out = []
    for sheet in book.sheets():
        for row in range(sheet.nrows):
            for col in range(sheet.ncols):
                shown = kind_and_value(sheet.cell(row, col))
                if shown:
                    out.append("%s!%s%d\t%s\t%s" % (escape(sheet.name), column_letters(col), row + 1, *shown))
    for index, sheet in enumerate(book.sheets()):
        out.append("#sheet\t%d\t%s\t%s" % (index, escape(sheet.name), VISIBILITY.get(sheet.visibility, "visible")))
    sys.stdout.buffer.write(("".join(line + "\n" for line in out)).encode("utf-8"))
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print("usage: xlrd_dump.py FILE.xls", file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1]))
