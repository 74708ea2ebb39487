#!/usr/bin/python3
"""The drawing data of an .xls file, read through xlrd's compound-file reader
and an Escher parser of its own: the drawing group (MSODRAWINGGROUP) and each
worksheet's drawing (MSODRAWING records, the CONTINUE records behind them; a
chart substream embedded in the sheet is skipped), parsed into their record
trees.

    xlrd_escher.py FILE.xls          prints the trees, one record a line
    xlrd_escher.py --check FILE.xls  checks that the shape ids and the
                                     counters agree with the shapes present
                                     and prints "ok", or one line per fault

The check: every shape id is unique in the workbook and lies in a cluster of
the drawing group that belongs to its drawing; a drawing's Dg atom counts its
shapes (csp) and names no shape id below its largest one (spidCur); the group's Dgg atom
has a spidMax not below any shape id, cidcl one above its number of clusters,
cdgSaved equal to the number of drawings and cspSaved equal to the number of
shapes; a cluster's count of used ids covers the shapes in it; every picture
of the store is referenced as often as its reference count says (every OPT
property that holds a store index counts), and no reference points outside
the store. The tests use it as an independent view of the files the engine
writes."""

import struct
import sys

from xlrd_records import workbook_stream

MSODRAWINGGROUP, MSODRAWING, CONTINUE, BOF, EOF = 0x00EB, 0x00EC, 0x003C, 0x0809, 0x000A


def records(stream):
    pos = 0
    while pos + 4 <= len(stream):
        rec_id, size = struct.unpack_from("<HH", stream, pos)
        if rec_id == 0 and size == 0:
            return
        yield rec_id, stream[pos + 4:pos + 4 + size]
        pos += 4 + size


def drawing_data(stream):
    """(group bytes, [(sheet number, drawing bytes)]) of the workbook stream."""
    group, drawings = b"", []
    depth, sheet, current, last = 0, -1, None, None
    for rec_id, body in records(stream):
        if rec_id == BOF and last == BOF:
            continue  # a writer's repeated BOF of a chart sheet
        if rec_id == BOF:
            depth += 1
            if depth == 1:
                sheet += 1
                current = b"" if sheet > 0 else None
        elif rec_id == EOF:
            depth -= 1
            if depth == 0 and current:
                drawings.append((sheet, current))
        elif depth == 1 and rec_id == MSODRAWINGGROUP and sheet == 0:
            group += body
        elif depth == 1 and rec_id == MSODRAWING and sheet > 0:
            current += body
        elif depth == 1 and rec_id == CONTINUE and sheet == 0 and last == MSODRAWINGGROUP:
            group += body
        elif depth == 1 and rec_id == CONTINUE and sheet > 0 and last == MSODRAWING:
            current += body
        if rec_id != CONTINUE:
            last = rec_id if depth == 1 or rec_id == BOF else None
    return group, drawings


class Record:
    def __init__(self, pre, rec_id, data, children):
        self.instance, self.version = pre >> 4, pre & 0xF
        self.id, self.data, self.children = rec_id, data, children

    def walk(self):
        yield self
        for c in self.children:
            yield from c.walk()


def parse(data, pos=0, end=None):
    end = len(data) if end is None else end
    out = []
    while pos + 8 <= end:
        pre, rec_id, size = struct.unpack_from("<HHI", data, pos)
        body_end = pos + 8 + size
        if body_end > end:
            raise ValueError("record 0x%04X at %d runs past its container" % (rec_id, pos))
        children = parse(data, pos + 8, body_end) if pre & 0xF == 0xF else []
        out.append(Record(pre, rec_id, data[pos + 8:body_end], children))
        pos = body_end
    if pos != end:
        raise ValueError("%d stray bytes at %d" % (end - pos, pos))
    return out


def opt_store_refs(opt):
    """The store indexes an OPT atom's properties hold (bit 14 set, 15 clear)."""
    refs = []
    for k in range(opt.instance):
        prop, value = struct.unpack_from("<HI", opt.data, 6 * k)
        if prop & 0x4000 and not prop & 0x8000:
            refs.append(value)
    return refs


