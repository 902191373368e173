#!/usr/bin/python3
"""One vx per data folder: a second start brings the running window forward (from the tray too)
and exits with status 0, also when the first hangs or there is no session bus; a vx killed does
not block the next start; two folders run side by side. Usage: instance.py path/to/vx"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile

from endtoend import Failure, main_window_id, wait_until

NO_BUS = {"DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent/vornix-bus"}
FOLDERS = []


class Folder:
    """A data folder of its own with vx, its sounds and a catalogue of the archive only."""

    def __init__(self, vx):
        self.path = tempfile.mkdtemp(prefix="vx-")
        shutil.copy(vx, self.path)
        shutil.copytree(os.path.join(os.path.dirname(vx), "sounds"), self.file("sounds"))
        shutil.copy(os.path.join(os.path.dirname(vx), "defaultvx.html"), self.path)
        lines = ["[item_0]", "title=Архив", "00_name=Архив сообщений", "00_url=vx_arhive.xml"]
        with open(self.file("vxs.ini"), "wb") as f:
            f.write("".join(line + "\r\n" for line in lines).encode("cp1251"))
        self.processes = []
        FOLDERS.append(self)

    def file(self, name):
        return os.path.join(self.path, name)

    def start(self, env=None, output=None):
        environment = dict(os.environ, **(env or {}))
        environment.pop("QT_QPA_PLATFORM", None)  # the real desktop
        if output is None:  # outside the folder, and no pipe that a chatty vx could fill
            output = tempfile.TemporaryFile(mode="w+")
        process = subprocess.Popen(["./vx"], cwd=self.path, env=environment, stdout=output,
                                   stderr=subprocess.STDOUT, text=True)
        process.output = output
        self.processes.append(process)
        return process

    def start_window(self, env=None):
        process = self.start(env)
        return process, wait_until("the window of vx", lambda: running(process) and
                                   main_window_id(process.pid), timeout=30)

    def start_second(self, env=None):
        """A start that must step aside at once, with status 0; what it said."""
        second = self.start(env, subprocess.PIPE)
        try:
            err = second.communicate(timeout=10)[0]
        except subprocess.TimeoutExpired:
            raise Failure("a second start on the same folder went on running")
        if second.returncode != 0:
            raise Failure(f"a second start ended with status {second.returncode}: {err}")
        return err

    def remove(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        shutil.rmtree(self.path, ignore_errors=True)


def running(process, ended=False):
    if (process.poll() is not None) != ended or ended and process.returncode != 0:
        process.output.seek(0)
        raise Failure(f"vx ended with status {process.returncode}: {process.output.read()}")
    return True


def active_window():
    out = subprocess.run(["xdotool", "getactivewindow"], capture_output=True, text=True).stdout
    return int(out) if out.strip() else None


def double_click_tray_icon():
    """Toggles the window from our icon's window inside trayer's panel."""
    panel = subprocess.run(["xdotool", "search", "--classname", "^panel$"], capture_output=True,
                           text=True).stdout.split()
    tree = subprocess.run(["xwininfo", "-id", panel[0], "-tree"], capture_output=True,
                          text=True).stdout
    line = next(line for line in tree.splitlines() if '"Vornix"' in line).split()
    width, height = map(int, line[-2].split("+")[0].split("x"))
    x, y = map(int, line[-1].lstrip("+").split("+"))
    subprocess.run(["xdotool", "mousemove", str(x + width // 2), str(y + height // 2),
                    "click", "--repeat", "2", "--delay", "80", "1"], check=True)
    return True


def close(process, window):
    subprocess.run(["wmctrl", "-i", "-c", window], check=True)
    process.wait(timeout=15)
    running(process, ended=True)  # and with status 0


def brought_forward(vx):
    folder = Folder(vx)
    first, window = folder.start_window()
    wait_until("an icon in the tray", double_click_tray_icon)  # hides the window
    wait_until("the window to go to the tray", lambda: main_window_id(first.pid), None)
    folder.start_second()
    window = wait_until("the window back", lambda: main_window_id(first.pid))
    wait_until("the window to be active", active_window, int(window, 16))
    folder.start_second()  # a visible window is simply raised
    first.send_signal(signal.SIGSTOP)  # hung: still the one that writes the folder
    try:
        if "does not answer" not in folder.start_second():
            raise Failure("a start that found a hung vx did not say so")
    finally:
        first.send_signal(signal.SIGCONT)
    running(first)
    close(first, window)


def killed_then_started(vx, env=None):
    folder = Folder(vx)
    first, _ = folder.start_window(env)
    first.send_signal(signal.SIGKILL)
    first.wait()
    again, window = folder.start_window(env)
    if not os.path.exists(folder.file("vx.lock")):
        raise Failure("no lock file guards the folder")
    # Without a bus on either side, or on the second only (as from a menu after a terminal).
    for second_env in ((env, None) if env else (None,)):
        err = folder.start_second(second_env)
        if env and "already running" not in err:
            raise Failure(f"a start that steps aside did not say why: {err!r}")
    running(again)
    close(again, window)
    if os.path.exists(folder.file("vx.lock")):
        raise Failure("the lock file outlived a clean exit")


def side_by_side(vx, env=None):
    folders = [Folder(vx), Folder(vx)]
    started = [folder.start_window(env) for folder in folders]
    for process, window in started:
        running(process)
        close(process, window)


if __name__ == "__main__":
    vx, passed = os.path.abspath(sys.argv[1]), True
    cases = [("a second start brings the first forward from the tray", brought_forward, ()),
             ("a killed vx does not block the next start", killed_then_started, ()),
             ("two folders run side by side", side_by_side, ()),
             ("without a session bus: a lock, stale after a kill", killed_then_started, (NO_BUS,)),
             ("without a session bus: two folders side by side", side_by_side, (NO_BUS,))]
    for name, case, args in cases:
        try:
            case(vx, *args)
            print(f"instance: {name}: passed")
        except Failure as failure:
            print(f"instance: {name}: {failure}", file=sys.stderr)
            passed = False
        finally:
            while FOLDERS:
                FOLDERS.pop().remove()
    sys.exit(0 if passed else 1)
