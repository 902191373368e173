#!/usr/bin/python3
"""One vx per data folder, with or without a session bus: a second start steps aside with status
0 and brings the first forward; a killed vx, even one killed while it took the lock or removed a
stale one, does not block the next. An OPML import from the command line is done by the running
one, whose tabs follow, or by the command itself when none runs. Usage: instance.py vx"""

import os
import pathlib
import signal
import sys

from vxrun import Window, check, close, double_click_icon, ended, folder, main, run, shown, start

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


OPML = """<?xml version="1.0" encoding="UTF-8"?>
<opml version="2.0"><head><title>Moved</title></head><body>
<outline text="Фриланс"><outline type="rss" text="Все проекты" xmlUrl="http://127.0.0.1:1/all"/>
</outline></body></opml>
"""


def opml(vx, running):
    path = folder(vx)
    catalogue = pathlib.Path(path, "vxs.ini")
    pathlib.Path(path, "in.opml").write_text(OPML)
    pathlib.Path(path, "bad.opml").write_text("<html></html>")
    first = running and start(path)  # else the command holds the folder while it imports
    if first:
        shown(first)
    before = catalogue.read_bytes()
    vx_opml = lambda *args, status=0: ended(start(path, command=["./vx", *args], offscreen=True),
                                            status)
    vx_opml("--import-opml", "bad.opml", status=1)
    check(catalogue.read_bytes() == before, "a file that is not OPML changed the catalogue")
    check("лент: 1" in vx_opml("--import-opml", "in.opml"), "the import did not say what it added")
    check("Все проекты" in catalogue.read_bytes().decode("cp1251"), "the feed is not saved")
    if first:
        Window(first).box("page tab", "Фриланс")
        close(first)
    vx_opml("--export-opml", "out.opml")
    check('xmlUrl="http://127.0.0.1:1/all"' in pathlib.Path(path, "out.opml").read_text(),
          "the export lacks the feed")


vx = os.path.abspath(sys.argv[1])
main(run("import handed to the running vx", opml, vx, True),
     run("import with no vx running", opml, vx, False),
     run("instance", one_per_folder, vx),
     run("instance without a session bus", one_per_folder, vx, NO_BUS))
