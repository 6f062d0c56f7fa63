"""Asks a window to close the way a window manager's close button does: a
WM_DELETE_WINDOW client message. Xvfb runs no window manager, and xdotool's
windowclose destroys the window instead of asking the program to close it."""

import ctypes
import ctypes.util

_x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XInternAtom.restype = ctypes.c_ulong
_x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
_x11.XFlush.argtypes = [ctypes.c_void_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

CLIENT_MESSAGE = 33


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def close_window(display_name, window_id):
    dpy = _x11.XOpenDisplay(display_name.encode())
    if not dpy:
        raise OSError(f"cannot open display {display_name}")
    try:
        ev = _Event()
        ev.xclient.type = CLIENT_MESSAGE
        ev.xclient.window = int(window_id)
        ev.xclient.message_type = _x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        ev.xclient.format = 32
        ev.xclient.data[0] = _x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        ev.xclient.data[1] = 0  # CurrentTime
        if not _x11.XSendEvent(dpy, int(window_id), 0, 0, ctypes.byref(ev)):
            raise OSError("XSendEvent failed")
        _x11.XFlush(dpy)
    finally:
        _x11.XCloseDisplay(dpy)
