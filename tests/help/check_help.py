#!/usr/bin/env python3
"""Checks Velmira's help: the GBK sources in help/, both sets of pages made from them, and, if
given, a compiled qj.chm and the sets staged in a build folder.

    python3 tests/help/check_help.py                 # the sources only
    python3 tests/help/check_help.py build/win32/qj.chm \
        --staged Windows build/native/help --staged Linux build/native/help-linux

Sources: every page, the contents (.hhc) and the index (.hhk) decode as GB2312 (a subset of GBK
that means the same in every GBK decoder), declare charset=gb2312, and every file named in the
project, the contents, the index or a link exists; every page is in the project and the
contents. Two sets of pages: the Windows program's (help/) and the Linux program's (help/ with
the pages of help/linux/ in place of those of the same name). In each set every link resolves,
every page can be reached from default.htm (the Linux program's browser has no contents pane),
and no page names what only the other program has. A staged set is the set byte for byte, the
version filled in. The compiled file: its directory (read with the standard library, no CHM tool
needed) holds every page, and #SYSTEM carries the Chinese locale 0x804, the title "Velmira 帮助",
the default topic default.htm and the contents and index.
Prints "N passed, N failed" and exits with 1 when something failed.
"""

import argparse
import os
import re
import struct
import sys

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "help")
# Each set: the folder whose pages replace those of help/, and words only the other program has.
SETS = {
    "Windows": (None, ["velmira.ini", "XDG_", "/usr/share/velmira", ".local/share"]),
    "Linux": (os.path.join(HERE, "linux"),
              ["velmira.exe", "qj.chm", "Wine", "No MIDI output devices", "LOCALAPPDATA"]),
}
TITLE = "Velmira 帮助"
REQUIRED_PAGES = ["default.htm", "switch.htm", "keyboard.htm", "shift.htm", "keysig.htm",
                  "instruments.htm", "bars.htm", "bass.htm", "esc.htm", "record.htm",
                  "files.htm", "export.htm", "menus.htm", "trouble.htm", "about.htm",
                  "devices.htm", "program.htm", "recovery.htm", "metronome.htm", "score.htm",
                  "jianpu.htm", "learn.htm"]
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


def read_text(name, folder=HERE):
    data = open(os.path.join(folder, name), "rb").read()
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
    pages = [name for name in files if name.endswith(".htm")]
    for name in sorted(os.listdir(HERE)):
        if re.search(r"\.(htm|html|css)$", name):
            check(name in files, "qj.hhp lists " + name)
    for sitemap in (options.get("Contents file"), options.get("Index file")):
        check(sitemap is not None and os.path.isfile(os.path.join(HERE, sitemap)),
              "sitemap exists: %s" % sitemap)
        if not sitemap:
            continue
        text = read_text(sitemap)
        check(META in text, sitemap + " declares charset=gb2312")
        targets = re.findall(r'name="Local" value="([^"#]+)', text)
        for target in targets:
            check(target in files, "%s points to a page of the project: %s" % (sitemap, target))
        if sitemap == options.get("Contents file"):
            for page in pages:
                check(page in targets, "the contents list " + page)
    for set_name, (overlay, foreign) in SETS.items():
        check_set(set_name, overlay, foreign, files, pages)
    return files


def set_folder(overlay, name):
    """The folder a set takes a file from: the overlay's page of that name, else help/'s."""
    return overlay if overlay and os.path.isfile(os.path.join(overlay, name)) else HERE


def check_set(set_name, overlay, foreign, files, pages):
    if overlay:
        for name in sorted(os.listdir(overlay)):
            check(name in pages, "%s page %s replaces a page of qj.hhp" % (set_name, name))
    links = {}
    for name in pages:
        text = read_text(name, set_folder(overlay, name))
        check(text.count(META) == 1 and text.index(META) < text.index("<title>"),
              "%s %s declares charset=gb2312 before its title" % (set_name, name))
        links[name] = re.findall(r'(?:href|src)="([^"#:]+)', text)
        for target in links[name]:
            check(target in files, "%s %s links to a file of the project: %s" % (set_name, name, target))
        for word in foreign:
            check(word not in text, "%s %s does not name %s" % (set_name, name, word))
    reached, todo = set(), ["default.htm"]
    while todo:
        name = todo.pop()
        if name not in reached:
            reached.add(name)
            todo += [t for t in links.get(name, []) if t in links]
    for name in pages:
        check(name in reached, "%s: default.htm leads to %s" % (set_name, name))


def check_staged(set_name, folder, files):
    """The staged copy: every file of the set, byte for byte, @PROJECT_VERSION@ filled in."""
    overlay = SETS[set_name][0]
    for name in files + ["qj.hhp"]:
        source = open(os.path.join(set_folder(overlay, name), name), "rb").read()
        pattern = rb"[0-9][0-9A-Za-z.+~]*".join(re.escape(p) for p in source.split(b"@PROJECT_VERSION@"))
        path = os.path.join(folder, name)
        staged = open(path, "rb").read() if os.path.isfile(path) else b""
        check(re.fullmatch(pattern, staged, re.S) is not None,
              "%s holds the %s set's %s" % (folder, set_name, name))


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
    parser = argparse.ArgumentParser()
    parser.add_argument("chm", nargs="*", help="a compiled qj.chm")
    parser.add_argument("--staged", nargs=2, action="append", default=[],
                        metavar=("SET", "FOLDER"), help="a set (Windows or Linux) staged by CMake")
    arguments = parser.parse_args()
    files = check_sources()
    options, _ = project()
    sitemaps = [options.get("Contents file"), options.get("Index file")]
    for set_name, folder in arguments.staged:
        check_staged(set_name, folder, files + [s for s in sitemaps if s])
    for path in arguments.chm:
        check_chm(path)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