def check(group, drawings):
    faults = []
    roots = parse(group)
    all_group = [r for root in roots for r in root.walk()]
    dggs = [r for r in all_group if r.id == 0xF006]
    if len(dggs) != 1:
        return ["drawing group has %d Dgg atoms" % len(dggs)]
    spid_max, cidcl, csp_saved, cdg_saved = struct.unpack_from("<IIII", dggs[0].data, 0)
    clusters = [struct.unpack_from("<II", dggs[0].data, 16 + 8 * k) for k in range((len(dggs[0].data) - 16) // 8)]
    if cidcl != len(clusters) + 1:
        faults.append("cidcl %d with %d clusters" % (cidcl, len(clusters)))
    store = [r for r in all_group if r.id == 0xF007]
    refs = [0] * len(store)

    seen, shapes, per_cluster = {}, 0, {}
    for sheet, data in drawings:
        nodes = [r for root in parse(data) for r in root.walk()]
        dgs = [r for r in nodes if r.id == 0xF008]
        sps = [struct.unpack_from("<I", r.data, 0)[0] for r in nodes if r.id == 0xF00A]
        for opt in (r for r in nodes if r.id == 0xF00B):
            for index in opt_store_refs(opt):
                if 1 <= index <= len(store):
                    refs[index - 1] += 1
                else:
                    faults.append("sheet %d: store index %d outside a store of %d" % (sheet, index, len(store)))
        if not dgs:
            if sps:
                faults.append("sheet %d: shapes without a Dg atom" % sheet)
            continue
        dg_id = dgs[0].instance
        csp, spid_cur = struct.unpack_from("<II", dgs[0].data, 0)
        if csp != len(sps):
            faults.append("sheet %d: csp %d with %d shapes" % (sheet, csp, len(sps)))
        if sps and spid_cur < max(sps):
            faults.append("sheet %d: spidCur %d below the largest shape id %d" % (sheet, spid_cur, max(sps)))
        for spid in sps:
            shapes += 1
            if spid in seen:
                faults.append("shape id %d on sheet %d and sheet %d" % (spid, seen[spid], sheet))
            seen[spid] = sheet
            if spid > spid_max:
                faults.append("shape id %d above spidMax %d" % (spid, spid_max))
            k = spid // 1024 - 1
            if not 0 <= k < len(clusters) or clusters[k][0] != dg_id:
                faults.append("shape id %d of drawing %d outside its clusters" % (spid, dg_id))
            else:
                per_cluster[k] = max(per_cluster.get(k, 0), spid % 1024 + 1)
    for k, used in per_cluster.items():
        if clusters[k][1] < used:
            faults.append("cluster %d counts %d used ids, id %d is used" % (k, clusters[k][1], used - 1))
    if cdg_saved != len([d for d in drawings if any(r.id == 0xF008 for root in parse(d[1]) for r in root.walk())]):
        faults.append("cdgSaved %d with %d drawings" % (cdg_saved, len(drawings)))
    if csp_saved != shapes:
        faults.append("cspSaved %d with %d shapes" % (csp_saved, shapes))
    for k, bse in enumerate(store):
        c_ref = struct.unpack_from("<I", bse.data, 24)[0]
        if c_ref != refs[k]:
            faults.append("picture %d: reference count %d, %d references" % (k + 1, c_ref, refs[k]))
    return faults


def dump(title, data):
    print(title)

    def show(recs, depth):
        for r in recs:
            head = "%s%04X inst %d ver %d size %d" % ("  " * depth, r.id, r.instance, r.version, len(r.data))
            print(head if r.children or r.id == 0xF007 else head + " " + r.data[:24].hex(" "))
            show(r.children, depth + 1)

    show(parse(data), 1)


def main(argv):
    checking = argv[:1] == ["--check"]
    argv = argv[1:] if checking else argv
    if len(argv) != 1:
        print("usage: xlrd_escher.py [--check] FILE.xls", file=sys.stderr)
        return 2
    with open(argv[0], "rb") as f:
        group, drawings = drawing_data(workbook_stream(f.read()))
    if checking:
        faults = check(group, drawings) if group else ([] if not drawings else ["drawings without a group"])
        print("\n".join(faults) if faults else "ok")
        return 1 if faults else 0
    dump("group", group)
    for sheet, data in drawings:
        dump("sheet %d" % sheet, data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
