#!/usr/bin/python3
"""Drives the real vx as a user does: two job boards on 127.0.0.1, mouse clicks where the
accessibility tree places the controls, checks of the tray icon, of what the window shows
and the archive holds, and of a clean exit when the window manager closes the window.
Usage: endtoend.py path/to/vx"""

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

FIELDS = ("title", "link", "description", "category")
SITE_A = [dict(zip(FIELDS, i)) for i in [
    ("Сайт-визитка на Qt", "https://a.example/p?id=1", "Нужен сайт из трёх страниц.", "Веб"),
    ("Парсер RSS-лент", "https://a.example/p?id=1&x=2",
     "Первая строка задания.\nВторая строка: срок неделя.", "Программирование"),
    ("Логотип для магазина", "https://a.example/p?id=3", "Три варианта на выбор.", "Дизайн")]]
SITE_B = [dict(zip(FIELDS, i)) for i in [
    ("Перевод инструкции", "https://b.example/job/7", "Двадцать страниц, с английского.", "Тексты"),
    ("Вёрстка письма", "https://b.example/job/8", "Адаптивная рассылка.", "Веб")]]
SITE_C = [dict(zip(FIELDS, i)) for i in [
    ("Бот для Telegram", "https://c.example/t/1", "Заказ на неделю.", "Боты")]]
FEEDS = {"/a/rss.xml": ("Site A", SITE_A), "/b/jobs.xml": ("Site B", SITE_B),
         "/c/new.xml": ("Site C", SITE_C)}
ARCHIVE = "xml/0vx_arhive.xml"
ZENTARA = "/_vx_advertising/advertising_show.php"
NEWS = "Свежие проекты недели"


class Failure(Exception):
    pass


def rss(title, items):
    item = "".join("<item>" + "".join(f"<{k}>{escape(i[k])}</{k}>" for k in FIELDS)
                   + "<pubDate>Mon, 03 Jun 2024 10:00:00 +0300</pubDate></item>" for i in items)
    return ('<?xml version="1.0" encoding="UTF-8"?><rss version="2.0"><channel>'
            f"<title>{title}</title><link>https://example.org/</link>"
            f"<description>{title}</description>{item}</channel></rss>").encode("utf-8")


