#!/usr/bin/python3
"""The real vx as a package installs it and as the session starts it at login: installed into a
prefix, it keeps its data in the user's data folder and plays its sounds from share/vornix;
started with --hidden it refreshes from the tray without showing the window.
Usage: installed.py build-folder"""

import os
import subprocess
import sys

from vxrun import (Server, check, close, double_click_icon, folder, main, out, put, run, scratch,
                   shown, start, tray_icon, wait_until, window_id)


def installed(build):
    root = scratch()
    prefix, home = os.path.join(root, "usr"), os.path.join(root, "home")
    os.mkdir(home)
    subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True,
                   stdout=subprocess.DEVNULL)
    env = {"HOME": home, "XDG_DATA_HOME": "", "XDG_CONFIG_HOME": ""}
    process = start(root, env=env, command=[os.path.join(prefix, "bin", "vx")])
    shown(process)
    data = os.path.join(home, ".local", "share", "Vornix")
    check(os.path.isfile(os.path.join(data, "html", "null.txt")), "no data folder in the home")
    # The side panel's site is out of reach in the tests: the shipped page is shown, and its
    # sound comes from where the package put it.
    sound = os.path.join(prefix, "share", "vornix", "sounds", "zenshow.wav")
    wait_until("the shipped sound to play",
               lambda: f'media.filename = "{sound}"' in out("pactl", "list", "sink-inputs"),
               timeout=20)
    close(process, by_signal=True)
    check(os.path.isfile(os.path.join(data, "vx.ini")), "the window's state was not saved")
    check(os.listdir(os.path.join(prefix, "bin")) == ["vx"], "vx wrote beside itself")


def hidden(vx):
    server = Server()
    path = folder(vx, server.boards("/a/rss.xml"))
    put(path, "vx.ini", "[Form1]\nTForm1_Form1_TLabel_lti_Caption=1\n")
    process = start(path, "--hidden")
    wait_until("the first refresh", lambda: "/a/rss.xml" in server.requests)
    wait_until("the icon in the tray", tray_icon)
    check(window_id(process.pid) is None, "the window showed")
    double_click_icon()
    shown(process)
    close(process, by_signal=True)


if __name__ == "__main__":
    build = os.path.abspath(sys.argv[1])
    main(run("installed", installed, build), run("hidden", hidden, os.path.join(build, "vx")))
