#!/usr/bin/python3
"""Closes the real vx while it waits: in the middle of a transfer from a server
that has gone silent, and in the middle of a long synchronous sound, once by a
close request through the window manager and once by SIGTERM (as at log-out).
Each time vx must end at once with status 0 and no sanitizer report, the feed
file on disk must still be the previous good one, and while it waited the
window must have gone on answering the accessibility bus.
Usage: closing.py path/to/vx"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import wave

from endtoend import (Failure, Window, install, main_window_id, report, start, start_server,
                      wait_until, write_catalogue)

OLD_COPY = b"<rss><channel><title>previous good copy</title></channel></rss>"
FEED = os.path.join("xml", "1rss.xml")


def silent_wav(path, seconds):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(44100)
        w.writeframes(b"\0\0" * 44100 * seconds)


def sink_inputs():
    return subprocess.run(["pactl", "list", "short", "sink-inputs"], capture_output=True,
                          text=True).stdout.strip()


def prepare(vx, folder, port):
    write_catalogue(folder, port)
    install(vx, folder)
    os.makedirs(os.path.join(folder, "xml"))
    with open(os.path.join(folder, FEED), "wb") as f:
        f.write(OLD_COPY)
    os.utime(os.path.join(folder, FEED), (0, 0))  # long stale: it is downloaded again
    # Played while the window waits for it, long enough to be closed in the middle.
    silent_wav(os.path.join(folder, "sounds", "update.wav"), 30)


def close(window, how):
    if how == "close request":
        window_id = wait_until("the main window", lambda: main_window_id(window.process.pid))
        subprocess.run(["wmctrl", "-i", "-c", window_id], check=True)
    else:
        window.process.send_signal(signal.SIGTERM)
    try:
        status = window.process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise Failure(f"vx did not end within 10 s of the {how}") from None
    if status != 0:
        raise Failure(f"vx ended with status {status} after the {how}")


def scenario(vx, moment, how):
    folder = tempfile.mkdtemp(prefix="vx-closing-")
    server, requests = start_server(stalled={"/a/rss.xml"} if moment == "transfer" else set())
    prepare(vx, folder, server.server_address[1])
    process, window = start(folder), None
    try:
        window = Window(process)
        window.choose_tab("Site A")
        if moment == "transfer":
            wait_until("the request", lambda: "/a/rss.xml" in requests)
            wait_until("the window to say it is downloading",
                       lambda: "Обновление данных с сервера" in window.status())
        else:
            wait_until("the download to complete",
                       lambda: "Обновление выполнено" in window.status())
            wait_until("the sound to play", sink_inputs)
        close(window, how)
        with open(os.path.join(folder, "vx.log"), encoding="utf-8", errors="replace") as log:
            if "runtime error" in (output := log.read()) or "Sanitizer" in output:
                raise Failure(f"a sanitizer report:\n{output}")
        with open(os.path.join(folder, FEED), "rb") as f:
            if moment == "transfer" and f.read() != OLD_COPY:
                raise Failure("the previous copy of the feed was not kept")
        wait_until("the sound to be cut off", lambda: not sink_inputs())
        print(f"closing: by {how} during the {moment}: vx ended cleanly")
    except Exception:
        report(window, folder, requests)
        raise
    finally:
        if process.poll() is None:
            process.kill()
        server.shutdown()
        shutil.rmtree(folder, ignore_errors=True)


def main():
    vx = os.path.abspath(sys.argv[1])
    try:
        for moment in ("transfer", "sound"):
            for how in ("close request", "SIGTERM"):
                scenario(vx, moment, how)
        return 0
    except Exception as failure:
        print(f"closing: {type(failure).__name__}: {failure}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
