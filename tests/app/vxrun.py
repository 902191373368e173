"""For tests of the real vx on the desktop: a data folder each, its window and tray icon, what
each program wrote when a case fails; nothing is left behind."""

import os
import shutil
import subprocess
import sys
import tempfile

from endtoend import Failure, main_window_id, tray_holds_vornix, wait_until

STARTED, FOLDERS = [], []


def check(ok, what):
    if not ok:
        raise Failure(what)


def out(*command):
    return subprocess.run(command, capture_output=True, text=True).stdout


def tool_window(window):
    return "_NET_WM_WINDOW_TYPE_UTILITY" in out("xprop", "-id", window, "_NET_WM_WINDOW_TYPE")


def folder(vx):
    """A data folder with vx, its sounds and a catalogue of the archive only."""
    path, here = tempfile.mkdtemp(prefix="vx-"), os.path.dirname(vx)
    FOLDERS.append(path)
    for name in ("vx", "defaultvx.html"):
        shutil.copy(os.path.join(here, name), path)
    shutil.copytree(os.path.join(here, "sounds"), os.path.join(path, "sounds"))
    with open(os.path.join(path, "vxs.ini"), "wb") as f:
        f.write("[item_0]\r\ntitle=Архив\r\n00_name=Архив сообщений\r\n00_url=vx_arhive.xml\r\n"
                .encode("cp1251"))
    return path


def start(path, env=None, command=("./vx",)):
    environment = dict(os.environ, **(env or {}))
    environment.pop("QT_QPA_PLATFORM", None)  # the real desktop, not the offscreen stand-in
    output = tempfile.TemporaryFile("w+")  # outside the folder; no pipe a chatty vx could fill
    STARTED.append(subprocess.Popen(command, cwd=path, env=environment, stdout=output,
                                    stderr=subprocess.STDOUT))
    STARTED[-1].output = output
    return STARTED[-1]


def ended(process, timeout=15):
    check(process.wait(timeout=timeout) == 0, f"vx ended with status {process.returncode}")


def shown(process, visible=True):
    """The window once it is shown and active (the show is over), or once it has gone."""
    window = wait_until(f"the window {'shown' if visible else 'gone'}",
                        lambda: main_window_id(process.pid), visible or None, timeout=30)
    if visible:
        wait_until("the window to be active",
                   lambda: int(out("xdotool", "getactivewindow") or 0), int(window, 16))
    return window


def double_click_icon():
    wait_until("the icon in the tray", tray_holds_vornix)
    panel = out("xdotool", "search", "--classname", "^panel$").split()[0]
    icon = next(line.split()[0] for line in out("xwininfo", "-id", panel, "-tree").splitlines()
                if '"Vornix"' in line)
    subprocess.run(["xdotool", "mousemove", "--window", icon, "5", "5", "click", "--repeat", "2",
                    "--delay", "80", "1"], check=True)


def run(name, case, *args):
    try:
        case(*args)
        print(f"{name}: passed")
        return True
    except Exception as failure:
        print(f"{name}: {type(failure).__name__}: {failure}", file=sys.stderr)
        for process in STARTED:
            process.output.seek(0)
            print(f"--- what {process.args[0]} wrote:", process.output.read(), file=sys.stderr)
        return False
    finally:
        for process in STARTED:
            process.kill()
            process.wait()
        STARTED.clear()
        while FOLDERS:
            shutil.rmtree(FOLDERS.pop(), ignore_errors=True)
