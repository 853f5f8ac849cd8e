#!/usr/bin/env python3
"""Checks Velmira's help: the GBK sources in this folder and, if given, a compiled qj.chm.

    python3 help/check_help.py                 # the sources only
    python3 help/check_help.py build/win32/qj.chm

Sources: every page, the contents (.hhc) and the index (.hhk) decode as GB2312 (a subset of GBK
that means the same in every GBK decoder), declare charset=gb2312, and every file named in the
project, the contents, the index or a link exists. The compiled file: its directory (read with
the standard library, no CHM tool needed) holds every page, and #SYSTEM carries the Chinese
locale 0x804, the title "Velmira 帮助", the default topic default.htm and the contents and index.
Prints "N passed, N failed" and exits with 1 when something failed.
"""

import os
import re
import struct
import sys

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "help")
TITLE = "Velmira 帮助"
REQUIRED_PAGES = ["default.htm", "switch.htm", "keyboard.htm", "shift.htm", "keysig.htm",
                  "instruments.htm", "bars.htm", "bass.htm", "esc.htm", "record.htm",
                  "files.htm", "export.htm", "menus.htm", "trouble.htm", "about.htm"]
META = '<meta http-equiv="Content-Type" content="text/html; charset=gb2312">'

passed = 0
failed = 0


def check(condition, what):
    global passed, failed
    if condition:
        passed += 1
    else:
        failed += 1
        print("FAILED: " + what)


def read_text(name):
    data = open(os.path.join(HERE, name), "rb").read()
    try:
        text = data.decode("gb2312")
    except UnicodeDecodeError as e:
        check(False, "%s is not GB2312 text: %s" % (name, e))
        return data.decode("gbk", "replace")
    check(text.encode("gbk") == data, "%s reads the same as GBK and GB2312" % name)
    return text


def project():
    text = read_text("qj.hhp")
    sections = {}
    current = None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = line[1:-1]
            sections[current] = []
        elif line and current:
            sections[current].append(line)
    options = dict(l.split("=", 1) for l in sections.get("OPTIONS", []) if "=" in l)
    return options, sections.get("FILES", [])


def check_sources():
    options, files = project()
    check(options.get("Default topic") == "default.htm", "qj.hhp: Default topic=default.htm")
    check(options.get("Title") == TITLE, "qj.hhp: Title=" + TITLE)
    check(options.get("Language", "").split()[0].lower() == "0x804", "qj.hhp: Language=0x804")
    check(options.get("Compiled file") == "qj.chm", "qj.hhp: Compiled file=qj.chm")
    for page in REQUIRED_PAGES:
        check(page in files, "qj.hhp lists " + page)
    for name in files:
        check(os.path.isfile(os.path.join(HERE, name)), "file of qj.hhp exists: " + name)
    for sitemap in (options.get("Contents file"), options.get("Index file")):
        check(sitemap is not None and os.path.isfile(os.path.join(HERE, sitemap)),
              "sitemap exists: %s" % sitemap)
        if not sitemap:
            continue
        text = read_text(sitemap)
        check(META in text, sitemap + " declares charset=gb2312")
        for target in re.findall(r'name="Local" value="([^"#]+)', text):
            check(target in files, "%s points to a page of the project: %s" % (sitemap, target))
    for name in files:
        if not name.endswith(".htm"):
            continue
        text = read_text(name)
        check(text.count(META) == 1 and text.index(META) < text.index("<title>"),
              name + " declares charset=gb2312 before its title")
        for target in re.findall(r'(?:href|src)="([^"#:]+)', text):
            check(target in files, "%s links to a file of the project: %s" % (name, target))


def encint(data, pos):
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, pos


def chm_directory(data):
    """Name -> (section, offset, length) from the ITSF/ITSP directory's PMGL chunks."""
    check(data[:4] == b"ITSF", "the compiled file starts with ITSF")
    version = struct.unpack_from("<I", data, 4)[0]
    dir_offset, dir_length = struct.unpack_from("<QQ", data, 0x48)
    content_offset = struct.unpack_from("<Q", data, 0x58)[0] if version >= 3 else dir_offset + dir_length
    itsp = data[dir_offset:dir_offset + dir_length]
    check(itsp[:4] == b"ITSP", "the directory starts with ITSP")
    header_length, = struct.unpack_from("<I", itsp, 8)
    chunk_size, = struct.unpack_from("<I", itsp, 0x10)
    chunks, = struct.unpack_from("<I", itsp, 0x2C)
    entries = {}
    for i in range(chunks):
        chunk = itsp[header_length + i * chunk_size:header_length + (i + 1) * chunk_size]
        if chunk[:4] != b"PMGL":
            continue
        free, = struct.unpack_from("<I", chunk, 4)
        pos, end = 20, chunk_size - free
        while pos < end:
            length, pos = encint(chunk, pos)
            name = chunk[pos:pos + length].decode("utf-8")
            pos += length
            section, pos = encint(chunk, pos)
            offset, pos = encint(chunk, pos)
            size, pos = encint(chunk, pos)
            entries[name] = (section, content_offset + offset, size)
    return entries


def check_chm(path):
    data = open(path, "rb").read()
    entries = chm_directory(data)
    for page in REQUIRED_PAGES + ["style.css", "toc.hhc", "index.hhk"]:
        check("/" + page in entries, "%s holds %s" % (path, page))
    entry = entries.get("/#SYSTEM")
    check(entry is not None and entry[0] == 0, "#SYSTEM is stored uncompressed")
    if entry is None or entry[0] != 0:
        return
    system = data[entry[1]:entry[1] + entry[2]]
    records = {}
    pos = 4
    while pos + 4 <= len(system):
        code, length = struct.unpack_from("<HH", system, pos)
        records[code] = system[pos + 4:pos + 4 + length]
        pos += 4 + length

    def text(code):
        return records.get(code, b"").split(b"\0")[0].decode("gbk", "replace")

    check(text(2) == "default.htm", "#SYSTEM: default topic default.htm (%s)" % text(2))
    check(text(3) == TITLE, "#SYSTEM: title %s in GBK (%s)" % (TITLE, text(3)))
    check(text(0) == "toc.hhc", "#SYSTEM: contents toc.hhc")
    check(text(1) == "index.hhk", "#SYSTEM: index index.hhk")
    lcid = struct.unpack_from("<I", records.get(4, b"\0" * 4), 0)[0]
    check(lcid == 0x804, "#SYSTEM: locale 0x804 (%#x)" % lcid)


def main():
    check_sources()
    for path in sys.argv[1:]:
        check_chm(path)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
