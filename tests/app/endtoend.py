#!/usr/bin/python3
"""Drives the real vx the way a user does, under the headless desktop: two job
boards served from 127.0.0.1, real mouse clicks at the places the window's
accessibility tree reports, and checks of what the window shows and of what
the archive file holds afterwards. Usage: endtoend.py path/to/vx"""

import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import xml.etree.ElementTree as ET
from xml.sax.saxutils import escape

import pyatspi

DATE = "Mon, 03 Jun 2024 10:00:00 +0300"
SITE_A = [
    dict(title="Сайт-визитка на Qt", link="https://a.example/p?id=1",
         description="Нужен сайт из трёх страниц.", category="Веб"),
    dict(title="Парсер RSS-лент", link="https://a.example/p?id=1&x=2",
         description="Первая строка задания.\nВторая строка: срок неделя.",
         category="Программирование"),
    dict(title="Логотип для магазина", link="https://a.example/p?id=3",
         description="Три варианта на выбор.", category="Дизайн"),
]
SITE_B = [
    dict(title="Перевод инструкции", link="https://b.example/job/7",
         description="Двадцать страниц, с английского.", category="Тексты"),
    dict(title="Вёрстка письма", link="https://b.example/job/8",
         description="Адаптивная рассылка.", category="Веб"),
]
FEEDS = {"/a/rss.xml": ("Site A", SITE_A), "/b/jobs.xml": ("Site B", SITE_B)}
ARCHIVE = "xml/0vx_arhive.xml"


class Failure(Exception):
    pass


class TimedOut(Failure):
    pass


def rss(title, items):
    def item(i):
        fields = "".join(f"<{k}>{escape(i[k])}</{k}>" for k in ("title", "link", "description", "category"))
        return f"<item>{fields}<pubDate>{DATE}</pubDate></item>"
    return ('<?xml version="1.0" encoding="UTF-8"?><rss version="2.0"><channel>'
            f"<title>{title}</title><link>https://example.org/</link><description>{title}</description>"
            + "".join(map(item, items)) + "</channel></rss>").encode("utf-8")


