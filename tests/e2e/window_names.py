#!/usr/bin/env python3
"""Prints an X11 window's two titles, each read as X programs read it: the older WM_NAME
(Latin-1 or compound text) and the UTF-8 _NET_WM_NAME, one a line in UTF-8."""
import ctypes
import sys


class TextProperty(ctypes.Structure):
    _fields_ = [("value", ctypes.c_void_p), ("encoding", ctypes.c_ulong), ("format", ctypes.c_int),
                ("nitems", ctypes.c_ulong)]


def main():
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XGetTextProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(TextProperty), ctypes.c_ulong]
    x11.Xutf8TextPropertyToTextList.argtypes = [ctypes.c_void_p, ctypes.POINTER(TextProperty),
                                                ctypes.POINTER(ctypes.POINTER(ctypes.c_char_p)),
                                                ctypes.POINTER(ctypes.c_int)]
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the display")
    window = int(sys.argv[1], 0)
    for atom in (39, x11.XInternAtom(display, b"_NET_WM_NAME", 0)):  # 39 is WM_NAME
        prop = TextProperty()
        texts = ctypes.POINTER(ctypes.c_char_p)()
        count = ctypes.c_int()
        if not x11.XGetTextProperty(display, window, ctypes.byref(prop), atom) or \
                x11.Xutf8TextPropertyToTextList(display, ctypes.byref(prop), ctypes.byref(texts),
                                                ctypes.byref(count)) != 0 or count.value < 1:
            print("")
            continue
        print(texts[0].decode("utf-8", "replace"))


if __name__ == "__main__":
    main()
