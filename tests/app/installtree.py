#!/usr/bin/python3
"""Installs the build into a temporary prefix, as a package does: every file in its place, icons
of their folders' sizes, menu entry and software centre metadata valid and naming what is there.
Usage: installtree.py path/to/cmake path/to/build version"""

import configparser
import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

SOUNDS = {f"{s}.wav" for s in ("add", "del", "error", "itemempty", "itemfail", "itemok",
                               "noconnect", "update", "warning", "zenshow")}
ICONS = {f"share/icons/hicolor/{n}x{n}/apps/vornix.png": n for n in (16, 24, 32, 48, 64, 128, 256)}
DESKTOP = "share/applications/vornix.desktop"
METAINFO = "share/metainfo/org.vornix.Vornix.metainfo.xml"
EXPECTED = (["bin/vx", "share/vornix/defaultvx.html", DESKTOP, METAINFO,
             "share/icons/hicolor/scalable/apps/vornix.svg"]
            + [f"share/vornix/sounds/{s}" for s in sorted(SOUNDS)] + list(ICONS))


def run(*command):
    done = subprocess.run(command, capture_output=True, text=True)
    return done.returncode, (done.stdout + done.stderr).strip()


def problems(prefix, version):
    if missing := [f"{p} is missing" for p in EXPECTED if not os.path.isfile(f"{prefix}/{p}")]:
        yield from missing
        return
    if not os.access(f"{prefix}/bin/vx", os.X_OK):
        yield "bin/vx is not executable"
    for name in set(os.listdir(f"{prefix}/share/vornix/sounds")) - SOUNDS:
        yield f"share/vornix/sounds/{name} is not one of the event sounds"
    for path, n in ICONS.items():
        head = pathlib.Path(prefix, path).read_bytes()[:24]
        png = head[:8] == b"\x89PNG\r\n\x1a\n" and head[12:16] == b"IHDR"
        if (size := struct.unpack(">II", head[16:24]) if png else "not a PNG") != (n, n):
            yield f"the {n}x{n} icon is {size}"
    # Errors and warnings fail; hints, infos and pedantic notes are advice. validate-tree checks
    # the metadata and that the desktop entry it launches is installed beside it.
    for command in (("desktop-file-validate", f"{prefix}/{DESKTOP}"),
                    ("appstreamcli", "validate-tree", "--no-net", prefix)):
        status, report = run(*command)
        if status != 0 or any(w in report for w in ("error:", "warning:")):
            yield f"{' '.join(command[:2])} failed:\n{report}"
    # What no validator knows: the entry names what is installed, the metadata this release.
    entry = configparser.RawConfigParser(interpolation=None)
    entry.read(f"{prefix}/{DESKTOP}", encoding="utf-8")
    if (entry["Desktop Entry"]["exec"], entry["Desktop Entry"]["icon"]) != ("vx", "vornix"):
        yield "the menu entry names another program or icon than the installed ones"
    component = ET.parse(f"{prefix}/{METAINFO}").getroot()
    if (newest := component.find("releases/release").get("version")) != version:
        yield f"the newest release in the metadata is {newest}, not {version}"
    source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    images = [i.text for i in component.iterfind("screenshots/screenshot/image")]
    if not images:
        yield "the metadata names no screenshot"
    yield from (f"{i} named in the metadata is not in docs/screenshots" for i in images
                if not os.path.isfile(f"{source}/docs/screenshots/{i.rsplit('/', 1)[-1]}"))


def main(cmake, build, version):
    with tempfile.TemporaryDirectory(prefix="vx-install-") as prefix:
        status, report = run(cmake, "--install", build, "--prefix", prefix)
        found = ([f"cmake --install failed:\n{report}"] if status else
                 list(problems(prefix, version)))
    for problem in found or [f"{len(EXPECTED)} files installed; entry and metadata valid"]:
        print(f"installtree: {problem}", file=sys.stderr if found else sys.stdout)
    return 1 if found else 0


sys.exit(main(*sys.argv[1:4]))
