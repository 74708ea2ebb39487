#!/usr/bin/python3
"""What LibreOffice sees of an .xls workbook's objects: the file is converted
headless (soffice --convert-to xlsx) and the result read back. One line per
sheet:

    <sheet>\tpictures <n>\tcharts <n>\tcomments <n>\tlinks <n>\tfilter <range or ->

A second opinion for development (LibreOffice takes seconds a file), not run
by the test suite: `lo_objects.py FILE.xls`."""

import os
import posixpath
import re
import subprocess
import sys
import tempfile
import zipfile


def rels_of(zf, part):
    """Target paths of a part's relationships, by type suffix."""
    folder, name = posixpath.split(part)
    rels = posixpath.join(folder, "_rels", name + ".rels")
    targets = {}
    if rels not in zf.namelist():
        return targets
    for m in re.finditer(r'<Relationship [^>]*>', zf.read(rels).decode()):
        rel = m.group(0)
        kind = re.search(r'Type="[^"]*/([^"/]*)"', rel).group(1)
        target = re.search(r'Target="([^"]*)"', rel).group(1)
        if re.search(r'TargetMode="External"', rel):
            continue
        targets.setdefault(kind, []).append(posixpath.normpath(posixpath.join(folder, target)))
    return targets


def main(argv):
    if len(argv) != 1:
        print("usage: lo_objects.py FILE.xls", file=sys.stderr)
        return 2
    with tempfile.TemporaryDirectory() as out:
        profile = "file://" + os.path.join(out, "profile")
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to", "xlsx",
                        "--outdir", out, argv[0]], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        name = os.path.splitext(os.path.basename(argv[0]))[0] + ".xlsx"
        zf = zipfile.ZipFile(os.path.join(out, name))
        workbook = zf.read("xl/workbook.xml").decode()
        sheets = rels_of(zf, "xl/workbook.xml").get("worksheet", [])
        ids = re.findall(r'<sheet [^>]*name="([^"]*)"[^>]*r:id="([^"]*)"', workbook)
        wb_rels = zf.read("xl/_rels/workbook.xml.rels").decode()
        for sheet_name, rid in ids:
            target = re.search(r'Id="%s"[^>]*Target="([^"]*)"' % rid, wb_rels) or \
                re.search(r'Target="([^"]*)"[^>]*Id="%s"' % rid, wb_rels)
            part = posixpath.normpath(posixpath.join("xl", target.group(1)))
            if part not in sheets:
                continue
            xml = zf.read(part).decode()
            rels = rels_of(zf, part)
            pictures = charts = comments = 0
            for drawing in rels.get("drawing", []):
                d = zf.read(drawing).decode()
                pictures += len(re.findall(r"<xdr:pic>", d))
                charts += len(re.findall(r"<c:chart ", d))
            for c in rels.get("comments", []):
                comments += len(re.findall(r"<comment ", zf.read(c).decode()))
            links = len(re.findall(r"<hyperlink ", xml))
            f = re.search(r'<autoFilter ref="([^"]*)"', xml)
            print("%s\tpictures %d\tcharts %d\tcomments %d\tlinks %d\tfilter %s" % (
                sheet_name, pictures, charts, comments, links, f.group(1) if f else "-"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
