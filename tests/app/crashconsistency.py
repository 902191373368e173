#!/usr/bin/python3
"""Kills the real vx with SIGKILL hundreds of times, at the n-th fault point inside a writer or at
a random moment, while it keeps rewriting all its files; after each kill every file must hold its
content from before the round or one vx journalled as meant for it, whole, and must load.
Usage: crashconsistency.py path/to/vx (a build configured with VORNIX_FAULT_INJECTION=ON)"""

import configparser
import hashlib
import os
import pathlib
import random
import re
import signal
import subprocess
import sys
import threading
import time
import xml.etree.ElementTree as ET

from vxrun import (STARTED, Server, check, close, ended, folder, main, put, rss, run, said, scratch,
                   start, wait_until)

ROUNDS, BUDGET_SECONDS, FEWEST_ROUNDS = 150, 60, 75
WRITERS = ("ini", "side", "text", "download", "source")
FEED, ARCHIVE = os.path.join("xml", "1rss.xml"), os.path.join("xml", "0vx_arhive.xml")
WATCH = os.path.join("xml", "watch") + os.sep


def sha1(data):
    return hashlib.sha1(data).hexdigest()


class Feeds(Server):
    """Every answer differs, and is kept with its address."""

    def __init__(self):
        self.served, self.bodies, self.tagged, self.lock = 0, {}, {}, threading.Lock()
        super().__init__(self.feed)

    def feed(self, path):
        with self.lock:
            n = self.served = self.served + 1
            body = rss(f"{path} {n}", [(f"Задание №{i}", f"https://jobs.example/p?id={i}&s=1",
                                        f"Строка {i}\nи ещё одна") for i in range(n, n - 3, -1)])
            self.bodies[sha1(body)] = self.base + path
            self.tagged[f'"{n}"'] = body
        return body, {"ETag": f'"{n}"'}


def snapshot(folder):
    """Data files as path -> bytes: not vx, its lock, or a killed writer's temporary file."""
    paths = [os.path.relpath(os.path.join(root, name), folder)
             for root, _, names in os.walk(folder) for name in names]
    skip = re.compile(r"vx|defaultvx\.html|vx\.lock.*"
                      r"|.*\.(ini|xml|src|charset|txt|seen|http)\.[^.]{6}")
    return {p: pathlib.Path(folder, p).read_bytes() for p in paths if not skip.fullmatch(p)}


def ini_sections(path, data):
    check(data.endswith(b"\r\n"), f"{path} does not end with CR LF")
    sections = configparser.RawConfigParser(delimiters="=", comment_prefixes=(), strict=True)
    sections.optionxform = str
    sections.read_string(data.decode("cp1251"), path)
    return sections


def loads(files, served, tagged):
    """Each file reads as what it is, and names only side files and addresses that are so; a seen
    set is its address's, and validators never vouch for a feed whose items are not seen."""
    inis = {path: ini_sections(path, files[path]) for path in ("vxs.ini", "vxss.ini", "vx.ini")}
    check(inis["vxs.ini"]["item_0"]["title"] == "Архив" and "11_url" in inis["vxs.ini"]["item_1"],
          f"vxs.ini lost its sites: {files['vxs.ini']}")
    check(len(inis["vxss.ini"]["FormSetting"]) >= 2, "vxss.ini lost keys")
    check("TForm1_Form1_TLabel_lti_Caption" in inis["vx.ini"]["Form1"], "vx.ini lost its keys")
    for path in ("vx.ini", "vxss.ini"):
        for value in (v for s in inis[path].sections() for _, v in inis[path].items(s)):
            check(not value.startswith("file::") or value[6:] + ".txt" in files,
                  f"{path} names a missing side file {value}")
    if FEED + ".src" in files and FEED in files:
        came_from = served.get(sha1(files[FEED]), "")
        check(files[FEED + ".src"].decode() == came_from,
              f"the record of a feed from {came_from} names {files[FEED + '.src']!r}")
    for path, data in files.items():
        if path.endswith(".xml") and data:  # an empty archive reads as a new one
            check(ET.fromstring(data).find("channel") is not None, f"{path} has no channel")
        if path.startswith(WATCH) and path.endswith(".seen"):
            check(data.decode().split("\n", 1)[0] in served.values(),
                  f"{path} is not kept for an address vx watches")
        if path.startswith(WATCH) and path.endswith(".http"):
            seen = files.get(path[:-5] + ".seen", b"").decode().split("\n")
            body = tagged.get(data.decode().split("\n", 1)[0])
            check(body is not None, f"{path} names no answer of the server: {data!r}")
            links = [item.findtext("link") for item in ET.fromstring(body).iter("item")]
            check(all(link in seen for link in links), f"{path} vouches for items not seen")


