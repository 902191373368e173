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


def endtoend(vx):
    server = Server()
    path = folder(vx, server.boards("/a/rss.xml", "/b/jobs.xml"))
    process = start(path)
    window = Window(process)
    # Away from the corner where notification bubbles stack, so that none catches a click.
    subprocess.run(["wmctrl", "-i", "-r", shown(process), "-e", "0,40,80,-1,-1"], check=True)
    wait_until("the window to move", lambda: window.box("frame").x < 100)

    def archive():  # read from the bytes: the encoding it declares must be the one it is in
        tree = ET.parse(os.path.join(path, "xml", "0vx_arhive.xml"))
        return [{k: i.findtext(k) for k in FIELDS} for i in tree.iterfind("channel/item")]

    def press(name, item=None, archived=None, role="push button"):
        window.click(role, name)
        if archived is not None:
            wait_until("the archive", archive, archived)
        if item is not None:
            wait_until("the item on screen", window.item, item)

    press("Site A", SITE_A[0], role="page tab")
    # A menu item pressed over the accessibility bus is answered before its refresh runs.
    server.held.add("/b/jobs.xml")
    check(window.find("menu item", "Site B").queryAction().doAction(0), "the menu item refused")
    wait_until("the download of Site B", lambda: "/b/jobs.xml" in server.requests)
    server.released.set()
    wait_until("the item on screen", window.item, SITE_B[0])
    press("Site A", SITE_A[0], role="page tab")
    press("В архив", archived=SITE_A[:1])
    press("Далее>", SITE_A[1])
    press("В архив", archived=SITE_A[:2])
    press("Архив", SITE_A[0], role="page tab")
    press("Удалить", SITE_A[1], archived=SITE_A[1:2])
    # A new board added in the settings window: its tab comes up chosen with its first item.
    window.click("menu item", "Настройки")
    window.click("push button", "Новый")
    window.type_into("text", "Наименование сайта", "Site C")
    window.type_into("text", "Наименование", "New")
    window.type_into("text", "URL", server.base + "/c/new.xml")
    press("Сохранить", SITE_C[0])
    check(window.selected("Site C"), "the new board's tab is not the chosen one")
    window.click("push button", "Закрыть")
    close(process)


main(run("endtoend", endtoend, os.path.abspath(sys.argv[1])))
