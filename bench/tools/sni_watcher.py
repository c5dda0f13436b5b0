#!/usr/bin/python3
"""A status-notifier watcher and tray for the side-by-side benchmark, on the bus given as the
first argument. Like a real tray it reads each registered item's properties and menu once,
and its icon and tool tip again whenever the item says they changed."""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        self.bus = bus
        self.items = []
        super().__init__(dbus.service.BusName(WATCHER, bus), "/StatusNotifierWatcher")
        for signal in ("NewIcon", "NewToolTip", "NewTitle", "NewStatus"):
            bus.add_signal_receiver(self.changed, signal_name=signal, dbus_interface=ITEM,
                                    sender_keyword="sender", path_keyword="path")

    @dbus.service.method(WATCHER, in_signature="s", out_signature="", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        service, path = (sender, service) if service.startswith("/") else (service, "/StatusNotifierItem")
        self.items.append((service, path))
        self.read(service, path, everything=True)

    @dbus.service.method(WATCHER, in_signature="s", out_signature="")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"IsStatusNotifierHostRegistered": True, "ProtocolVersion": dbus.Int32(0),
                "RegisteredStatusNotifierItems": dbus.Array([s + p for s, p in self.items], signature="s")}

    def changed(self, *args, sender=None, path=None):
        self.read(sender, path, everything=False)

    def read(self, service, path, everything):
        try:
            item = self.bus.get_object(service, path, introspect=False)
            props = dbus.Interface(item, dbus.PROPERTIES_IFACE)
            if everything:
                props.GetAll(ITEM, timeout=5)
                menu = props.Get(ITEM, "Menu", timeout=5)
                menu_object = self.bus.get_object(service, menu, introspect=False)
                dbus.Interface(menu_object, "com.canonical.dbusmenu").GetLayout(0, -1, dbus.Array([], signature="s"), timeout=5)
            else:
                for name in ("IconName", "IconPixmap", "ToolTip"):
                    props.Get(ITEM, name, timeout=5)
        except dbus.DBusException as error:
            print("watcher:", error, file=sys.stderr)


DBusGMainLoop(set_as_default=True)
Watcher(dbus.bus.BusConnection(sys.argv[1]))
GLib.MainLoop().run()