def start_server(stalled=()):
    """Serves both feeds on a free port; the requested paths are recorded. A path
    in stalled gets its headers and then silence until the server shuts down."""
    requests = []
    shutting_down = threading.Event()

    class Feeds(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            requests.append(self.path)
            if self.path not in FEEDS:
                return self.send_error(404)
            body = rss(*FEEDS[self.path])
            self.send_response(200)
            self.send_header("Content-Type", "application/rss+xml; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if self.path in stalled:
                self.wfile.flush()
                shutting_down.wait()
                return
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    class Server(http.server.ThreadingHTTPServer):
        daemon_threads = True

        def shutdown(self):
            shutting_down.set()
            super().shutdown()

    server = Server(("127.0.0.1", 0), Feeds)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, requests


def write_catalogue(folder, port):
    base = f"http://127.0.0.1:{port}"
    lines = ["[item_0]", "title=Архив", "00_name=Архив сообщений", "00_url=vx_arhive.xml",
             "[item_1]", "title=Site A", "10_name=All", f"10_url={base}/a/rss.xml",
             "[item_2]", "title=Site B", "20_name=Jobs", f"20_url={base}/b/jobs.xml"]
    with open(os.path.join(folder, "vxs.ini"), "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("cp1251"))


def install(vx, folder):
    shutil.copy(vx, folder)
    shutil.copytree(os.path.join(os.path.dirname(vx), "sounds"), os.path.join(folder, "sounds"))
    shutil.copy(os.path.join(os.path.dirname(vx), "defaultvx.html"), folder)


def launch(vx, folder):
    install(vx, folder)
    return start(folder)


def start(folder):
    env = dict(os.environ, QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               no_proxy="127.0.0.1")
    env.pop("QT_QPA_PLATFORM", None)  # the real desktop, not the offscreen stand-in
    with open(os.path.join(folder, "vx.log"), "wb") as log:
        return subprocess.Popen(["./vx"], cwd=folder, env=env, stdout=log, stderr=subprocess.STDOUT)


def wait_until(what, check, timeout=15):
    """Polls check() until it returns something true, which it hands back."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            result = check()
        except Failure:
            raise
        except Exception:  # the tree changes under our feet while the window updates
            result = None
        if result:
            return result
        if time.monotonic() > deadline:
            raise TimedOut(f"timed out waiting for {what}")
        time.sleep(0.1)


def expect(what, read, want):
    """Waits until read() gives want; on time-out tells what it gave last."""
    last = []

    def matches():
        try:
            last[:] = [read()]
        except Failure:
            raise
        except Exception as e:
            last[:] = [e]
        return last[0] == want
    try:
        wait_until(what, matches)
    except TimedOut:
        raise Failure(f"{what}: expected {want!r}, got {last[0]!r}") from None


class Window:
    """The main window as assistive technology sees it."""

    def __init__(self, process):
        self.process = process
        self.app = wait_until("vx on the accessibility bus", self._find_app)

    def _find_app(self):
        self._check_alive()
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == self.process.pid and app.childCount:
                return app

    def _check_alive(self):
        if self.process.poll() is not None:
            raise Failure(f"vx ended with status {self.process.returncode}")

    def nodes(self):
        self._check_alive()
        self.app.clearCache()  # read the window as it is now
        stack = [self.app]
        while stack:
            node = stack.pop()
            yield node
            stack.extend(reversed([c for c in node if c is not None]))

    def find(self, role, name):
        return next((n for n in self.nodes() if n.getRoleName() == role and n.name == name), None)

    def item(self):
        """The item on screen. Its labels have no names of their own: they are,
        in order, the title (a link, whose address is its description), the
        date, the category and the comments link."""
        view = self.find("frame", "Элемент ленты")
        labels = [c for c in view if c.getRoleName() == "label"]
        memo = next(c for c in view if c.name == "Описание").queryText()
        return dict(title=labels[0].name, link=labels[0].description, category=labels[2].name,
                    description=memo.getText(0, -1))

    def status(self):
        return next(n.name for n in self.nodes() if n.description == "Строка состояния")

    def left_edge(self):
        frame = next(n for n in self.nodes() if n.getRoleName() == "frame")
        return frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).x

    def click(self, role, name):
        node = wait_until(f"{role} {name!r}", lambda: self.find(role, name))
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        x, y = box.x + box.width // 2, box.y + box.height // 2
        # No --sync: it waits for the pointer to move, for ever when it is already there.
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)

    def choose_tab(self, name):
        self.click("page tab", name)
        wait_until(f"tab {name!r} to be selected",
                   lambda: self.find("page tab", name).getState().contains(pyatspi.STATE_SELECTED))

    def texts(self):
        lines = []
        for n in self.nodes():
            text = n.queryText().getText(0, -1) if "Text" in pyatspi.listInterfaces(n) else ""
            if n.name or text:
                lines.append(f"  {n.getRoleName()}: {n.name!r} {text!r} {n.description!r}")
        return "\n".join(lines)


def archive_items(folder):
    with open(os.path.join(folder, ARCHIVE), "rb") as f:
        raw = f.read()
    # Every line break, those inside a description too, is CR LF.
    if {"\r", "\n"} & set(raw.decode("cp1251").replace("\r\n", "")):
        raise ValueError("the archive has a line end other than CR LF")
    # Parsed from the bytes, so that the encoding the file declares must be the one it is in.
    root = ET.fromstring(raw)
    if root.tag != "rss":
        raise ValueError(f"the archive's root is <{root.tag}>")
    return [{k: i.findtext(k) for k in ("title", "link", "description", "category")}
            for i in root.iterfind("channel/item")]


def expect_archive(folder, items):
    expect("the archive", lambda: archive_items(folder), items)


def expect_item(window, item):
    expect("the item on screen", window.item, item)


def main_window_id(pid):
    out = subprocess.run(["wmctrl", "-lp"], capture_output=True, text=True).stdout
    return next((line.split()[0] for line in out.splitlines()
                 if line.split()[2] == str(pid) and line.endswith("  Vornix")), None)


def scenario(window, folder, requests):
    # Away from the corner where notification bubbles stack, so that none catches a click.
    window_id = wait_until("the main window", lambda: main_window_id(window.process.pid))
    subprocess.run(["wmctrl", "-i", "-r", window_id, "-e", "0,40,80,-1,-1"], check=True)
    wait_until("the window to move", lambda: window.left_edge() < 100)

    window.choose_tab("Site A")
    wait_until("the download of site A", lambda: "/a/rss.xml" in requests)
    expect_item(window, SITE_A[0])
    window.choose_tab("Site B")
    wait_until("the download of site B", lambda: "/b/jobs.xml" in requests)
    expect_item(window, SITE_B[0])
    window.choose_tab("Site A")
    expect_item(window, SITE_A[0])

    window.click("push button", "Далее>")
    expect_item(window, SITE_A[1])
    window.click("push button", "<Назад")
    expect_item(window, SITE_A[0])

    window.click("push button", "В архив")
    expect_archive(folder, SITE_A[:1])
    window.click("push button", "Далее>")
    expect_item(window, SITE_A[1])
    window.click("push button", "В архив")
    expect_archive(folder, SITE_A[:2])
    window.click("push button", "В архив")
    wait_until("a second copy to be refused", lambda: "уже существует" in window.status())
    expect_archive(folder, SITE_A[:2])

    window.choose_tab("Архив")
    expect_item(window, SITE_A[0])
    window.click("push button", "Удалить")
    expect_archive(folder, SITE_A[1:2])
    expect_item(window, SITE_A[1])

    subprocess.run(["wmctrl", "-i", "-c", window_id], check=True)
    status = window.process.wait(timeout=15)
    if status != 0:
        raise Failure(f"vx exited with status {status} after its window was closed")


def report(window, folder, requests):
    def read(name):
        with open(os.path.join(folder, name), "rb") as f:
            return f.read().decode("cp1251" if name == ARCHIVE else "utf-8", errors="replace")
    sections = [("the window showed", lambda: window.texts() if window else "(never seen)"),
                ("requests served", lambda: "\n".join(requests)),
                ("vx's output", lambda: read("vx.log")),
                ("the archive", lambda: read(ARCHIVE))]
    for title, body in sections:
        try:
            body = body()
        except Exception as e:
            body = f"(unavailable: {e})"
        print(f"--- {title}:\n{body}", file=sys.stderr)


def main():
    vx = os.path.abspath(sys.argv[1])
    folder = tempfile.mkdtemp(prefix="vx-e2e-")
    server, requests = start_server()
    write_catalogue(folder, server.server_address[1])
    process = launch(vx, folder)
    window = None
    try:
        window = Window(process)
        scenario(window, folder, requests)
        print("endtoend: tabs, stepping and the archive behaved; vx closed cleanly")
        return 0
    except Exception as failure:
        print(f"endtoend: {type(failure).__name__}: {failure}", file=sys.stderr)
        report(window, folder, requests)
        return 1
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
        server.shutdown()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
