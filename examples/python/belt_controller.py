#!/usr/bin/python3
"""A controller in Python 3: the main belt runs from a press on "DC" until a
press on "AC", on the corvan module (Debian's python3-corvan).

The simulator starts it as  belt_controller.py [--library PATH] -automemlink <id>:

    corvan /usr/share/doc/corvan/examples/python/belt_controller.py

PATH is the shared library libcorvan-iolink.so.1 to use when it is not in the
system's library path (the module also reads CORVAN_IOLINK_LIBRARY).
"""
import sys

import corvan


def report(text):
    print("belt_controller: " + text, file=sys.stderr, flush=True)


def library_option(argv):
    if "--library" in argv[:-1]:
        return argv[argv.index("--library") + 1]
    return None


def main():
    try:
        link = corvan.Link.from_argv(library=library_option(sys.argv))
    except corvan.LinkError as error:
        report(str(error))
        return 1
    with link:
        # The buttons are one-turn pulses: the belt's state is our own latch.
        belt_on = False
        for turn in link.turns():
            if link.dc and not belt_on:
                belt_on = True
                report("dc=1, main belt on (turn %d)" % turn)
            if link.ac and belt_on:
                belt_on = False
                report("ac=1, main belt off (turn %d)" % turn)
            link.MT = belt_on
            link.refresh()
        report("end of the exchange")
    return 0


if __name__ == "__main__":
    sys.exit(main())
