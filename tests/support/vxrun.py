"""The real vx under test: a data folder of its own, job boards served on 127.0.0.1, its window as
the window manager and the accessibility bus see it; on a failure, what each server was asked and
each program wrote. Nothing is left behind."""

import http.server
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from xml.sax.saxutils import escape

import pyatspi

FIELDS = ("title", "link", "description", "category")
BOARDS = {"/a/rss.xml": ("Site A", "All", [
    ("Сайт-визитка на Qt", "https://a.example/p?id=1", "Нужен сайт из трёх страниц.", "Веб"),
    ("Парсер RSS-лент", "https://a.example/p?id=1&x=2",
     "Первая строка задания.\nВторая строка: срок неделя.", "Программирование"),
    ("Логотип для магазина", "https://a.example/p?id=3", "Три варианта на выбор.", "Дизайн")]),
    "/b/jobs.xml": ("Site B", "Jobs", [("Перевод инструкции", "https://b.example/job/7",
                                        "Двадцать страниц, с английского.", "Тексты")]),
    "/c/new.xml": ("Site C", "New", [("Бот для Telegram", "https://c.example/t/1",
                                      "Заказ на неделю.", "Боты")])}
SITE_A, SITE_B, SITE_C = ([dict(zip(FIELDS, i)) for i in b[2]] for b in BOARDS.values())
STARTED, SERVERS, FOLDERS = [], [], []


def check(ok, what):
    if not ok:
        raise AssertionError(what)


def out(*command):
    return subprocess.run(command, capture_output=True, text=True).stdout


def wait_until(what, read, want=True, timeout=15):
    """Polls read() until it gives want (with True: anything true) and hands that back."""
    deadline, last = time.monotonic() + timeout, None
    while True:
        try:
            last = read()
        except AssertionError:
            raise
        except Exception as e:  # the tree changes under our feet while the window updates
            last = e
        if last == want if want is not True else last and not isinstance(last, Exception):
            return last
        if time.monotonic() > deadline:
            raise AssertionError(f"{what}: expected "
                                 f"{'something' if want is True else repr(want)}, got {last!r}")
        time.sleep(0.1)


def rss(title, items):
    """A feed of items (FIELDS' values, in order) as RSS 2.0."""
    item = "".join("<item>" + "".join(f"<{k}>{escape(v)}</{k}>" for k, v in zip(FIELDS, i))
                   + "<pubDate>Mon, 03 Jun 2024 10:00:00 +0300</pubDate></item>" for i in items)
    return ('<?xml version="1.0" encoding="UTF-8"?><rss version="2.0"><channel>'
            f"<title>{title}</title><link>https://example.org/</link>"
            f"<description>{title}</description>{item}</channel></rss>").encode()


def board(path):
    """A board's feed, or None for a path that is none."""
    return (rss(BOARDS[path][0], BOARDS[path][2]), {}) if path in BOARDS else None


