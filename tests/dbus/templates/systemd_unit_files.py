'''systemd whose unit files can be enabled and disabled under polkit

The stock template knows units and their ActiveState only. Here each unit
given in the parameters ({"units": {"<name>": "<unit file state>"}}) also has
a unit file: GetUnitFileState reads it, EnableUnitFiles and DisableUnitFiles
change it after asking polkit (org.freedesktop.PolicyKit1 on the same bus)
for "org.freedesktop.systemd1.manage-unit-files", and refuse with AccessDenied
when polkit does not allow it. A unit without a file reads as FileNotFound.

A unit may also name what systemd would run for it ({"listeners": {"<name>":
{"command": [...], "socket": "<path>"}}}): StartUnit runs the command and
returns once the socket is there, as a socket unit is active once it listens;
StopUnit ends it and all it started.
'''

import os
import signal
import subprocess
import time

import dbus

from dbusmock.templates import systemd
# The stock unit methods, served here too.
from dbusmock.templates.systemd import (  # noqa: F401
    AddMockUnit, GetUnit, StartTransientUnit)

BUS_NAME = systemd.BUS_NAME
MAIN_OBJ = systemd.MAIN_OBJ
MAIN_IFACE = systemd.MAIN_IFACE
SYSTEM_BUS = True

MANAGE_UNIT_FILES = 'org.freedesktop.systemd1.manage-unit-files'


def load(mock, parameters):
    systemd.load(mock, parameters)
    mock.unit_files = {}
    for name, state in parameters.get('units', {}).items():
        AddMockUnit(mock, name)
        mock.unit_files[name] = state
    mock.listeners = parameters.get('listeners', {})
    mock.running = {}


def authorize(action):
    authority = dbus.Interface(
        dbus.SystemBus().get_object('org.freedesktop.PolicyKit1',
                                    '/org/freedesktop/PolicyKit1/Authority'),
        'org.freedesktop.PolicyKit1.Authority')
    subject = ('unix-process', {'pid': dbus.UInt32(os.getpid(), variant_level=1),
                                'start-time': dbus.UInt64(0, variant_level=1)})
    allowed, _challenge, _details = authority.CheckAuthorization(
        subject, action, {}, dbus.UInt32(1), '')
    if not allowed:
        raise dbus.exceptions.DBusException(
            'Access denied', name='org.freedesktop.DBus.Error.AccessDenied')


def unit_file(self, name):
    if str(name) not in self.unit_files:
        raise dbus.exceptions.DBusException(
            f'No such file: {name}', name='org.freedesktop.DBus.Error.FileNotFound')
    return str(name)


@dbus.service.method(MAIN_IFACE, in_signature='s', out_signature='s')
def GetUnitFileState(self, name):
    return self.unit_files[unit_file(self, name)]


@dbus.service.method(MAIN_IFACE, in_signature='s', out_signature='o')
def LoadUnit(self, name):
    if str(name) not in self.units:
        raise dbus.exceptions.DBusException(
            f'Unit {name} not loaded.', name='org.freedesktop.systemd1.NoSuchUnit')
    return self.units[str(name)]


@dbus.service.method(MAIN_IFACE, in_signature='asbb', out_signature='ba(sss)')
def EnableUnitFiles(self, files, _runtime, _force):
    names = [unit_file(self, name) for name in files]
    authorize(MANAGE_UNIT_FILES)
    for name in names:
        self.unit_files[name] = 'enabled'
    return (True, [('symlink', f'/etc/systemd/system/sockets.target.wants/{n}', n) for n in names])


@dbus.service.method(MAIN_IFACE, in_signature='asb', out_signature='a(sss)')
def DisableUnitFiles(self, files, _runtime):
    names = [unit_file(self, name) for name in files]
    authorize(MANAGE_UNIT_FILES)
    for name in names:
        self.unit_files[name] = 'disabled'
    return [('unlink', f'/etc/systemd/system/sockets.target.wants/{n}', '') for n in names]


@dbus.service.method(MAIN_IFACE, in_signature='', out_signature='')
def Reload(_self):
    pass


@dbus.service.method(MAIN_IFACE, in_signature='ss', out_signature='o')
def StartUnit(self, name, mode):
    listener = self.listeners.get(str(name))
    if listener and str(name) not in self.running:
        self.running[str(name)] = subprocess.Popen(
            listener['command'], stdin=subprocess.DEVNULL, start_new_session=True)
        deadline = time.monotonic() + 30
        while not os.path.exists(listener['socket']) and time.monotonic() < deadline:
            time.sleep(0.02)
    return systemd.StartUnit(self, name, mode)


@dbus.service.method(MAIN_IFACE, in_signature='ss', out_signature='o')
def StopUnit(self, name, mode):
    process = self.running.pop(str(name), None)
    if process:
        os.killpg(process.pid, signal.SIGTERM)
        process.wait(30)
    return systemd.StopUnit(self, name, mode)
