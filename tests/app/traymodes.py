#!/usr/bin/python3
"""Runs the real vx in three desktop sessions, one per kind of tray, and checks what the user
sees of its window: with an XEmbed tray (trayer) the icon is embedded and minimising hides the
window until a double-click on the icon; with a StatusNotifierItem host the item is registered
and its activation toggles the window; with no tray the window is an ordinary one that stays
minimised on the taskbar, goes to a tray that appears and comes back when the tray goes.
Usage: traymodes.py path/to/vx path/to/with-desktop (not itself inside a session)"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from endtoend import Failure, main_window_id, tray_holds_vornix, wait_until

SESSIONS = {"xembed": [], "sni": ["--sni-host"], "none": ["--no-tray"]}


def out(*command):
    return subprocess.run(command, capture_output=True, text=True).stdout


def prop(window, name):
    return out("xprop", "-id", window, name)


def listed(window):
    """On the window manager's client list, as a taskbar reads it."""
    return any(line.split()[0] == window for line in out("wmctrl", "-l").splitlines())


def start_vx(vx):
    folder = tempfile.mkdtemp(prefix="vx-")
    shutil.copy(vx, folder)
    shutil.copytree(os.path.join(os.path.dirname(vx), "sounds"), os.path.join(folder, "sounds"))
    shutil.copy(os.path.join(os.path.dirname(vx), "defaultvx.html"), folder)
    with open(os.path.join(folder, "vxs.ini"), "wb") as f:
        f.write("[item_0]\r\ntitle=Архив\r\n00_name=Архив сообщений\r\n00_url=vx_arhive.xml\r\n"
                .encode("cp1251"))
    env = dict(os.environ)
    env.pop("QT_QPA_PLATFORM", None)  # the real desktop, not the offscreen stand-in
    log = open(os.path.join(folder, "vx.log"), "wb")
    process = subprocess.Popen(["./vx"], cwd=folder, env=env, stdout=log, stderr=subprocess.STDOUT)
    process.folder = folder
    return process


def shown_window(process):
    """The window once it is shown and active: the show is over."""
    window = wait_until("the window to be shown", lambda: main_window_id(process.pid))
    wait_until("the window to be active", lambda: int(out("xdotool", "getactivewindow") or 0),
               int(window, 16))
    return window


def gone(process):
    wait_until("the window to leave the screen", lambda: main_window_id(process.pid), None)


def xembed(process):
    window = shown_window(process)
    if "_NET_WM_WINDOW_TYPE_UTILITY" not in prop(window, "_NET_WM_WINDOW_TYPE"):
        raise Failure("with a tray the window is not a tool window")
    wait_until("the icon in the tray", tray_holds_vornix)
    # A show discards the minimised states the window manager echoes while it
    # lasts; a user's minimise comes later than that.
    time.sleep(3)
    subprocess.run(["xdotool", "windowminimize", window], check=True)
    gone(process)
    panel = out("xdotool", "search", "--classname", "^panel$").split()[0]
    icon = next(line.split()[0] for line in out("xwininfo", "-id", panel, "-tree").splitlines()
                if '"Vornix"' in line)
    subprocess.run(["xdotool", "mousemove", "--window", icon, "5", "5", "click", "--repeat", "2",
                    "--delay", "80", "1"], check=True)
    shown_window(process)


def sni(process):
    items = os.path.join(os.environ["VORNIX_SESSION_LOGS"], "sni-items.log")
    wait_until("an item registered with the watcher", lambda: os.path.exists(items)
               and os.path.getsize(items))
    with open(items) as f:
        service, path = f.readline().split()
    window = shown_window(process)
    if "_NET_WM_WINDOW_TYPE_UTILITY" not in prop(window, "_NET_WM_WINDOW_TYPE"):
        raise Failure("with a tray the window is not a tool window")

    def activate():  # what a host does on a click: the one gesture there is toggles the window
        subprocess.run(["gdbus", "call", "--session", "-d", service, "-o",
                        path if path.startswith("/") else "/StatusNotifierItem", "-m",
                        "org.kde.StatusNotifierItem.Activate", "0", "0"], check=True,
                       stdout=subprocess.DEVNULL)
    activate()
    gone(process)
    activate()
    shown_window(process)


def no_tray(process):
    window = shown_window(process)
    if "_NET_WM_WINDOW_TYPE_UTILITY" in prop(window, "_NET_WM_WINDOW_TYPE"):
        raise Failure("without a tray the window is a tool window")
    place = out("xdotool", "getwindowgeometry", window).split("\n", 1)[1]
    subprocess.run(["xdotool", "windowminimize", window], check=True)
    wait_until("the window minimised", lambda: "_NET_WM_STATE_HIDDEN" in prop(window,
                                                                              "_NET_WM_STATE"))
    time.sleep(1)
    if not listed(window) or "Iconic" not in prop(window, "WM_STATE"):
        raise Failure("minimising without a tray withdrew the window")
    tray = subprocess.Popen(["trayer", "--edge", "bottom", "--align", "right"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_until("the icon in a tray that came", tray_holds_vornix, timeout=20)
        gone(process)  # a minimised window goes to the tray
    finally:
        tray.terminate()
        tray.wait()
    window = wait_until("the window back when the tray went", lambda: main_window_id(process.pid),
                        timeout=20)
    if "_NET_WM_WINDOW_TYPE_UTILITY" in prop(window, "_NET_WM_WINDOW_TYPE"):
        raise Failure("the window is a tool window again without a tray")
    now = out("xdotool", "getwindowgeometry", window).split("\n", 1)[1]
    if now != place:
        raise Failure(f"the window moved from {place!r} to {now!r}")


def inside(mode, vx):
    process = start_vx(vx)
    try:
        {"xembed": xembed, "sni": sni, "none": no_tray}[mode](process)
        process.send_signal(signal.SIGTERM)
        if process.wait(timeout=10) != 0:
            raise Failure(f"vx ended with status {process.returncode}")
        return 0
    except Failure as failure:
        print(f"traymodes {mode}: {failure}", file=sys.stderr)
        with open(os.path.join(process.folder, "vx.log"), "rb") as log:
            print("--- vx's output:", log.read().decode(errors="replace"), sep="\n",
                  file=sys.stderr)
        return 1
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
        shutil.rmtree(process.folder, ignore_errors=True)


def main():
    if sys.argv[1] == "--inside":
        return inside(sys.argv[2], sys.argv[3])
    vx, desktop, failed = os.path.abspath(sys.argv[1]), sys.argv[2], []
    env = dict(os.environ)
    env.pop("QT_QPA_PLATFORM", None)
    for mode, options in SESSIONS.items():
        if subprocess.run([desktop, *options, sys.executable, os.path.abspath(__file__),
                           "--inside", mode, vx], env=env).returncode:
            failed.append(mode)
        else:
            print(f"traymodes {mode}: the window behaved")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
