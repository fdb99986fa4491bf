#!/usr/bin/python3
# The desktop portal's color-scheme (0 no preference, 1 dark, 2 light) on the private bus; the test
# flips it with dev.tovi.test.Portal.SetColorScheme, which emits SettingChanged as a desktop does.
#   portal_settings.py INITIAL-SCHEME
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

SETTINGS = "org.freedesktop.portal.Settings"
APPEARANCE, KEY = "org.freedesktop.appearance", "color-scheme"


class Portal(dbus.service.Object):
    def __init__(self, bus, scheme):
        super().__init__(bus, "/org/freedesktop/portal/desktop")
        self.scheme = dbus.UInt32(scheme)

    # The real portal wraps the value once more on this older method.
    @dbus.service.method(SETTINGS, in_signature="ss", out_signature="v")
    def Read(self, namespace, key):
        if (namespace, key) != (APPEARANCE, KEY):
            raise dbus.exceptions.DBusException("no such key", name="org.freedesktop.portal.Error.NotFound")
        return dbus.UInt32(self.scheme, variant_level=2)

    @dbus.service.method(SETTINGS, in_signature="as", out_signature="a{sa{sv}}")
    def ReadAll(self, namespaces):
        return {APPEARANCE: dbus.Dictionary({KEY: self.scheme}, signature="sv")}

    @dbus.service.signal(SETTINGS, signature="ssv")
    def SettingChanged(self, namespace, key, value):
        pass

    @dbus.service.method("dev.tovi.test.Portal", in_signature="u")
    def SetColorScheme(self, scheme):
        self.scheme = dbus.UInt32(scheme)
        self.SettingChanged(APPEARANCE, KEY, self.scheme)


DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
portal = Portal(bus, int(sys.argv[1]))
name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus)
GLib.MainLoop().run()
