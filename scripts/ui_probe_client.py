"""The UI probe's client for scripts: one JSON request a line over the probe's local socket."""
import json
import os
import socket
import sys
import time


class Probe:
    def __init__(self, sock_path, out, timeout=60):
        deadline = time.time() + timeout
        while True:
            try:
                s = socket.socket(socket.AF_UNIX)
                s.connect(sock_path)
                break
            except OSError:
                if time.time() > deadline:
                    sys.exit("the application did not start")
                time.sleep(0.2)
        self.f = s.makefile("rw")
        self.out = out
        self.wait_for(lambda: self.ask(cmd="window").get("ok"), "the window")

    def ask(self, **req):
        self.f.write(json.dumps(req) + "\n")
        self.f.flush()
        return json.loads(self.f.readline())

    def wait_for(self, pred, what, timeout=60):
        end = time.time() + timeout
        while time.time() < end:
            if pred():
                return
            time.sleep(0.2)
        sys.exit("timed out waiting for " + what)

    def resize(self, width):
        self.ask(cmd="resize", width=width, height=800)
        self.wait_for(lambda: self.ask(cmd="window").get("width") == width, "width %d" % width)
        time.sleep(1)

    def shot(self, name):
        time.sleep(1.2)  # animations settle
        path = os.path.join(self.out, os.environ.get("SCREENSHOT_PREFIX", "") + name + ".png")
        if not self.ask(cmd="grab", path=path).get("ok"):
            sys.exit("could not save " + path)
        print(path)
