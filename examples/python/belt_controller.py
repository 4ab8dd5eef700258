#!/usr/bin/python3
"""A controller in Python 3: the main belt runs from a press on "DC" until a
press on "AC". It calls the C interface of the shared client library through
ctypes, so nothing needs compiling.

The simulator starts it as  belt_controller.py [--library PATH] -automemlink <id>:

    corvan examples/python/belt_controller.py

PATH is the shared library to load; by default the system's library path is
searched for libcorvan-iolink.so.1 (where the Debian package puts it).
"""
import ctypes
import sys


def report(text):
    print("belt_controller: " + text, file=sys.stderr, flush=True)


def load_library(argv):
    path = "libcorvan-iolink.so.1"
    if "--library" in argv[:-1]:
        path = argv[argv.index("--library") + 1]
    try:
        lib = ctypes.CDLL(path)
    except OSError as error:
        report("cannot load %s (%s): give its path with --library" % (path, error))
        return None
    lib.corvan_link_open.restype = ctypes.c_void_p
    lib.corvan_link_open.argtypes = [ctypes.c_int, ctypes.POINTER(ctypes.c_char_p)]
    lib.corvan_link_receive.argtypes = [ctypes.c_void_p]
    lib.corvan_link_input.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
    lib.corvan_link_set_output.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    lib.corvan_link_refresh.argtypes = [ctypes.c_void_p]
    lib.corvan_link_close.argtypes = [ctypes.c_void_p]
    return lib


def open_link(lib, argv):
    c_argv = (ctypes.c_char_p * len(argv))(*[a.encode() for a in argv])
    return lib.corvan_link_open(len(argv), c_argv)


def main():
    lib = load_library(sys.argv)
    if lib is None:
        return 1
    link = open_link(lib, sys.argv)
    if not link:
        return 1
    # The buttons are one-turn pulses: the belt's state is our own latch.
    belt_on = False
    while True:
        turn = lib.corvan_link_receive(link)
        if turn < 0:
            break
        if turn == 0:
            continue
        if lib.corvan_link_input(link, b"dc") and not belt_on:
            belt_on = True
            report("dc=1, main belt on")
        if lib.corvan_link_input(link, b"ac") and belt_on:
            belt_on = False
            report("ac=1, main belt off")
        lib.corvan_link_set_output(link, b"MT", int(belt_on))
        lib.corvan_link_refresh(link)
    report("end of the exchange")
    lib.corvan_link_close(link)
    return 0


if __name__ == "__main__":
    sys.exit(main())
