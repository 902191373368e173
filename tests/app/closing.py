#!/usr/bin/python3
"""Closes the real vx while it waits for a silent server and for a long sound, through the
window manager and by SIGTERM (as at log-out). It must have gone on answering the accessibility
bus, and must end at once with status 0 and no sanitizer report, the previous copy of the feed
kept. Usage: closing.py path/to/vx"""

import os
import pathlib
import sys
import wave

from vxrun import Server, Window, check, close, folder, main, out, run, start, wait_until

OLD_COPY = b"<rss><channel><title>previous good copy</title></channel></rss>"


def closing(vx, moment, by_signal):
    server = Server(stalled={"/a/rss.xml"} if moment == "transfer" else ())
    path = folder(vx, server.boards("/a/rss.xml"))
    feed = pathlib.Path(path, "xml", "1rss.xml")
    feed.parent.mkdir()
    feed.write_bytes(OLD_COPY)
    os.utime(feed, (0, 0))  # long stale: it is downloaded again
    with wave.open(os.path.join(path, "sounds", "update.wav"), "wb") as w:
        w.setparams((1, 2, 44100, 0, "NONE", None))
        w.writeframes(b"\0\0" * 44100 * 30)  # played once the download is done
    process = start(path)
    window = Window(process)
    window.click("page tab", "Site A")
    status = "Обновление данных с сервера" if moment == "transfer" else "Обновление выполнено"
    wait_until(f"the window to say {status!r}", lambda: status in window.status())
    if moment == "sound":
        wait_until("the sound to play", lambda: out("pactl", "list", "short", "sink-inputs"))
    close(process, by_signal)
    check(moment == "sound" or feed.read_bytes() == OLD_COPY,
          "the previous copy of the feed was not kept")


main(*[run(f"closing: by {'SIGTERM' if by_signal else 'close request'} during the {moment}",
           closing, os.path.abspath(sys.argv[1]), moment, by_signal)
       for moment in ("transfer", "sound") for by_signal in (False, True)])