def whole(old, new, points, served, folder):
    for path in set(old) | set(new):
        allowed = {sha1(old[path])} if path in old else {None}
        allowed |= {h for _, _, h, f in points if os.path.relpath(f, folder) == path}
        if path == FEED or (path.startswith(WATCH) and path.endswith(".xml")):
            allowed |= set(served)
        if path == FEED + ".src":  # dropped while the file changes address
            allowed.add(None)
        if path == ARCHIVE and path not in old:  # reading it creates it, empty
            allowed.add(sha1(b""))
        have = sha1(new[path]) if path in new else None
        check(have in allowed, f"{path} is neither its old content nor one vx wrote")


def kill_once(folder, journal, at):
    """Kills vx at its at-th fault point (0: any moment); ending otherwise (ASan, say) fails."""
    journal.write_bytes(b"")
    process = start(folder, offscreen=True, env=dict(
        VORNIX_TEST_WRITE_LOOP="1", VORNIX_FAULT_KILL=str(at), VORNIX_FAULT_JOURNAL=str(journal)))
    try:
        process.wait(timeout=5 if at else random.uniform(0.05, 0.5))
    except subprocess.TimeoutExpired:
        process.kill()
    ended(process, -signal.SIGKILL)
    STARTED.remove(process)  # hundreds of them: only one that fails has anything to tell
    return [tuple(line.split(" ", 3)) for line in journal.read_text().splitlines()]


def crashes(vx):
    server = Feeds()
    # A site of two feeds; quiet, on the site's tab, no side panel.
    path = folder(vx, {"Site": {"Web": server.base + "/web/rss.xml",
                                "Design": server.base + "/design/rss.xml"}})
    box, label = "TFormSetting_FormSetting_TCheckBox_ChB", "TForm1_Form1_TLabel_l"
    put(path, "vxss.ini",
        f"[FormSetting]\n{box}BallonsOff_Checked=True\n{box}SoundsUse_Checked=True\n")
    put(path, "vx.ini", f"[Form1]\n{label}ti_Caption=1\n{label}zenv_Caption=0\n")
    journal = pathlib.Path(scratch(), "journal")
    old, kills, began, rounds = snapshot(path), {}, time.monotonic(), 0
    while rounds < ROUNDS and time.monotonic() - began < BUDGET_SECONDS:
        rounds += 1
        at, where = (random.randint(1, 40) if rounds % 3 else 0), "outside"
        try:
            points = kill_once(path, journal, at)
            if at and points and int(points[-1][0]) == at:
                where = points[-1][1]
            new = snapshot(path)
            with server.lock:
                served, tagged = dict(server.bodies), dict(server.tagged)
            whole(old, new, points, served, path)
            loads(new, served, tagged)
        except (AssertionError, KeyError, ET.ParseError, configparser.Error) as e:
            raise AssertionError(f"round {rounds}, killed at {where}: {type(e).__name__}: {e}")
        kills[where], old = kills.get(where, 0) + 1, new
    print(f"{rounds} rounds in {time.monotonic() - began:.0f} s, {server.served} downloads; "
          "killed at: " + ", ".join(f"{k} {v}" for k, v in sorted(kills.items())))
    check(rounds >= FEWEST_ROUNDS, f"only {rounds} rounds in {BUDGET_SECONDS} s")
    for writer in WRITERS:
        check(any(k.startswith(writer) for k in kills), f"no kill inside the {writer} writer")
    # After it all, vx starts on what the kills left, and ends cleanly when asked to.
    process = start(path, offscreen=True, env={"QT_LOGGING_RULES": "vornix.startup.info=true"})
    wait_until("vx to paint", lambda: "first paint" in said(process), timeout=20)
    close(process, by_signal=True)


main(run("crash consistency", crashes, os.path.abspath(sys.argv[1])))
