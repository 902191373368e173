#!/usr/bin/python3
"""Closes the real vx while it waits for a silent server and for a long sound, through the
window manager and by SIGTERM (as at log-out). It must have gone on answering the accessibility
bus, and must end at once with status 0 and no sanitizer report, the previous copy of the feed
kept. Usage: closing.py path/to/vx"""

import os
import signal
import subprocess
import sys
import wave

from endtoend import Failure, main_window_id, run, wait_until

OLD_COPY = b"<rss><channel><title>previous good copy</title></channel></rss>"
FEED = os.path.join("xml", "1rss.xml")


def prepare(folder):
    os.makedirs(os.path.join(folder, "xml"))
    with open(os.path.join(folder, FEED), "wb") as f:
        f.write(OLD_COPY)
    os.utime(os.path.join(folder, FEED), (0, 0))  # long stale: it is downloaded again
    with wave.open(os.path.join(folder, "sounds", "update.wav"), "wb") as w:
        w.setparams((1, 2, 44100, 0, "NONE", None))
        w.writeframes(b"\0\0" * 44100 * 30)  # played once the download is done


def closing(moment, how):
    def play(window, folder, requests):
        window.choose_tab("Site A")
        status = "Обновление данных с сервера" if moment == "transfer" else "Обновление выполнено"
        wait_until(f"the window to say {status!r}", lambda: status in window.status())
        if moment == "sound":
            wait_until("the sound to play", lambda: subprocess.run(
                ["pactl", "list", "short", "sink-inputs"], capture_output=True,
                text=True).stdout.strip())
        if how == "SIGTERM":
            window.process.send_signal(signal.SIGTERM)
        else:
            subprocess.run(["wmctrl", "-i", "-c", main_window_id(window.process.pid)], check=True)
        # A sanitizer report ends vx with a status of its own.
        if window.process.wait(timeout=10) != 0:
            raise Failure(f"vx ended with status {window.process.returncode}")
        with open(os.path.join(folder, FEED), "rb") as f:
            if moment == "transfer" and f.read() != OLD_COPY:
                raise Failure("the previous copy of the feed was not kept")
    return play


if __name__ == "__main__":
    vx, passed = os.path.abspath(sys.argv[1]), True
    for moment in ("transfer", "sound"):
        for how in ("close request", "SIGTERM"):
            name = f"closing: by {how} during the {moment}"
            if run(name, vx, closing(moment, how), prepare,
                   {"/a/rss.xml"} if moment == "transfer" else ()):
                print(f"{name}: vx ended cleanly")
            else:
                passed = False
    sys.exit(0 if passed else 1)
