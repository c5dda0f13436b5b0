'''A stand-in for avahi-daemon's D-Bus server (python3-dbusmock template).

Serves the calls screen-sharing discovery makes: Server2.ServiceBrowserPrepare (a browser
object whose Start announces every known service with ItemNew, then AllForNow) and
Server.ResolveService. The test drives it through org.orbmeter.AvahiMock:
AddService / RemoveService announce and withdraw a service on every started browser;
FailResolves makes the next N resolves of a name fail.

Parameters (-p JSON): {"services": [[name, address, port, host, failures], ...]}.
'''

import dbus

BUS_NAME = 'org.freedesktop.Avahi'
MAIN_OBJ = '/'
MAIN_IFACE = 'org.freedesktop.Avahi.Server2'
SYSTEM_BUS = True

SERVER_IFACE = 'org.freedesktop.Avahi.Server'
BROWSER_IFACE = 'org.freedesktop.Avahi.ServiceBrowser'
CONTROL_IFACE = 'org.orbmeter.AvahiMock'
SERVICE_TYPE = '_rfb._tcp'

services = {}   # name -> dict(address, port, host, failures)
browsers = []   # started browser objects


def announce(browser, signal, name):
    browser.EmitSignal(BROWSER_IFACE, signal, 'iisssu',
                       (dbus.Int32(2), dbus.Int32(0), name, SERVICE_TYPE, 'local', dbus.UInt32(0)))


def browser_start(self):
    browsers.append(self)
    for name in list(services):
        announce(self, 'ItemNew', name)
    self.EmitSignal(BROWSER_IFACE, 'AllForNow', '', ())


def browser_free(self):
    if self in browsers:
        browsers.remove(self)


def prepare(self, interface, protocol, stype, domain, flags):
    self.browser_count = getattr(self, 'browser_count', 0) + 1
    path = '/Client1/ServiceBrowser%d' % self.browser_count
    self.AddObject(path, BROWSER_IFACE, {}, [
        ('Start', '', '', browser_start),
        ('Free', '', '', browser_free),
    ])
    return dbus.ObjectPath(path)


def resolve(self, interface, protocol, name, stype, domain, aprotocol, flags):
    service = services.get(str(name))
    if service is None:
        raise dbus.exceptions.DBusException('Not found', name='org.freedesktop.Avahi.NotFoundError')
    if service['failures'] > 0:
        service['failures'] -= 1
        raise dbus.exceptions.DBusException('Timeout reached', name='org.freedesktop.Avahi.TimeoutError')
    return (dbus.Int32(interface), dbus.Int32(protocol), name, stype, domain, service['host'], dbus.Int32(0),
            service['address'], dbus.UInt16(service['port']), dbus.Array([], signature='ay'), dbus.UInt32(0))


def load(mock, parameters):
    for entry in parameters.get('services', []):
        name, address, port, host, failures = entry
        services[name] = {'address': address, 'port': port, 'host': host, 'failures': failures}
    mock.AddMethods(MAIN_IFACE, [
        ('GetVersionString', '', 's', 'ret = "avahi 0.8"'),
        ('GetAPIVersion', '', 'u', 'ret = dbus.UInt32(512)'),
        ('ServiceBrowserPrepare', 'iissu', 'o', prepare),
    ])
    mock.AddMethods(SERVER_IFACE, [
        ('ResolveService', 'iisssiu', 'iissssisqaayu', resolve),
    ])
    mock.AddMethods(CONTROL_IFACE, [
        ('AddService', 'ssqs', '', add_service),
        ('RemoveService', 's', '', remove_service),
        ('FailResolves', 'si', '', fail_resolves),
    ])


def add_service(self, name, address, port, host):
    services[str(name)] = {'address': str(address), 'port': int(port), 'host': str(host), 'failures': 0}
    for browser in browsers:
        announce(browser, 'ItemNew', name)


def remove_service(self, name):
    if services.pop(str(name), None) is not None:
        for browser in browsers:
            announce(browser, 'ItemRemove', name)


def fail_resolves(self, name, count):
    if str(name) in services:
        services[str(name)]['failures'] = int(count)
