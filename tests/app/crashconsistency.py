#!/usr/bin/python3
"""Kills the real vx with SIGKILL hundreds of times while it keeps writing every file it keeps
(vx.ini and its side files, vxss.ini, vxs.ini, the archive, a downloaded feed and its source
record), and after each kill checks every file in its folder: it holds exactly the content it
held before the round or one that vx set out to write in it (the fault-injection build journals
a hash of each), never a mixture or a truncation, and it loads. Each round is killed either at
the n-th fault point inside a writer or at a random moment from outside.
Usage: crashconsistency.py path/to/vx (a build configured with VORNIX_FAULT_INJECTION=ON)"""

import hashlib
import http.server
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import xml.etree.ElementTree as ET

ROUNDS, BUDGET_SECONDS, FEWEST_ROUNDS = 300, 80, 150
PROGRAM = {"vx", "defaultvx.html"}
LOCK = "vx.lock"  # the one-instance lock, and what QLockFile puts beside it: not data
WRITERS = ("ini", "side", "text", "download", "source")
FEED, ARCHIVE = os.path.join("xml", "1rss.xml"), os.path.join("xml", "0vx_arhive.xml")


class Failure(Exception):
    pass


def sha1(data):
    return hashlib.sha1(data).hexdigest()


class Feed(http.server.BaseHTTPRequestHandler):
    """Each answer puts a new job on top, so every download changes the file; every body is
    kept with the address it came from."""

    def do_GET(self):
        with self.server.lock:
            self.server.served += 1
            n = self.server.served
            body = ('<?xml version="1.0" encoding="UTF-8"?><rss version="2.0"><channel>'
                    f"<title>{self.path} {n}</title><link>https://jobs.example/</link>"
                    + "".join(f"<item><title>Задание №{i}</title>"
                              f"<link>https://jobs.example/p?id={i}&amp;s=1</link>"
                              f"<description>Строка {i}\nи ещё одна</description></item>"
                              for i in range(n, max(n - 3, 0), -1))
                    + "</channel></rss>").encode("utf-8")
            self.server.bodies[sha1(body)] = self.server.url + self.path
        self.send_response(200)
        self.send_header("Content-Type", "application/rss+xml; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def ini(text):
    return text.replace("\n", "\r\n").encode("cp1251")


def prepare(vx, folder, url):
    for name in ("vx", "defaultvx.html"):
        shutil.copy(os.path.join(os.path.dirname(vx), name), folder)
    with open(os.path.join(folder, "vxs.ini"), "wb") as f:
        f.write(ini("[item_0]\ntitle=Архив\n00_name=Архив сообщений\n00_url=vx_arhive.xml\n"
                    f"[item_1]\ntitle=Site\n10_name=Web\n10_url={url}/web/rss.xml\n"
                    f"11_name=Design\n11_url={url}/design/rss.xml\n"))
    with open(os.path.join(folder, "vxss.ini"), "wb") as f:  # quiet: no balloons, no sounds
        f.write(ini("[FormSetting]\nTFormSetting_FormSetting_TCheckBox_ChBBallonsOff_Checked=True\n"
                    "TFormSetting_FormSetting_TCheckBox_ChBSoundsUse_Checked=True\n"))
    with open(os.path.join(folder, "vx.ini"), "wb") as f:  # on the site's tab, no side panel
        f.write(ini("[Form1]\nTForm1_Form1_TLabel_lti_Caption=1\n"
                    "TForm1_Form1_TLabel_lzenv_Caption=0\n"))


def is_temporary(name):
    """What a writer killed before its rename leaves: its target's name and six characters."""
    stem, _, tail = name.rpartition(".")
    return len(tail) == 6 and stem.endswith((".ini", ".xml", ".src", ".txt"))


def snapshot(folder):
    """Every data file as relative path -> bytes, with the writers' leftovers apart."""
    files, leftovers = {}, []
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.relpath(os.path.join(root, name), folder)
            if path in PROGRAM or path.startswith(LOCK):
                continue
            if is_temporary(name):
                leftovers.append(path)
                continue
            with open(os.path.join(root, name), "rb") as f:
                files[path] = f.read()
    return files, leftovers


def ini_sections(path, data):
    check(data.endswith(b"\r\n"), f"{path} does not end with CR LF")
    sections, current = {}, None
    for line in data.decode("cp1251").split("\r\n")[:-1]:
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1], {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            current[key] = value
        else:
            raise Failure(f"{path}: a line that is neither section nor key: {line!r}")
    return sections


def check(ok, what):
    if not ok:
        raise Failure(what)


def loads(files, served):
    """Each file reads as what it is, every side file that an INI names is there, and a feed's
    record names the address it came from."""
    catalogue = ini_sections("vxs.ini", files["vxs.ini"])
    check(catalogue["item_0"]["title"] == "Архив" and "11_url" in catalogue["item_1"],
          f"vxs.ini lost its sites: {catalogue}")
    check(len(ini_sections("vxss.ini", files["vxss.ini"])["FormSetting"]) >= 2, "vxss.ini lost keys")
    check("TForm1_Form1_TLabel_lti_Caption" in ini_sections("vx.ini", files["vx.ini"])["Form1"],
          "vx.ini lost its keys")
    for path in ("vx.ini", "vxss.ini"):
        for values in ini_sections(path, files[path]).values():
            for value in values.values():
                if value.startswith("file::"):
                    check(value[6:] + ".txt" in files, f"{path} names a missing side file {value}")
    for path, data in files.items():
        if path.endswith(".xml") and data:  # an empty archive reads as a new one
            check(ET.fromstring(data).find("channel") is not None, f"{path} has no channel")
    if FEED + ".src" in files and FEED in files:
        came_from = served.get(sha1(files[FEED]), "")
        check(files[FEED + ".src"].decode() == came_from,
              f"the record of a feed from {came_from} names {files[FEED + '.src']!r}")


def whole(old, new, points, served, folder):
    """Each file holds its content from before the round or one that vx meant to write."""
    for path in set(old) | set(new):
        allowed = {sha1(old[path])} if path in old else {None}
        allowed |= {h for _, _, h, f in points if os.path.relpath(f, folder) == path}
        if path == FEED:
            allowed |= set(served)
        if path == FEED + ".src":  # dropped while the file changes address
            allowed.add(None)
        if path == ARCHIVE and path not in old:  # reading it creates it, empty
            allowed.add(sha1(b""))
        have = sha1(new[path]) if path in new else None
        check(have in allowed, f"{path} is neither its old content nor one vx wrote "
              f"({len(new.get(path, b''))} bytes)")


def journal_since(path, offset):
    """The fault points reached since offset: (number, name, hash, file) each."""
    with open(path, "rb") as f:
        f.seek(offset)
        lines = f.read().decode().splitlines()
    return [tuple(line.split(" ", 3)) for line in lines], offset + sum(len(l) + 1 for l in lines)


def kill_once(folder, journal, output, at):
    """Starts vx writing, and kills it at the at-th fault point or, with at 0, at a random
    moment. vx ending in any other way (a sanitizer report, say) is a failure."""
    env = dict(os.environ, VORNIX_TEST_WRITE_LOOP="1", VORNIX_FAULT_JOURNAL=journal,
               VORNIX_FAULT_KILL=str(at), QT_QPA_PLATFORM="offscreen")
    with open(output, "w+") as out:
        vx_run = subprocess.Popen(["./vx"], cwd=folder, env=env, stdout=out,
                                  stderr=subprocess.STDOUT)
        try:
            vx_run.wait(timeout=5 if at else random.uniform(0.05, 0.5))
        except subprocess.TimeoutExpired:
            vx_run.send_signal(signal.SIGKILL)
            vx_run.wait()
        out.seek(0)
        check(vx_run.returncode == -signal.SIGKILL,
              f"vx ended with {vx_run.returncode}:\n{out.read()}")


def run(vx):
    folder, logs = tempfile.mkdtemp(prefix="vx-crash-"), tempfile.mkdtemp(prefix="vx-crash-log-")
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Feed)
    server.handle_error = lambda *args: None  # a vx killed in the middle of an answer
    server.url = f"http://127.0.0.1:{server.server_address[1]}"
    server.served, server.bodies, server.lock = 0, {}, threading.Lock()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    journal, offset = os.path.join(logs, "journal"), 0
    try:
        prepare(vx, folder, server.url)
        old, _ = snapshot(folder)
        kills, start, rounds = {}, time.monotonic(), 0
        while rounds < ROUNDS and time.monotonic() - start < BUDGET_SECONDS:
            rounds += 1
            at = random.randint(1, 40) if rounds % 3 else 0
            where = "outside"
            try:
                kill_once(folder, journal, os.path.join(logs, "output"), at)
                points, offset = journal_since(journal, offset)
                if at and points and int(points[-1][0]) == at:
                    where = points[-1][1]
                new, leftovers = snapshot(folder)
                with server.lock:
                    served = dict(server.bodies)
                whole(old, new, points, served, folder)
                loads(new, served)
            except (Failure, KeyError, ET.ParseError) as e:
                raise Failure(f"round {rounds}, killed at {where}: {type(e).__name__}: {e}")
            kills[where] = kills.get(where, 0) + 1
            old = new
        print(f"{rounds} rounds in {time.monotonic() - start:.0f} s, {server.served} downloads, "
              f"temporary files left by writers: {leftovers or 'none'}; killed at: "
              + ", ".join(f"{k} {v}" for k, v in sorted(kills.items())))
        check(rounds >= FEWEST_ROUNDS, f"only {rounds} rounds in {BUDGET_SECONDS} s")
        for writer in WRITERS:
            check(any(k.startswith(writer) for k in kills), f"no kill inside the {writer} writer")
        closes_cleanly(folder)
    finally:
        server.shutdown()
        shutil.rmtree(folder, ignore_errors=True)
        shutil.rmtree(logs, ignore_errors=True)


def closes_cleanly(folder):
    """After it all, vx starts on what the kills left, and ends cleanly when asked to."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", QT_LOGGING_RULES="vornix.startup.info=true")
    vx_run = subprocess.Popen(["./vx"], cwd=folder, env=env, stderr=subprocess.PIPE, text=True)
    for line in vx_run.stderr:
        if "first paint" in line:
            break
    vx_run.send_signal(signal.SIGTERM)
    rest = vx_run.stderr.read()
    check(vx_run.wait(timeout=20) == 0, f"vx ended with {vx_run.returncode}:\n{rest}")


if __name__ == "__main__":
    try:
        run(os.path.abspath(sys.argv[1]))
    except Failure as failure:
        print(f"crash consistency: {failure}", file=sys.stderr)
        sys.exit(1)
    print("crash consistency: passed")