class Feeds(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.server.requests.append(self.path)
        if self.path in self.server.held:  # answered once the test lets it go
            self.server.released.wait(30)
        if self.path == ZENTARA:
            body, kind = (f'<html><meta charset="windows-1251"><title>Zentara</title><p>'
                          f'<a href="https://a.example/news">{NEWS}</a>').encode("cp1251"), "text/html"
        elif self.path in FEEDS:
            body, kind = rss(*FEEDS[self.path]), "application/rss+xml; charset=utf-8"
        else:
            return self.send_error(404)
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.path in self.server.stalled:  # silent after the headers until the server stops
            self.wfile.flush()
            return self.server.stopping.wait()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    """Serves both feeds on a free port and records the paths asked for."""
    daemon_threads = True

    def __init__(self, stalled=()):
        super().__init__(("127.0.0.1", 0), Feeds)
        self.requests, self.stalled, self.stopping = [], stalled, threading.Event()
        self.held, self.released = set(), threading.Event()
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def shutdown(self):
        self.stopping.set()
        super().shutdown()


def wait_until(what, read, want=True, timeout=15):
    """Polls read() until it gives want (with True: anything true) and hands that back."""
    deadline, last = time.monotonic() + timeout, None
    while True:
        try:
            last = read()
        except Failure:
            raise
        except Exception as e:  # the tree changes under our feet while the window updates
            last = e
        if last == want if want is not True else last and not isinstance(last, Exception):
            return last
        if time.monotonic() > deadline:
            raise Failure(f"{what}: expected {'something' if want is True else repr(want)}, "
                          f"got {last!r}")
        time.sleep(0.1)


class Window:
    """The main window as assistive technology sees it."""

    def __init__(self, process):
        self.process = process
        self.app = wait_until("vx on the accessibility bus", lambda: self._alive() and next(
            (a for a in pyatspi.Registry.getDesktop(0)
             if a is not None and a.get_process_id() == process.pid and a.childCount), None))

    def _alive(self):
        if self.process.poll() is not None:
            raise Failure(f"vx ended with status {self.process.returncode}")
        return True

    def nodes(self):
        self._alive()
        self.app.clearCache()  # read the window as it is now
        stack = [self.app]
        while stack:
            node = stack.pop()
            yield node
            stack.extend(reversed([c for c in node if c is not None]))

    def find(self, role, name=None):
        return next((n for n in self.nodes()
                     if n.getRoleName() == role and name in (None, n.name)), None)

    def box(self, role, name=None):
        return wait_until(f"{role} {name!r}", lambda: self.find(role, name)).queryComponent(
        ).getExtents(pyatspi.DESKTOP_COORDS)

    def item(self):
        # Its labels have no names of their own: they are, in order, the title (a link,
        # whose address is its description), the date, the category and the comments link.
        view = self.find("frame", "Элемент ленты")
        labels = [c for c in view if c.getRoleName() == "label"]
        memo = next(c for c in view if c.name == "Описание").queryText()
        return dict(title=labels[0].name, link=labels[0].description,
                    description=memo.getText(0, -1), category=labels[2].name)

    def status(self):
        return next(n.name for n in self.nodes() if n.description == "Строка состояния")

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

    def choose_tab(self, name):
        self.click("page tab", name)
        wait_until(f"tab {name!r} to be selected",
                   lambda: self.find("page tab", name).getState().contains(pyatspi.STATE_SELECTED))


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
    return [{k: i.findtext(k) for k in FIELDS} for i in root.iterfind("channel/item")]


def main_window_id(pid):
    out = subprocess.run(["wmctrl", "-lp"], capture_output=True, text=True).stdout
    return next((line.split()[0] for line in out.splitlines()
                 if line.split()[2] == str(pid) and "  Vornix (" in line), None)


def tray_holds_vornix():
    """An icon window of ours inside the embedding socket of trayer's panel."""
    panel = subprocess.run(["xdotool", "search", "--classname", "^panel$"], capture_output=True,
                           text=True).stdout.split()
    return panel and '"Vornix"' in subprocess.run(["xwininfo", "-id", panel[0], "-tree"],
                                                  capture_output=True, text=True).stdout


def scenario(window, folder, requests):
    def tab(name, item, download=None):
        window.choose_tab(name)
        if download:
            wait_until(f"the download of {name}", lambda: download in requests)
        wait_until("the item on screen", window.item, item)

    def press(button, item=None, archived=None):
        window.click("push button", button)
        if archived is not None:
            wait_until("the archive", lambda: archive_items(folder), archived)
        if item is not None:
            wait_until("the item on screen", window.item, item)

    # Away from the corner where notification bubbles stack, so that none catches a click.
    window_id = wait_until("the main window", lambda: main_window_id(window.process.pid))
    wait_until("an icon in the tray", tray_holds_vornix)
    for marker in ("xml", "xslt", "html"):
        if os.path.getsize(os.path.join(folder, marker, "null.txt")) != 0:
            raise Failure(f"{marker}/null.txt is not empty")
    subprocess.run(["wmctrl", "-i", "-r", window_id, "-e", "0,40,80,-1,-1"], check=True)
    wait_until("the window to move", lambda: window.box("frame").x < 100)

    side_panel(window)
    tab("Site A", SITE_A[0], "/a/rss.xml")
    choose_through_the_bus(window, requests)
    tab("Site A", SITE_A[0])
    press("Далее>", SITE_A[1])
    press("<Назад", SITE_A[0])
    press("В архив", archived=SITE_A[:1])
    press("Далее>", SITE_A[1])
    press("В архив", archived=SITE_A[:2])
    press("В архив")
    wait_until("a second copy to be refused", lambda: "уже существует" in window.status())
    wait_until("the archive", lambda: archive_items(folder), SITE_A[:2])
    tab("Архив", SITE_A[0])
    press("Удалить", SITE_A[1], archived=SITE_A[1:2])

    add_board(window, requests)

    subprocess.run(["wmctrl", "-i", "-c", window_id], check=True)
    if window.process.wait(timeout=15) != 0:
        raise Failure(f"vx exited with status {window.process.returncode} after its window closed")


def choose_through_the_bus(window, requests):
    """A menu item pressed over the accessibility bus is answered before its refresh runs."""
    window.server.held.add("/b/jobs.xml")
    if not window.find("menu item", "Site B").queryAction().doAction(0):
        raise Failure("the menu item refused its action")
    wait_until("the download of Site B", lambda: "/b/jobs.xml" in requests)
    window.server.released.set()
    wait_until("the item on screen", window.item, SITE_B[0])


def side_panel(window):
    """The side panel shows the page of its server, and its button switches it off and on."""
    wait_until("the side panel's page", lambda: window.find("label", NEWS) is not None)
    window.click("push button", "Zentara")
    wait_until("the side panel to empty", lambda: window.find("label", NEWS) is None)
    window.click("push button", "Zentara")
    wait_until("the page again", lambda: window.find("label", NEWS) is not None)


def add_board(window, requests):
    """A new board added in the settings window, as a new user would: its tab comes up
    chosen and shows the board's first item."""
    window.click("menu item", "Настройки")
    window.click("push button", "Новый")
    window.type_into("text", "Наименование сайта", "Site C")
    window.type_into("text", "Наименование", "New")
    window.type_into("text", "URL", window.base + "/c/new.xml")
    window.click("push button", "Сохранить")
    wait_until("the download of the new board", lambda: "/c/new.xml" in requests)
    wait_until("the new board's tab", lambda: window.find("page tab", "Site C").getState(
    ).contains(pyatspi.STATE_SELECTED))
    wait_until("its first item", window.item, SITE_C[0])
    window.click("push button", "Закрыть")


def run(name, vx, play, prepare=lambda folder: None, stalled=()):
    """Plays play(window, folder, requests) against vx started in a fresh folder with the
    catalogue and what prepare(folder) adds; on failure tells what vx wrote."""
    folder, server = tempfile.mkdtemp(prefix="vx-"), Server(stalled)
    base = f"http://127.0.0.1:{server.server_address[1]}"
    lines = ["[item_0]", "title=Архив", "00_name=Архив сообщений", "00_url=vx_arhive.xml",
             "[item_1]", "title=Site A", "10_name=All", f"10_url={base}/a/rss.xml",
             "[item_2]", "title=Site B", "20_name=Jobs", f"20_url={base}/b/jobs.xml"]
    with open(os.path.join(folder, "vxs.ini"), "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("cp1251"))
    shutil.copy(vx, folder)
    shutil.copytree(os.path.join(os.path.dirname(vx), "sounds"), os.path.join(folder, "sounds"))
    shutil.copy(os.path.join(os.path.dirname(vx), "defaultvx.html"), folder)
    prepare(folder)
    env = dict(os.environ, QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               no_proxy="127.0.0.1", VORNIX_ZENTARA_URL=base + ZENTARA)
    env.pop("QT_QPA_PLATFORM", None)  # the real desktop, not the offscreen stand-in
    with open(os.path.join(folder, "vx.log"), "wb") as log:
        process = subprocess.Popen(["./vx"], cwd=folder, env=env, stdout=log,
                                   stderr=subprocess.STDOUT)
    try:
        window = Window(process)
        window.base, window.server = base, server
        play(window, folder, server.requests)
        return True
    except Exception as failure:
        print(f"{name}: {type(failure).__name__}: {failure}", file=sys.stderr)
        print("--- requests served:", *server.requests, sep="\n", file=sys.stderr)
        with open(os.path.join(folder, "vx.log"), "rb") as log:
            print("--- vx's output:", log.read().decode(errors="replace"), sep="\n",
                  file=sys.stderr)
        return False
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
        server.shutdown()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    if not run("endtoend", os.path.abspath(sys.argv[1]), scenario):
        sys.exit(1)
    print("endtoend: tabs, stepping and the archive behaved; vx closed cleanly")
