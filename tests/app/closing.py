#!/usr/bin/python3
"""Closes the real vx while it waits, for a server gone silent and for a long
sound, by a close request through the window manager and by SIGTERM (as at
log-out). Each time the window must have gone on answering the accessibility
bus while it waited, and vx must end at once with status 0 and no sanitizer
report, the previous copy of the feed kept. Usage: closing.py path/to/vx"""

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
    with wave.open(os.path.join(folder, "sounds", "update.wav"), "wb") as w:
        w.setparams((1, 2, 44100, 0, "NONE", None))
        w.writeframes(b"\0\0" * 44100 * 30)  # played once the download is done


def scenario(vx, moment, how):
    folder = tempfile.mkdtemp(prefix="vx-closing-")
    server, requests = start_server(stalled={"/a/rss.xml"} if moment == "transfer" else ())
    prepare(vx, folder, server.server_address[1])
    process, window = start(folder), None
    try:
        window = Window(process)
        window.choose_tab("Site A")
        status = "Обновление данных с сервера" if moment == "transfer" else "Обновление выполнено"
        wait_until(f"the window to say {status!r}", lambda: status in window.status())
        if moment == "sound":
            wait_until("the sound to play", sink_inputs)
        if how == "SIGTERM":
            process.send_signal(signal.SIGTERM)
        else:
            subprocess.run(["wmctrl", "-i", "-c", main_window_id(process.pid)], check=True)
        # A sanitizer report ends vx with a status of its own.
        if process.wait(timeout=10) != 0:
            raise Failure(f"vx ended with status {process.returncode}")
        with open(os.path.join(folder, FEED), "rb") as f:
            if moment == "transfer" and f.read() != OLD_COPY:
                raise Failure("the previous copy of the feed was not kept")
    except Exception as failure:
        print(f"closing: by {how} during the {moment}: {type(failure).__name__}: {failure}",
              file=sys.stderr)
        report(window, folder, requests)
        return False
    finally:
        if process.poll() is None:
            process.kill()
        server.shutdown()
        shutil.rmtree(folder, ignore_errors=True)
    print(f"closing: by {how} during the {moment}: vx ended cleanly")
    return True


if __name__ == "__main__":
    vx = os.path.abspath(sys.argv[1])
    results = [scenario(vx, moment, how)
               for moment in ("transfer", "sound") for how in ("close request", "SIGTERM")]
    sys.exit(0 if all(results) else 1)
