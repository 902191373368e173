#!/usr/bin/python3
"""One vx per data folder, with or without a session bus: a second start steps aside with status
0 and brings the first forward; a killed vx, even one killed while it took the lock or removed a
stale one, does not block the next. Usage: instance.py vx"""

import os
import signal
import subprocess
import sys

from vxrun import check, double_click_icon, ended, folder, run, shown, start

NO_BUS = {"DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent/vornix-bus"}


def second(path, env=None):
    """A start that must step aside at once, with status 0; what it said."""
    process = start(path, env)
    ended(process, timeout=10)
    process.output.seek(0)
    return process.output.read()


def close(process, window):
    subprocess.run(["wmctrl", "-i", "-c", window], check=True)
    ended(process)


def one_per_folder(vx, env=None):
    path = folder(vx)
    lock = os.path.join(path, "vx.lock")
    for leftover in (lock + ".rmlock", lock):  # as a start killed while it removes a stale
        killed = start(path, env)                # lock leaves the first, taking its own the other
        shown(killed)
        killed.kill()
        killed.wait()
        open(leftover, "w").close()
    first = start(path, env)
    window = shown(first)
    check(os.path.exists(lock), "no lock file guards the folder")
    other = start(folder(vx), env)  # another folder runs beside it
    close(other, shown(other))
    if not env:  # over the bus: a window in the tray comes back; a hung first is named
        double_click_icon()
        shown(first, False)
        second(path)
        window = shown(first)
        first.send_signal(signal.SIGSTOP)
        try:
            check("does not answer" in second(path), "a start that found a hung vx said nothing")
        finally:
            first.send_signal(signal.SIGCONT)
    # A visible first is simply raised; a first without a bus is found from a start with one too.
    for second_env in ((env, None) if env else (None,)):
        check("already running" in second(path, second_env) or not env, "no reason given")
    close(first, window)
    check(not os.path.exists(lock), "the lock file outlived a clean exit")


if __name__ == "__main__":
    vx = os.path.abspath(sys.argv[1])
    passed = [run("instance", one_per_folder, vx),
              run("instance without a session bus", one_per_folder, vx, NO_BUS)]
    sys.exit(0 if all(passed) else 1)
