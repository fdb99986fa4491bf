#!/usr/bin/python3
"""A pointer and a keyboard for a headless wlroots compositor, which has no input devices of
its own: one client of the virtual-pointer and virtual-keyboard protocols that stays connected
(the seat has a pointer and a keyboard only while it is). Reads commands from standard input,
one a line, and appends the line's number to ACK-FILE once the compositor has it:
    move X Y        the pointer to X Y on the first output (layout pixels)
    click [BUTTON]  press and release (left, right or middle; left by default)
    key NAME...     press and release each key (evdev names: Escape, Tab, Return, Down, ...)
    wlr_input.py ACK-FILE
Only the C ABI of libwayland-client and libxkbcommon, so nothing to build."""
import ctypes as C
import os
import sys
import tempfile
import time

wl = C.CDLL("libwayland-client.so.0")
xkb = C.CDLL("libxkbcommon.so.0")


class Interface(C.Structure):
    pass


class Message(C.Structure):
    _fields_ = [("name", C.c_char_p), ("signature", C.c_char_p), ("types", C.POINTER(C.POINTER(Interface)))]


Interface._fields_ = [("name", C.c_char_p), ("version", C.c_int), ("method_count", C.c_int),
                      ("methods", C.POINTER(Message)), ("event_count", C.c_int), ("events", C.POINTER(Message))]

KEEP = []  # what the C side points at lives as long as the process


def interface(name, version, methods):
    msgs = (Message * len(methods))()
    for i, (mname, sig, types) in enumerate(methods):
        arr = (C.POINTER(Interface) * max(1, len(types)))(*[C.pointer(t) if t else None for t in types])
        KEEP.append(arr)
        msgs[i] = Message(mname.encode(), sig.encode(), arr)
    iface = Interface(name.encode(), version, len(methods), msgs, 0, None)
    KEEP.extend([msgs, iface])
    return iface


seat_iface = Interface.in_dll(wl, "wl_seat_interface")
registry_iface = Interface.in_dll(wl, "wl_registry_interface")
pointer_iface = interface("zwlr_virtual_pointer_v1", 1, [
    ("motion", "uff", [None] * 3), ("motion_absolute", "uuuuu", [None] * 5), ("button", "uuu", [None] * 3),
    ("axis", "uuf", [None] * 3), ("frame", "", []), ("axis_source", "u", [None]), ("axis_stop", "uu", [None] * 2),
    ("axis_discrete", "uufi", [None] * 4), ("destroy", "", [])])
pointer_manager_iface = interface("zwlr_virtual_pointer_manager_v1", 1, [
    ("create_virtual_pointer", "?on", [seat_iface, pointer_iface]), ("destroy", "", [])])
keyboard_iface = interface("zwp_virtual_keyboard_v1", 1, [
    ("keymap", "uhu", [None] * 3), ("key", "uuu", [None] * 3), ("modifiers", "uuuu", [None] * 4),
    ("destroy", "", [])])
keyboard_manager_iface = interface("zwp_virtual_keyboard_manager_v1", 1, [
    ("create_virtual_keyboard", "on", [seat_iface, keyboard_iface])])

P = C.c_void_p
wl.wl_display_connect.restype = P
wl.wl_display_connect.argtypes = [C.c_char_p]
wl.wl_display_roundtrip.argtypes = [P]
wl.wl_proxy_marshal_constructor.restype = P
wl.wl_proxy_marshal_constructor_versioned.restype = P
wl.wl_proxy_add_listener.argtypes = [P, P, P]

display = wl.wl_display_connect(None)
if not display:
    sys.exit("wlr_input: no Wayland display")
registry = wl.wl_proxy_marshal_constructor(P(display), 1, C.byref(registry_iface), None)  # get_registry
globals_ = {}
GLOBAL = C.CFUNCTYPE(None, P, P, C.c_uint32, C.c_char_p, C.c_uint32)
REMOVE = C.CFUNCTYPE(None, P, P, C.c_uint32)
listener = (P * 2)(C.cast(GLOBAL(lambda d, r, n, i, v: globals_.setdefault(i.decode(), n)), P),
                   C.cast(REMOVE(lambda d, r, n: None), P))
KEEP.append(listener)
wl.wl_proxy_add_listener(registry, listener, None)
wl.wl_display_roundtrip(display)


def bind(iface):
    name = globals_.get(iface.name.decode())
    if name is None:
        sys.exit(f"wlr_input: the compositor has no {iface.name.decode()}")
    return wl.wl_proxy_marshal_constructor_versioned(P(registry), 0, C.byref(iface), C.c_uint32(1), C.c_uint32(name),
                                                     iface.name, C.c_uint32(1), None)


seat = bind(seat_iface)
pointer = wl.wl_proxy_marshal_constructor(P(bind(pointer_manager_iface)), 0, C.byref(pointer_iface), P(seat), None)
keyboard = wl.wl_proxy_marshal_constructor(P(bind(keyboard_manager_iface)), 0, C.byref(keyboard_iface), P(seat),
                                           None)

# The keyboard's keymap: xkbcommon's default (us), handed over in a file.
xkb.xkb_context_new.restype = P
xkb.xkb_keymap_new_from_names.restype = P
xkb.xkb_keymap_new_from_names.argtypes = [P, P, C.c_int]
xkb.xkb_keymap_get_as_string.restype = C.c_void_p
xkb.xkb_keymap_get_as_string.argtypes = [P, C.c_int]
keymap = C.string_at(xkb.xkb_keymap_get_as_string(xkb.xkb_keymap_new_from_names(xkb.xkb_context_new(0), None, 0), 1))
with tempfile.TemporaryFile() as f:
    f.write(keymap + b"\0")
    f.flush()
    wl.wl_proxy_marshal(P(keyboard), 0, C.c_uint32(1), C.c_int(f.fileno()), C.c_uint32(len(keymap) + 1))
    wl.wl_display_roundtrip(display)

KEYS = {"Escape": 1, "BackSpace": 14, "Tab": 15, "Return": 28, "space": 57, "Up": 103, "Left": 105, "Right": 106,
        "Down": 108}
KEYS.update({c: code for code, row in ((16, "qwertyuiop"), (30, "asdfghjkl"), (44, "zxcvbnm"))
             for c, code in zip(row, range(code, code + len(row)))})
BUTTONS = {"left": 0x110, "right": 0x111, "middle": 0x112}


def now():
    return C.c_uint32(int(time.monotonic() * 1000) & 0xFFFFFFFF)


def pointer_call(opcode, *args):
    wl.wl_proxy_marshal(P(pointer), opcode, *args)
    wl.wl_proxy_marshal(P(pointer), 4)  # frame


def run(words):
    if words[0] == "move":
        pointer_call(1, now(), C.c_uint32(int(words[1])), C.c_uint32(int(words[2])), C.c_uint32(1280),
                     C.c_uint32(800))
    elif words[0] == "click":
        button = BUTTONS[words[1] if len(words) > 1 else "left"]
        for state in (1, 0):
            pointer_call(2, now(), C.c_uint32(button), C.c_uint32(state))
            wl.wl_display_roundtrip(display)
    elif words[0] == "key":
        for name in words[1:]:
            for state in (1, 0):
                wl.wl_proxy_marshal(P(keyboard), 1, now(), C.c_uint32(KEYS[name]), C.c_uint32(state))
                wl.wl_display_roundtrip(display)
                time.sleep(0.03)
    wl.wl_display_roundtrip(display)


ack = open(sys.argv[1], "a", buffering=1)
for number, line in enumerate(sys.stdin, 1):
    if line.split():
        run(line.split())
    ack.write(f"{number}\n")
