#!/usr/bin/python3
"""The real vx as a package installs it and as the session starts it at login: installed into a
prefix, it keeps its data in the user's data folder and plays its sounds from share/vornix;
started with --hidden it refreshes from the tray without showing the window.
Usage: installed.py build-folder"""

import os
import signal
import subprocess
import sys
import tempfile

from endtoend import Server, main_window_id, tray_holds_vornix, wait_until
from vxrun import check, double_click_icon, ended, folder, out, run, shown, start


def playing(path):
    """Whether the sound server is playing that file now."""
    return f'media.filename = "{path}"' in out("pactl", "list", "sink-inputs")


def installed(build):
    root = tempfile.mkdtemp(prefix="vx-installed-")
    prefix, home = os.path.join(root, "usr"), os.path.join(root, "home")
    os.mkdir(home)
    subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True,
                   stdout=subprocess.DEVNULL)
    env = {"HOME": home, "XDG_DATA_HOME": "", "XDG_CONFIG_HOME": ""}
    process = start(root, env, [os.path.join(prefix, "bin", "vx")])
    shown(process)
    data = os.path.join(home, ".local", "share", "Vornix")
    check(os.path.isfile(os.path.join(data, "html", "null.txt")), "no data folder in the home")
    # The side panel's site is out of reach in the tests: the shipped page is shown, and its
    # sound comes from where the package put it.
    sound = os.path.join(prefix, "share", "vornix", "sounds", "zenshow.wav")
    wait_until("the shipped sound to play", lambda: playing(sound), timeout=20)
    process.send_signal(signal.SIGTERM)
    ended(process)
    check(os.path.isfile(os.path.join(data, "vx.ini")), "the window's state was not saved")
    check(os.listdir(os.path.join(prefix, "bin")) == ["vx"], "vx wrote beside itself")
    subprocess.run(["rm", "-rf", root])


def hidden(vx):
    server = Server()
    try:
        path = folder(vx)
        base = f"http://127.0.0.1:{server.server_address[1]}"
        with open(os.path.join(path, "vxs.ini"), "ab") as f:
            f.write(f"[item_1]\r\ntitle=Site A\r\n10_name=All\r\n10_url={base}/a/rss.xml\r\n"
                    .encode("cp1251"))
        with open(os.path.join(path, "vx.ini"), "wb") as f:
            f.write(b"[Form1]\r\nTForm1_Form1_TLabel_lti_Caption=1\r\n")
        process = start(path, {"no_proxy": "127.0.0.1"}, ["./vx", "--hidden"])
        wait_until("the first refresh", lambda: "/a/rss.xml" in server.requests)
        wait_until("the icon in the tray", tray_holds_vornix)
        check(main_window_id(process.pid) is None, "the window showed")
        double_click_icon()
        shown(process)
        process.send_signal(signal.SIGTERM)
        ended(process)
    finally:
        server.shutdown()


if __name__ == "__main__":
    build = os.path.abspath(sys.argv[1])
    results = [run("installed", installed, build),
               run("hidden", hidden, os.path.join(build, "vx"))]
    sys.exit(0 if all(results) else 1)
