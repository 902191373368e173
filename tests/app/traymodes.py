#!/usr/bin/python3
"""The real vx's window with an XEmbed tray, a StatusNotifierItem host and no tray (then one that
comes and goes), each in a session of its own. Usage: traymodes.py vx with-desktop"""

import os
import pathlib
import subprocess
import sys
import time

from vxrun import (check, close, double_click_icon, folder, main, out, run, shown, start,
                   tray_icon, wait_until, window_id)


def tool_window(window):
    return "_NET_WM_WINDOW_TYPE_UTILITY" in out("xprop", "-id", window, "_NET_WM_WINDOW_TYPE")


def xembed(process, window):
    time.sleep(3)  # a show drops the minimised states the window manager echoes while it lasts
    subprocess.run(["xdotool", "windowminimize", window], check=True)
    shown(process, False)
    double_click_icon()
    shown(process)


def sni(process, window):
    log = pathlib.Path(os.environ["VORNIX_SESSION_LOGS"], "sni-items.log")
    service, path = wait_until("an item registered", lambda: log.read_text().split()[:2])
    for visible in (False, True):  # what a host does on a click: the one gesture there is
        subprocess.run(["gdbus", "call", "--session", "-d", service, "-o",
                        path if path.startswith("/") else "/StatusNotifierItem", "-m",
                        "org.kde.StatusNotifierItem.Activate", "0", "0"], check=True)
        shown(process, visible)


def no_tray(process, window):
    place = out("xdotool", "getwindowgeometry", window).split("\n", 1)[1]
    subprocess.run(["xdotool", "windowminimize", window], check=True)
    time.sleep(1)
    check("Iconic" in out("xprop", "-id", window, "WM_STATE"), "minimising withdrew the window")
    tray = start(None, command=["trayer", "--edge", "bottom", "--align", "right"])
    wait_until("the icon in a tray that came", tray_icon, timeout=20)
    shown(process, False)  # a minimised window goes to the tray
    tray.terminate()
    window = wait_until("the window back when the tray went", lambda: window_id(process.pid),
                        timeout=20)
    check(not tool_window(window), "the window is a tool window again without a tray")
    now = out("xdotool", "getwindowgeometry", window).split("\n", 1)[1]
    check(now == place, f"the window moved from {place!r} to {now!r}")


SESSIONS = {"xembed": ([], xembed), "sni": (["--sni-host"], sni), "none": (["--no-tray"], no_tray)}


def inside(mode, vx):
    process = start(folder(vx))
    window = shown(process)
    check(tool_window(window) == (mode != "none"), "a tool window only with a tray, expected")
    SESSIONS[mode][1](process, window)
    close(process, by_signal=True)


if sys.argv[1] == "--inside":
    main(run(f"traymodes {sys.argv[2]}", inside, *sys.argv[2:]))
main(*[subprocess.run([sys.argv[2], *options, sys.executable, os.path.abspath(__file__),
                       "--inside", mode, os.path.abspath(sys.argv[1])]).returncode == 0
       for mode, (options, _) in SESSIONS.items()])
