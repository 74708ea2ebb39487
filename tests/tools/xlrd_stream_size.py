#!/usr/bin/python3
"""The size in bytes of a compound file's Workbook stream as xlrd's
compound-file reader locates it. The tests use it as an independent check of
large compound files the engine writes."""

import sys

sys.path.append("/usr/lib/python3/dist-packages")  # Debian's python3-xlrd
import xlrd.compdoc


def main(argv):
    if len(argv) != 1:
        print("usage: xlrd_stream_size.py FILE", file=sys.stderr)
        return 2
    with open(argv[0], "rb") as f:
        doc = xlrd.compdoc.CompDoc(f.read(), logfile=open("/dev/null", "w"))
    _, _, size = doc.locate_named_stream("Workbook")
    print(size)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
