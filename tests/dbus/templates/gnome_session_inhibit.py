'''gnome-session's inhibitors

Each Inhibit hands out a new cookie; InhibitedActions is the union of the
flags still held (4 suspend, 8 idle), as the desktop's idle handling reads it.
'''

import dbus

BUS_NAME = 'org.gnome.SessionManager'
MAIN_OBJ = '/org/gnome/SessionManager'
MAIN_IFACE = 'org.gnome.SessionManager'
SYSTEM_BUS = False

_held = {}
_next = [1]


def load(mock, _parameters):
    mock.AddProperties(MAIN_IFACE, dbus.Dictionary({'InhibitedActions': dbus.UInt32(0)},
                                                   signature='sv'))


def _publish(mock):
    union = 0
    for flags in _held.values():
        union |= flags
    mock.UpdateProperties(MAIN_IFACE, {'InhibitedActions': dbus.UInt32(union)})


@dbus.service.method(MAIN_IFACE, in_signature='susu', out_signature='u')
def Inhibit(self, _app_id, _toplevel_xid, _reason, flags):
    cookie = _next[0]
    _next[0] += 1
    _held[cookie] = int(flags)
    _publish(self)
    return dbus.UInt32(cookie)


@dbus.service.method(MAIN_IFACE, in_signature='u', out_signature='')
def Uninhibit(self, cookie):
    _held.pop(int(cookie), None)
    _publish(self)
