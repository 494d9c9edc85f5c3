'''logind whose inhibitor locks behave like the real ones

The stock template records every lock as uid 1000, pid 123456. Here a lock
records the caller as the bus daemon knows it (its uid and pid), lives while
the returned descriptor is open anywhere, and BlockInhibited/DelayInhibited
follow the locks held (with PropertiesChanged). LidClosed starts false; tests
set it through org.freedesktop.DBus.Properties.Set. The stock AddSeat, AddUser and
AddSession make local sessions on a seat whose Active property tests set the same
way; AddRemoteSession makes one as a login from another machine has it (no seat,
Remote true, active as every seatless session is). ListSessions lists them all as
(id, uid, user name, seat id, object path).

For tests, on TEST_IFACE: DropLocks() lets go of every "block" lock as a logind that
lost them would (the holders' descriptors report an error), and while the
property RefuseBlockLocks is true, Inhibit refuses "block" locks. ReleaseLagMs
(0 at first) makes a lock whose descriptor closed stay listed that long, as the
real logind drops it only when it gets round to it. InhibitCalls() lists every
Inhibit asked for, oldest first, as (what, who, why, mode).
'''

import os

import dbus
from gi.repository import GLib

from dbusmock import MOCK_IFACE, mockobject
from dbusmock.templates import logind
# The stock helpers that add seats, users and sessions, and the listing, served here too.
from dbusmock.templates.logind import AddSeat, AddSession, AddUser, ListSessions  # noqa: F401

BUS_NAME = logind.BUS_NAME
MAIN_OBJ = logind.MAIN_OBJ
MAIN_IFACE = logind.MAIN_IFACE
SYSTEM_BUS = True
TEST_IFACE = 'run.tarvo.vigilix.MockLogind'

_rows = []
_calls = []
_ends = {}  # id of a row: (read end, its watch)


def load(mock, parameters):
    logind.load(mock, parameters)
    mock.AddProperties(MAIN_IFACE, dbus.Dictionary({
        'BlockInhibited': '',
        'DelayInhibited': '',
        'LidClosed': False,
    }, signature='sv'))
    mock.AddProperties(TEST_IFACE, dbus.Dictionary({
        'RefuseBlockLocks': False,
        'ReleaseLagMs': dbus.UInt32(0),
    }, signature='sv'))


def _caller(connection, sender, member):
    return int(connection.call_blocking('org.freedesktop.DBus', '/org/freedesktop/DBus',
                                        'org.freedesktop.DBus', member, 's', [sender]))


def _publish(mock):
    def joined(mode):
        items = []
        for row in _rows:
            if row[3] == mode:
                for item in row[0].split(':'):
                    if item not in items:
                        items.append(item)
        return ':'.join(items)
    mock.UpdateProperties(MAIN_IFACE, {
        'BlockInhibited': dbus.String(joined('block')),
        'DelayInhibited': dbus.String(joined('delay')),
    })


@dbus.service.method(MAIN_IFACE, in_signature='ssss', out_signature='h',
                     sender_keyword='sender', connection_keyword='connection')
def Inhibit(self, what, who, why, mode, sender=None, connection=None):
    _calls.append((dbus.String(what), dbus.String(who), dbus.String(why), dbus.String(mode)))
    if mode not in ('block', 'delay'):
        raise dbus.exceptions.DBusException('Unknown inhibit mode ' + mode,
                                            name='org.freedesktop.DBus.Error.InvalidArgs')
    if mode == 'block' and self.props[TEST_IFACE]['RefuseBlockLocks']:
        raise dbus.exceptions.DBusException('Refused by the test',
                                            name='org.freedesktop.DBus.Error.AccessDenied')
    uid = _caller(connection, sender, 'GetConnectionUnixUser')
    pid = _caller(connection, sender, 'GetConnectionUnixProcessID')
    row = (dbus.String(what), dbus.String(who), dbus.String(why), dbus.String(mode),
           dbus.UInt32(uid), dbus.UInt32(pid))
    _rows.append(row)
    _publish(self)

    read_end, write_end = os.pipe()

    def dropped():
        if row in _rows:
            _rows.remove(row)
            _publish(self)
        return False

    def released(fd, _condition):
        os.close(fd)
        _ends.pop(id(row), None)
        lag = int(self.props[TEST_IFACE]['ReleaseLagMs'])
        if lag > 0:
            GLib.timeout_add(lag, dropped)
        else:
            dropped()
        return False

    watch = GLib.unix_fd_add_full(GLib.PRIORITY_HIGH, read_end, GLib.IO_HUP | GLib.IO_ERR,
                                  released)
    _ends[id(row)] = (read_end, watch)
    # The reply carries a duplicate; ours goes once it is sent.
    GLib.idle_add(os.close, write_end)
    return write_end


@dbus.service.method(MAIN_IFACE, in_signature='', out_signature='a(ssssuu)')
def ListInhibitors(_):
    return dbus.Array(_rows, signature='(ssssuu)')


@dbus.service.method(TEST_IFACE, in_signature='', out_signature='')
def DropLocks(self):
    for row in [row for row in _rows if row[3] == 'block']:
        read_end, watch = _ends.pop(id(row))
        GLib.source_remove(watch)
        os.close(read_end)
        _rows.remove(row)
    _publish(self)


@dbus.service.method(MOCK_IFACE, in_signature='susss', out_signature='s')
def AddRemoteSession(self, session_id, uid, username, remote_host, tty):
    user_path = dbus.ObjectPath(f'/org/freedesktop/login1/user/{uid}')
    if user_path not in mockobject.objects:
        self.AddUser(uid, username, True)
    session_path = dbus.ObjectPath(f'/org/freedesktop/login1/session/{session_id}')
    self.AddObject(session_path, 'org.freedesktop.login1.Session', {
        'Active': True,
        'Class': 'user',
        'Display': '',
        'Id': session_id,
        'IdleHint': False,
        'Leader': dbus.UInt32(1),
        'LockedHint': False,
        'Name': username,
        'Remote': True,
        'RemoteHost': remote_host,
        'RemoteUser': '',
        'Seat': ('', dbus.ObjectPath('/')),
        'Service': 'sshd',
        'State': 'active',
        'TTY': tty,
        'Type': 'tty',
        'User': (dbus.UInt32(uid), user_path),
        'VTNr': dbus.UInt32(0),
    }, [])
    user = mockobject.objects[user_path]
    sessions = user.Get('org.freedesktop.login1.User', 'Sessions')
    sessions.append((session_id, session_path))
    user.Set('org.freedesktop.login1.User', 'Sessions', sessions)
    return session_path


@dbus.service.method(TEST_IFACE, in_signature='', out_signature='a(ssss)')
def InhibitCalls(_):
    return dbus.Array(_calls, signature='(ssss)')
