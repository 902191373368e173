#!/usr/bin/python3
"""The real vx installed into a prefix and started with --hidden, as at login: it waits in the
tray without showing the window, keeps its data in the user's data folder and plays its sounds
from share/vornix. Usage: installed.py build-folder"""

import os
import subprocess
import sys

from vxrun import (check, close, double_click_icon, main, out, run, scratch, shown, start,
                   tray_icon, wait_until, window_id)


def loaded(process, *libraries):
    with open(f"/proc/{process.pid}/maps", encoding="utf-8") as maps:
        text = maps.read()
    return any(f"/{library}.so" in text for library in libraries)


def installed(build):
    root = scratch()
    prefix, home = os.path.join(root, "usr"), os.path.join(root, "home")
    os.mkdir(home)
    subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True,
                   stdout=subprocess.DEVNULL)
    env = {"HOME": home, "XDG_DATA_HOME": "", "XDG_CONFIG_HOME": ""}
    process = start(root, env=env, command=[os.path.join(prefix, "bin", "vx"), "--hidden"])
    wait_until("the icon in the tray", tray_icon)
    check(window_id(process.pid) is None, "the window showed")
    # Nothing downloaded yet, so libcurl and its TLS have not been opened.
    check(not loaded(process, "libcurl"), "libcurl opened at start")
    double_click_icon()
    shown(process)
    data = os.path.join(home, ".local", "share", "Vornix")
    check(os.path.isfile(os.path.join(data, "html", "null.txt")), "no data folder in the home")
    # The side panel's site is out of reach in the tests: the shipped page is shown, and its
    # sound comes from where the package put it.
    sound = os.path.join(prefix, "share", "vornix", "sounds", "zenshow.wav")
    wait_until("the shipped sound to play",
               lambda: f'media.filename = "{sound}"' in out("pactl", "list", "sink-inputs"),
               timeout=20)
    check(loaded(process, "libcurl") and loaded(process, "libcanberra"),
          "libcurl or libcanberra not opened once used")
    close(process, by_signal=True)
    check(os.path.isfile(os.path.join(data, "vx.ini")), "the window's state was not saved")
    check(os.listdir(os.path.join(prefix, "bin")) == ["vx"], "vx wrote beside itself")


main(run("installed", installed, os.path.abspath(sys.argv[1])))
