#!/usr/bin/python3
"""One vx per data folder, with or without a session bus: a second start steps aside with status
0 and brings the first forward; a killed vx, even one killed while it took the lock or removed a
stale one, does not block the next. Usage: instance.py vx"""

import os
import signal
import sys

from vxrun import check, close, double_click_icon, ended, folder, main, run, shown, start

NO_BUS = {"DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent/vornix-bus"}


def second(path, env=None):  # must step aside at once, with status 0
    return ended(start(path, env=env), timeout=10)


def one_per_folder(vx, env=None):
    path = folder(vx)
    lock = os.path.join(path, "vx.lock")
    # A bus or none, the same lock code meets what killed starts leave: tried once, where the lock
    # alone guards the folder. One killed while it removes a stale lock leaves the first, one
    # killed while it takes its own the other.
    for leftover in (lock + ".rmlock", lock) if env else ():
        killed = start(path, env=env)
        shown(killed)
        killed.kill()
        killed.wait()
        open(leftover, "w").close()
    first = start(path, env=env)
    shown(first)
    check(os.path.exists(lock), "no lock file guards the folder")
    other = start(folder(vx), env=env)  # another folder runs beside it
    shown(other)
    close(other)
    if not env:  # over the bus: a window in the tray comes back; a hung first is named
        double_click_icon()
        shown(first, False)
        second(path)
        shown(first)
        first.send_signal(signal.SIGSTOP)  # should the check fail, SIGKILL ends it all the same
        check("does not answer" in second(path), "a start that found a hung vx said nothing")
        first.send_signal(signal.SIGCONT)
    # A visible first is simply raised; a first without a bus is found from a start with one too.
    for second_env in ((env, None) if env else (None,)):
        check("already running" in second(path, second_env) or not env, "no reason given")
    close(first)
    check(not os.path.exists(lock), "the lock file outlived a clean exit")


vx = os.path.abspath(sys.argv[1])
main(run("instance", one_per_folder, vx),
     run("instance without a session bus", one_per_folder, vx, NO_BUS))
