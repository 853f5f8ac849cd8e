#!/usr/bin/env python3
"""The Debian package of the Linux program: built by packaging/make_deb.sh from the native
build, its control fields and file list, lintian without errors, the program unpacked from it
answering --version, and the version in its changelog, man page and About page.

    check_deb.py WORK_FOLDER VERSION       (VERSION: project()'s in CMakeLists.txt)"""
import gzip
import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SKIP = 77
EXPECTED_FILES = [
    "./usr/bin/velmira",
    "./usr/share/applications/velmira.desktop",
    "./usr/share/mime/packages/velmira.xml",
    "./usr/share/icons/hicolor/48x48/apps/velmira.png",
    "./usr/share/man/man1/velmira.1.gz",
    "./usr/share/doc/velmira/copyright",
    "./usr/share/velmira/help/default.htm",
    "./usr/share/velmira/help/pedal.htm",
    "./usr/share/velmira/demo.qji",
    "./usr/share/velmira/songs/twinkle.txt",
]


def run(*args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=600, **kwargs)


def main():
    work, version = sys.argv[1:3]
    missing = [t for t in ("dpkg-deb", "dpkg-shlibdeps", "lintian", "convert") if not shutil.which(t)]
    if missing or not os.path.exists(os.path.join(ROOT, "build/native/velmira")):
        print("SKIP: %s" % (", ".join(missing) or "build/native/velmira not built"))
        ci = os.environ.get("CI", "").lower() in ("1", "true", "yes")
        return 1 if ci else SKIP
    problems = []
    built = run(os.path.join(ROOT, "packaging/make_deb.sh"), work)
    if built.returncode != 0:
        print(built.stdout, built.stderr)
        return 1
    deb = built.stdout.split("package: ", 1)[1].strip()
    if os.path.basename(deb) != "velmira_%s-1_amd64.deb" % version:
        problems.append("package named %s" % deb)

    fields = {}
    for line in run("dpkg-deb", "-f", deb).stdout.splitlines():
        if ":" in line and not line.startswith(" "):
            key, value = line.split(":", 1)
            fields[key] = value.strip()
    for key, value in [("Package", "velmira"), ("Version", version + "-1"),
                       ("Architecture", "amd64"), ("Section", "sound")]:
        if fields.get(key) != value:
            problems.append("%s is %r, not %r" % (key, fields.get(key), value))
    depends = fields.get("Depends", "")
    for needed in ("libqt6widgets6", "libfluidsynth3", "qt6-translations-l10n",
                   "fluid-soundfont-gm | timgm6mb-soundfont"):
        if needed not in depends:
            problems.append("Depends lacks %s: %s" % (needed, depends))

    listed = [line.split()[-1] for line in run("dpkg-deb", "-c", deb).stdout.splitlines()]
    problems += ["the package lacks %s" % f for f in EXPECTED_FILES if f not in listed]

    lint = run("lintian", "--tag-display-limit", "0", deb)
    errors = [line for line in lint.stdout.splitlines() if line.startswith("E:")]
    problems += ["lintian: %s" % e for e in errors]

    with tempfile.TemporaryDirectory() as unpacked:
        run("dpkg-deb", "-x", deb, unpacked)
        answer = run(os.path.join(unpacked, "usr/bin/velmira"), "--version")
        if answer.returncode != 0 or answer.stdout.strip() != "velmira " + version:
            problems.append("the unpacked program answers %r (%d)" % (answer.stdout, answer.returncode))
        for path, says in [("usr/share/doc/velmira/changelog.Debian.gz", "velmira (%s-1)" % version),
                           ("usr/share/man/man1/velmira.1.gz", '"Velmira %s"' % version),
                           ("usr/share/velmira/help/about.htm", "<b>Velmira %s</b>" % version)]:
            full = os.path.join(unpacked, path)
            reader = gzip.open if path.endswith(".gz") else open
            text = reader(full, "rt", encoding="utf-8").read() if os.path.isfile(full) else ""
            if says not in text or "@PROJECT_VERSION@" in text:
                problems.append("%s does not say %s" % (path, says))
        desktop = open(os.path.join(unpacked, "usr/share/applications/velmira.desktop"), encoding="utf-8").read()
        if "MimeType=application/x-velmira-performance;" not in desktop or "Exec=velmira %f" not in desktop:
            problems.append("the desktop entry does not open .qji files with the program")

    for p in problems:
        print("FAIL:", p)
    if not problems:
        print("package_deb: %s checked" % os.path.basename(deb))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
