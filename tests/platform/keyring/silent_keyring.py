#!/usr/bin/env python3
"""A keyring that takes the Secret Service's name on the session bus and never answers.

Prints READY once the name is owned, then waits until killed.
"""
import sys
import time

import dbus

bus = dbus.SessionBus()
reply = bus.request_name("org.freedesktop.secrets", dbus.bus.NAME_FLAG_DO_NOT_QUEUE)
if reply != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
    sys.exit("the name org.freedesktop.secrets is taken")
print("READY", flush=True)
while True:
    time.sleep(60)
