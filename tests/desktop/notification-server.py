#!/usr/bin/env python3
"""A stand-in for the desktop's notification service on the test desktop's session bus.

Every Notify call is appended to LOG as one JSON line ({"id", "summary", "body", "actions",
"hints"}); a line {"ready": true} comes first. When ACTION is given, the server "clicks" that
action on every notification that offers it, a moment after showing it.

Usage: notification-server.py LOG [ACTION]
"""
import json
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.Notifications"
PATH = "/org/freedesktop/Notifications"


class Server(dbus.service.Object):
    def __init__(self, bus, log, action):
        super().__init__(bus, PATH)
        self.log = log
        self.action = action
        self.next_id = 1

    def record(self, line):
        with open(self.log, "a", encoding="utf-8") as f:
            f.write(json.dumps(line) + "\n")

    @dbus.service.method(NAME, in_signature="", out_signature="as")
    def GetCapabilities(self):
        return ["actions", "body", "body-images"]

    @dbus.service.method(NAME, in_signature="", out_signature="ssss")
    def GetServerInformation(self):
        return ("mebo-test", "mebo", "1", "1.2")

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        nid = self.next_id
        self.next_id += 1
        self.record({"id": nid, "app": str(app), "summary": str(summary), "body": str(body),
                     "actions": [str(a) for a in actions],
                     "hints": {str(k): str(v) for k, v in hints.items()}})
        keys = [str(a) for a in actions[0::2]]
        if self.action and self.action in keys:
            GLib.timeout_add(300, self.invoke, nid, self.action)
        return nid

    def invoke(self, nid, key):
        self.ActionInvoked(dbus.UInt32(nid), key)
        self.NotificationClosed(dbus.UInt32(nid), dbus.UInt32(2))
        return False

    @dbus.service.method(NAME, in_signature="u", out_signature="")
    def CloseNotification(self, nid):
        self.NotificationClosed(dbus.UInt32(nid), dbus.UInt32(3))

    @dbus.service.signal(NAME, signature="us")
    def ActionInvoked(self, nid, key):
        pass

    @dbus.service.signal(NAME, signature="uu")
    def NotificationClosed(self, nid, reason):
        pass


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    server = Server(bus, sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "")
    name = dbus.service.BusName(NAME, bus, do_not_queue=True)  # held while the loop runs
    server.record({"ready": True})
    GLib.MainLoop().run()
    del name


if __name__ == "__main__":
    main()
