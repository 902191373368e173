#!/usr/bin/python3
"""Installs the build into a temporary prefix, as a package does, and checks the tree: every
file in its place, the icons of the sizes their folders name, the menu entry and the software
centre's metadata valid and pointing at what was installed.
Usage: installtree.py path/to/cmake path/to/build version"""

import configparser
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

SOUNDS = ["add", "del", "error", "itemempty", "itemfail", "itemok", "noconnect", "update",
          "warning", "zenshow"]
ICON_SIZES = [16, 24, 32, 48, 64, 128, 256]
DESKTOP = "share/applications/vornix.desktop"
METAINFO = "share/metainfo/org.vornix.Vornix.metainfo.xml"
EXPECTED = (["bin/vx", "share/vornix/defaultvx.html", DESKTOP, METAINFO,
             "share/icons/hicolor/scalable/apps/vornix.svg"]
            + [f"share/vornix/sounds/{s}.wav" for s in SOUNDS]
            + [f"share/icons/hicolor/{n}x{n}/apps/vornix.png" for n in ICON_SIZES])


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def run(*command):
    """The command's status and everything it wrote."""
    done = subprocess.run(command, capture_output=True, text=True)
    return done.returncode, (done.stdout + done.stderr).strip()


def check_files(prefix):
    problems = [f"{p} is missing" for p in EXPECTED if not os.path.isfile(os.path.join(prefix, p))]
    if os.path.isfile(os.path.join(prefix, "bin/vx")) and not os.access(
            os.path.join(prefix, "bin/vx"), os.X_OK):
        problems.append("bin/vx is not executable")
    sounds = os.path.join(prefix, "share/vornix/sounds")
    extra = sorted(set(os.listdir(sounds)) - {f"{s}.wav" for s in SOUNDS}) if os.path.isdir(
        sounds) else []
    problems += [f"share/vornix/sounds/{name} is not one of the event sounds" for name in extra]
    for n in ICON_SIZES:
        path = os.path.join(prefix, f"share/icons/hicolor/{n}x{n}/apps/vornix.png")
        if os.path.isfile(path) and png_size(path) != (n, n):
            problems.append(f"the {n}x{n} icon is {png_size(path) or 'not a PNG'}")
    return problems


def check_desktop_entry(prefix):
    path = os.path.join(prefix, DESKTOP)
    status, report = run("desktop-file-validate", path)
    # Hints are advice; an error or a warning fails.
    complaints = [line for line in report.splitlines() if "hint:" not in line]
    problems = [f"desktop-file-validate: {line}" for line in complaints]
    if status != 0 and not complaints:
        problems.append(f"desktop-file-validate ended with status {status}")
    entry = configparser.RawConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(path, encoding="utf-8")
    section = entry["Desktop Entry"]
    # What the menu starts and shows must be what was installed.
    if not os.path.isfile(os.path.join(prefix, "bin", section.get("Exec", "").split(" ")[0])):
        problems.append(f"Exec={section.get('Exec')} is not an installed program")
    if section.get("Icon") != "vornix":
        problems.append(f"Icon={section.get('Icon')} is not the installed icon")
    return problems


def check_metainfo(prefix, version):
    path = os.path.join(prefix, METAINFO)
    problems = []
    # --strict fails every issue above pedantic; validate-tree also checks that the
    # launchable desktop entry it names is installed beside it.
    for command in (["validate", "--no-net", "--strict", path],
                    ["validate-tree", "--no-net", "--strict", prefix]):
        status, report = run("appstreamcli", *command)
        if status != 0:
            problems.append(f"appstreamcli {command[0]} failed:\n{report}")
    component = ET.parse(path).getroot()
    launchable = component.findtext("launchable[@type='desktop-id']")
    if launchable != os.path.basename(DESKTOP):
        problems.append(f"the metadata launches {launchable!r}")
    releases = [r.get("version") for r in component.iterfind("releases/release")]
    if not releases or releases[0] != version:
        problems.append(f"the newest release in the metadata is {releases[:1]}, not {version}")
    shots = [i.text.rsplit("/", 1)[-1] for i in component.iterfind("screenshots/screenshot/image")]
    if not shots:
        problems.append("the metadata names no screenshot")
    source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    problems += [f"docs/screenshots/{s} named in the metadata is not in the repository"
                 for s in shots if not os.path.isfile(os.path.join(source, "docs/screenshots", s))]
    return problems


def main(cmake, build, version):
    prefix = tempfile.mkdtemp(prefix="vx-install-")
    try:
        status, report = run(cmake, "--install", build, "--prefix", prefix)
        if status != 0:
            print(f"installtree: cmake --install failed:\n{report}", file=sys.stderr)
            return 1
        problems = check_files(prefix)
        if not problems:
            problems = check_desktop_entry(prefix) + check_metainfo(prefix, version)
        for problem in problems:
            print(f"installtree: {problem}", file=sys.stderr)
        if not problems:
            print(f"installtree: {len(EXPECTED)} files installed; entry and metadata valid")
        return 1 if problems else 0
    finally:
        shutil.rmtree(prefix, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