class Answer(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.server.requests.append(self.path)
        if self.path in self.server.held:  # answered once the test lets it go
            self.server.released.wait(30)
        answer = self.server.answer(self.path)
        if answer is None:
            return self.send_error(404)
        body, headers = answer
        self.send_response(200)
        for name, value in {"Content-Type": "application/rss+xml; charset=utf-8", **headers,
                            "Content-Length": str(len(body))}.items():
            self.send_header(name, value)
        self.end_headers()
        if self.path in self.server.stalled:  # silent after the headers until the server stops
            self.wfile.flush()
            return self.server.stopping.wait()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    """Gives answer(path): (body, headers) or None on a free port; records the paths asked for."""
    daemon_threads = True

    def __init__(self, answer=board, stalled=()):
        super().__init__(("127.0.0.1", 0), Answer)
        self.answer, self.stalled, self.requests = answer, stalled, []
        self.held, self.released, self.stopping = set(), threading.Event(), threading.Event()
        self.base = f"http://127.0.0.1:{self.server_address[1]}"
        SERVERS.append(self)
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def boards(self, *paths):
        return {BOARDS[p][0]: {BOARDS[p][1]: self.base + p} for p in paths}

    def handle_error(self, *args):
        pass  # vx gone in the middle of an answer

    def shutdown(self):
        self.stopping.set()
        super().shutdown()
        self.server_close()


def scratch():
    FOLDERS.append(tempfile.mkdtemp(prefix="vx-"))
    return FOLDERS[-1]


def put(folder, name, text):
    """Writes a file as the Windows program does: CP1251 with CR LF."""
    pathlib.Path(folder, name).write_bytes(text.replace("\n", "\r\n").encode("cp1251"))


def folder(vx, sites=None):
    """A data folder with ./vx, what ships beside it and a catalogue ({site: {feed: address}})."""
    path, here = scratch(), os.path.dirname(vx)
    shipped = filter(os.path.exists, [os.path.join(here, s) for s in ("defaultvx.html", "sounds")])
    subprocess.run(["cp", "-r", vx, *shipped, path], check=True)  # a test-only build may ship none
    catalogue = "[item_0]\ntitle=Архив\n00_name=Архив сообщений\n00_url=vx_arhive.xml\n"
    for n, (title, feeds) in enumerate((sites or {}).items(), 1):
        catalogue += f"[item_{n}]\ntitle={title}\n" + "".join(
            f"{n}{m}_name={name}\n{n}{m}_url={url}\n"
            for m, (name, url) in enumerate(feeds.items()))
    put(path, "vxs.ini", catalogue)
    return path


def start(path, env=None, command=None, offscreen=False):
    """./vx (or command) run in path: offscreen, or on the desktop and the accessibility bus."""
    shows = (dict(QT_QPA_PLATFORM="offscreen") if offscreen else dict(
        QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
    environment = dict(os.environ, no_proxy="127.0.0.1", **shows, **(env or {}))
    output = tempfile.TemporaryFile("w+")  # outside the folder; no pipe a chatty vx could fill
    STARTED.append(subprocess.Popen(command or ["./vx"], cwd=path, env=environment,
                                    stdout=output, stderr=subprocess.STDOUT))
    STARTED[-1].output = output
    return STARTED[-1]


def said(process):
    process.output.seek(0)
    return process.output.read()


def ended(process, status=0, timeout=15):
    """What it wrote; a sanitizer report ends vx with a status of its own."""
    wait_until(f"{process.args[0]} to end", process.poll, status, timeout)
    return said(process)


def close(process, by_signal=False):
    """Through the window manager, or by SIGTERM as at log-out; vx must end cleanly."""
    if by_signal:
        process.send_signal(signal.SIGTERM)
    else:
        subprocess.run(["wmctrl", "-i", "-c", window_id(process.pid)], check=True)
    ended(process)


def window_id(pid):
    """The X window of vx's main window, None while it is not mapped."""
    return next((line.split()[0] for line in out("wmctrl", "-lp").splitlines()
                 if line.split()[2] == str(pid) and "  Vornix (" in line), None)


def shown(process, visible=True):
    """The window once it is shown and active (the show is over), or once it has gone."""
    window = wait_until(f"the window {'shown' if visible else 'gone'}",
                        lambda: window_id(process.pid), visible or None, timeout=30)
    if visible:
        wait_until("the window to be active",
                   lambda: int(out("xdotool", "getactivewindow") or 0), int(window, 16))
    return window


def tray_icon():
    """Our icon's window inside the embedding socket of trayer's panel, if it is there."""
    panel = out("xdotool", "search", "--classname", "^panel$").split()
    tree = out("xwininfo", "-id", panel[0], "-tree") if panel else ""
    return next((line.split()[0] for line in tree.splitlines() if '"Vornix"' in line), None)


def double_click_icon():
    icon = wait_until("the icon in the tray", tray_icon)
    subprocess.run(["xdotool", "mousemove", "--window", icon, "5", "5", "click", "--repeat", "2",
                    "--delay", "80", "1"], check=True)


class Window:
    """The main window's widgets as assistive technology sees them."""

    def __init__(self, process):
        self.process = process
        self.app = wait_until("vx on the accessibility bus", lambda: next(
            (a for a in pyatspi.Registry.getDesktop(0)
             if a is not None and a.get_process_id() == process.pid and a.childCount), None))

    def find(self, role=None, name=None, description=None):
        check(self.process.poll() is None, f"vx ended with status {self.process.returncode}")
        self.app.clearCache()  # read the window as it is now
        return pyatspi.findDescendant(self.app, lambda n: role in (None, n.getRoleName())
                                      and name in (None, n.name)
                                      and description in (None, n.description))

    def box(self, role, name=None):
        return wait_until(f"{role} {name!r}", lambda: self.find(role, name)).queryComponent(
        ).getExtents(pyatspi.DESKTOP_COORDS)

    def item(self):
        # Its labels have no names of their own: they are, in order, the title (a link,
        # whose address is its description), the date, the category and the comments link.
        view = self.find("frame", "Элемент ленты")
        labels = [c for c in view if c.getRoleName() == "label"]
        memo = next(c for c in view if c.name == "Описание").queryText().getText(0, -1)
        return dict(zip(FIELDS, (labels[0].name, labels[0].description, memo, labels[2].name)))

    def status(self):
        return self.find(description="Строка состояния").name

    def click(self, role, name):
        box = self.box(role, name)
        # No --sync: it waits for the pointer to move, for ever when it is already there.
        subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2),
                        str(box.y + box.height // 2), "click", "1"], check=True)

    def type_into(self, role, name, text):
        self.click(role, name)
        subprocess.run(["xdotool", "key", "ctrl+a", "BackSpace", "type", "--delay", "20", text],
                       check=True)
        wait_until(f"{name!r} to read {text!r}", lambda: self.find(role, name).queryText(
        ).getText(0, -1), text)

    def selected(self, tab):
        return self.find("page tab", tab).getState().contains(pyatspi.STATE_SELECTED)


def run(name, case, *args):
    """Plays case(*args) and tells how it went; True when it passed."""
    try:
        case(*args)
        print(f"{name}: passed")
        return True
    except Exception as failure:
        print(f"{name}: {type(failure).__name__}: {failure}", file=sys.stderr)
        for server in SERVERS:
            print("--- last requests served:", *server.requests[-20:], sep="\n", file=sys.stderr)
        for process in STARTED:
            print(f"--- what {process.args[0]} wrote:", said(process), sep="\n", file=sys.stderr)
        return False
    finally:
        while STARTED:
            with STARTED.pop() as process:  # leaving it waits for it
                process.kill()
        while SERVERS:
            SERVERS.pop().shutdown()
        while FOLDERS:
            shutil.rmtree(FOLDERS.pop(), ignore_errors=True)


def main(*results):
    sys.exit(0 if all(results) else 1)
