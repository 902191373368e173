#!/usr/bin/python3
"""Drives the real vx as a user does: two job boards on 127.0.0.1, mouse clicks where the
accessibility tree places the controls, checks of what the window shows and the archive holds,
and of a clean exit when the window manager closes the window. Usage: endtoend.py path/to/vx"""

import os
import subprocess
import sys
import xml.etree.ElementTree as ET

from vxrun import (FIELDS, SITE_A, SITE_B, SITE_C, Server, Window, check, close, folder, main,
                   run, shown, start, wait_until)


def archive_items(path):
    with open(os.path.join(path, "xml", "0vx_arhive.xml"), "rb") as f:
        raw = f.read()
    # Every line break, those inside a description too, is CR LF.
    check(not {"\r", "\n"} & set(raw.decode("cp1251").replace("\r\n", "")),
          "the archive has a line end other than CR LF")
    # Parsed from the bytes, so that the encoding the file declares must be the one it is in.
    return [{k: i.findtext(k) for k in FIELDS} for i in ET.fromstring(raw).iterfind("channel/item")]


def endtoend(vx):
    server = Server()
    path = folder(vx, server.boards("/a/rss.xml", "/b/jobs.xml"))
    process = start(path)
    window = Window(process)
    window_id = shown(process)
    for marker in ("xml", "xslt", "html"):
        check(os.path.getsize(os.path.join(path, marker, "null.txt")) == 0,
              f"{marker}/null.txt is not empty")
    # Away from the corner where notification bubbles stack, so that none catches a click.
    subprocess.run(["wmctrl", "-i", "-r", window_id, "-e", "0,40,80,-1,-1"], check=True)
    wait_until("the window to move", lambda: window.box("frame").x < 100)

    def tab(name, item):
        window.choose_tab(name)
        wait_until("the item on screen", window.item, item)

    def press(button, item=None, archived=None):
        window.click("push button", button)
        if archived is not None:
            wait_until("the archive", lambda: archive_items(path), archived)
        if item is not None:
            wait_until("the item on screen", window.item, item)

    tab("Site A", SITE_A[0])
    choose_through_the_bus(window, server)
    tab("Site A", SITE_A[0])
    press("Далее>", SITE_A[1])
    press("<Назад", SITE_A[0])
    press("В архив", archived=SITE_A[:1])
    press("Далее>", SITE_A[1])
    press("В архив", archived=SITE_A[:2])
    tab("Архив", SITE_A[0])
    press("Удалить", SITE_A[1], archived=SITE_A[1:2])
    add_board(window, server)
    close(process)


def choose_through_the_bus(window, server):
    """A menu item pressed over the accessibility bus is answered before its refresh runs."""
    server.held.add("/b/jobs.xml")
    check(window.find("menu item", "Site B").queryAction().doAction(0),
          "the menu item refused its action")
    wait_until("the download of Site B", lambda: "/b/jobs.xml" in server.requests)
    server.released.set()
    wait_until("the item on screen", window.item, SITE_B[0])


def add_board(window, server):
    """A new board added in the settings window, as a new user would: its tab comes up
    chosen and shows the board's first item."""
    window.click("menu item", "Настройки")
    window.click("push button", "Новый")
    window.type_into("text", "Наименование сайта", "Site C")
    window.type_into("text", "Наименование", "New")
    window.type_into("text", "URL", server.base + "/c/new.xml")
    window.click("push button", "Сохранить")
    wait_until("the new board's tab", lambda: window.selected("Site C"))
    wait_until("its first item", window.item, SITE_C[0])
    window.click("push button", "Закрыть")


if __name__ == "__main__":
    main(run("endtoend", endtoend, os.path.abspath(sys.argv[1])))
