#!/usr/bin/python3
"""Installs the build into a temporary prefix, as a package does: every file in its place, icons
of their folders' sizes, menu entry and software centre metadata valid and naming what is there.
Usage: installtree.py path/to/cmake path/to/build version"""

import configparser
import os
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


def file_problems(prefix):
    missing = [f"{p} is missing" for p in EXPECTED if not os.path.isfile(f"{prefix}/{p}")]
    yield from missing
    if missing:
        return
    if not os.access(f"{prefix}/bin/vx", os.X_OK):
        yield "bin/vx is not executable"
    for name in set(os.listdir(f"{prefix}/share/vornix/sounds")) - SOUNDS:
        yield f"share/vornix/sounds/{name} is not one of the event sounds"
    for path, n in ICONS.items():
        with open(f"{prefix}/{path}", "rb") as f:
            head = f.read(24)
        png = head[:8] == b"\x89PNG\r\n\x1a\n" and head[12:16] == b"IHDR"
        if (size := struct.unpack(">II", head[16:24]) if png else "not a PNG") != (n, n):
            yield f"the {n}x{n} icon is {size}"


def entry_problems(prefix, version):
    status, report = run("desktop-file-validate", f"{prefix}/{DESKTOP}")
    complaints = [line for line in report.splitlines() if "hint:" not in line]  # hints: advice
    yield from (f"desktop-file-validate: {line}" for line in complaints)
    if status != 0 and not complaints:
        yield f"desktop-file-validate ended with status {status}"
    entry = configparser.RawConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(f"{prefix}/{DESKTOP}", encoding="utf-8")
    exec_, icon = entry["Desktop Entry"].get("Exec", ""), entry["Desktop Entry"].get("Icon")
    if not os.path.isfile(f"{prefix}/bin/{exec_.split(' ')[0]}"):
        yield f"Exec={exec_} is not an installed program"
    if icon != "vornix":
        yield f"Icon={icon} is not the installed icon"
    # --strict fails every issue above pedantic; validate-tree also checks that the launchable
    # desktop entry is installed beside the metadata.
    for command in ("validate", f"{prefix}/{METAINFO}"), ("validate-tree", prefix):
        status, report = run("appstreamcli", command[0], "--no-net", "--strict", command[1])
        if status != 0:
            yield f"appstreamcli {command[0]} failed:\n{report}"
    component = ET.parse(f"{prefix}/{METAINFO}").getroot()
    if (launchable := component.findtext("launchable[@type='desktop-id']")) != "vornix.desktop":
        yield f"the metadata launches {launchable!r}"
    newest = [r.get("version") for r in component.iterfind("releases/release")][:1]
    if newest != [version]:
        yield f"the newest release in the metadata is {newest}, not {version}"
    shots = [i.text.rsplit("/", 1)[-1] for i in component.iterfind("screenshots/screenshot/image")]
    if not shots:
        yield "the metadata names no screenshot"
    source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    yield from (f"docs/screenshots/{s} named in the metadata is not in the repository"
                for s in shots if not os.path.isfile(f"{source}/docs/screenshots/{s}"))


def main(cmake, build, version):
    with tempfile.TemporaryDirectory(prefix="vx-install-") as prefix:
        status, report = run(cmake, "--install", build, "--prefix", prefix)
        problems = ([f"cmake --install failed:\n{report}"] if status else
                    list(file_problems(prefix)) or list(entry_problems(prefix, version)))
    for problem in problems:
        print(f"installtree: {problem}", file=sys.stderr)
    if not problems:
        print(f"installtree: {len(EXPECTED)} files installed; entry and metadata valid")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
