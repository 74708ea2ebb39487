#!/usr/bin/python3
"""The records of an .xls file's workbook stream, read through xlrd's
compound-file reader: one line per record with its stream offset, id (four
hex digits), data size and its first bytes in hex (all of them with
--hex N for records of up to N bytes, else up to N and ".."). The tests use it
as an independent view of the files the engine writes."""

import sys

sys.path.append("/usr/lib/python3/dist-packages")  # Debian's python3-xlrd
import xlrd.compdoc


def workbook_stream(data):
    doc = xlrd.compdoc.CompDoc(data, logfile=open("/dev/null", "w"))
    for name in ("Workbook", "Book"):
        stream = doc.get_named_stream(name)
        if stream is not None:
            return stream
    raise ValueError("no workbook stream")


def main(argv):
    shown = 0
    if len(argv) == 3 and argv[0] == "--hex":
        shown, argv = int(argv[1]), argv[2:]
    if len(argv) != 1:
        print("usage: xlrd_records.py [--hex N] FILE.xls", file=sys.stderr)
        return 2
    with open(argv[0], "rb") as f:
        stream = workbook_stream(f.read())
    pos = 0
    while pos + 4 <= len(stream):
        rec_id = stream[pos] | stream[pos + 1] << 8
        size = stream[pos + 2] | stream[pos + 3] << 8
        if rec_id == 0 and size == 0 and not any(stream[pos:]):
            break  # zero padding behind the last EOF
        body = stream[pos + 4:pos + 4 + size]
        text = " ".join("%02x" % b for b in body[:shown]) + (" .." if size > shown and shown else "")
        print("%d\t%04X\t%d\t%s" % (pos, rec_id, size, text))
        pos += 4 + size
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
