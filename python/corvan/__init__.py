"""Write a controller for the corvan gluing-line simulator in Python.

The simulator starts a controller with "-automemlink <id>" among its
arguments; the controller reads the 23 inputs and writes the 14 outputs once
a turn (5 ms). This module is the C interface of libcorvan-iolink.so.1, called
through ctypes: nothing is compiled.

    import corvan

    with corvan.Link.from_argv() as link:
        belt_on = False
        for turn in link.turns():
            if link.dc:
                belt_on = True
            if link.ac:
                belt_on = False
            link.MT = belt_on
            link.refresh()

Inputs are read as attributes or items by their lower-case names (link.dc,
link["b1s"]); outputs are set by their upper-case names (link.MT = 1,
link["BZ1"] = 0, link.set(MT=1, BZ1=0)) and read back as last set. A name
that is not a signal raises UnknownSignal, which says the closest names.
"""

import ctypes
import difflib
import os
import sys

__all__ = ["Link", "LinkError", "UnknownSignal", "INPUTS", "OUTPUTS", "signal_names"]

# The library the Debian package installs in the system's library path; the
# environment variable CORVAN_IOLINK_LIBRARY, or Link.from_argv(library=...),
# names another file.
DEFAULT_LIBRARY = "libcorvan-iolink.so.1"

# The C interface's signal indices: inputs first, then outputs.
_INPUT_COUNT = 23


class LinkError(RuntimeError):
    """The link cannot be opened (the library has said why on stderr), or is closed."""


class UnknownSignal(AttributeError, KeyError):
    """A name that is not one of the signals the link carries."""


_libraries = {}


def _load(path):
    """The C library at path, its functions declared once."""
    if path in _libraries:
        return _libraries[path]
    try:
        lib = ctypes.CDLL(path, use_errno=True)
    except OSError as error:
        raise LinkError("cannot load %s (%s): give its path with library= or "
                        "CORVAN_IOLINK_LIBRARY" % (path, error)) from None
    declarations = {
        "corvan_link_open": (ctypes.c_void_p, [ctypes.c_int, ctypes.POINTER(ctypes.c_char_p)]),
        "corvan_link_receive": (ctypes.c_int, [ctypes.c_void_p]),
        "corvan_link_turn": (ctypes.c_int, [ctypes.c_void_p]),
        "corvan_link_input": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_char_p]),
        "corvan_link_set_output": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]),
        "corvan_link_refresh": (None, [ctypes.c_void_p]),
        "corvan_link_close": (None, [ctypes.c_void_p]),
        "corvan_link_signal_index": (ctypes.c_int, [ctypes.c_char_p]),
        "corvan_link_signal_name": (ctypes.c_char_p, [ctypes.c_int]),
    }
    for name, (restype, argtypes) in declarations.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes
    _libraries[path] = lib
    return lib


def _library_path(library=None):
    return library or os.environ.get("CORVAN_IOLINK_LIBRARY") or DEFAULT_LIBRARY


def signal_names(library=None):
    """Every signal's name in index order: the inputs, then the outputs."""
    return _all_names(_load(_library_path(library)))


def _all_names(lib):
    names = []
    while True:
        name = lib.corvan_link_signal_name(len(names))
        if name is None:
            return names
        names.append(name.decode())


def _names_or_empty():
    try:
        return signal_names()
    except LinkError:
        return []


_NAMES = _names_or_empty()
INPUTS = _NAMES[:_INPUT_COUNT]
OUTPUTS = _NAMES[_INPUT_COUNT:]


class Link:
    """The controller's side of one run's exchange area."""

    # Attributes of the object itself; every other attribute is a signal.
    __slots__ = ("_lib", "_handle", "_outputs")

    def __init__(self, argv, library=None):
        """Opens the link named by "-automemlink <id>" in argv (a list of strings,
        argv[0] being the program). LinkError when it cannot be opened, or when
        another link is open in this process."""
        lib = _load(_library_path(library))
        words = [str(word).encode() for word in argv]
        c_argv = (ctypes.c_char_p * (len(words) + 1))(*words, None)
        ctypes.set_errno(0)
        handle = lib.corvan_link_open(len(words), c_argv)
        if not handle:
            error = ctypes.get_errno()
            raise LinkError("cannot open the exchange with the simulator%s" %
                            (" (%s)" % os.strerror(error) if error else ""))
        object.__setattr__(self, "_lib", lib)
        object.__setattr__(self, "_handle", handle)
        object.__setattr__(self, "_outputs", {})

    @classmethod
    def from_argv(cls, argv=None, library=None):
        """The link the simulator gave this program: "-automemlink <id>" among
        sys.argv (or the argv given)."""
        return cls(sys.argv if argv is None else argv, library)

    # ------------------------------------------------------------ turns

    def turns(self):
        """A generator of the simulator's turns: it waits for each new turn,
        copies its inputs and yields the turn counter, and ends when the run
        ends. Call refresh() at the end of each turn's work."""
        while True:
            got = self._lib.corvan_link_receive(self._live())
            if got < 0:
                return
            if got > 0:
                yield self.turn

    def receive(self):
        """One look for a new turn, as the C interface: 1 when one was copied,
        0 when nothing new came (after a 10 ms pause), -1 when the run ended."""
        return self._lib.corvan_link_receive(self._live())

    @property
    def turn(self):
        """The simulator's turn counter of the last copied turn (5 ms a turn)."""
        return self._lib.corvan_link_turn(self._live())

    def refresh(self):
        """Tells the simulator that this turn's outputs are written."""
        self._lib.corvan_link_refresh(self._live())

    # ------------------------------------------------------------ signals

    def set(self, name=None, value=None, **outputs):
        """link.set("MT", 1) or link.set(MT=1, BZ1=0): writes outputs at once."""
        if name is not None:
            outputs[name] = value
        for output, level in outputs.items():
            self._write(output, level)

    def __getitem__(self, name):
        index = _signal_index(self._lib, name)
        handle = self._live()
        if index >= _INPUT_COUNT:
            return self._outputs.get(name, 0)
        value = self._lib.corvan_link_input(handle, name.encode())
        if value < 0:
            raise UnknownSignal(_unknown(self._lib, name))
        return value

    def __setitem__(self, name, value):
        self._write(name, value)

    def __getattr__(self, name):
        # Only for names that are not the object's own: no signal starts with "_".
        if name.startswith("_"):
            raise AttributeError(name)
        return self[name]

    def __setattr__(self, name, value):
        self._write(name, value)

    def __dir__(self):
        return sorted(set(object.__dir__(self)) | set(signal_names()))

    def _write(self, name, value):
        index = _signal_index(self._lib, name)
        if index < _INPUT_COUNT:
            raise UnknownSignal("%r is an input: the simulator sets it, the controller "
                                "only reads it" % name)
        level = int(bool(value))
        if self._lib.corvan_link_set_output(self._live(), name.encode(), level) < 0:
            raise UnknownSignal(_unknown(self._lib, name))
        self._outputs[name] = level

    # ------------------------------------------------------------ closing

    def close(self):
        """Detaches from the exchange area; the link is unusable afterwards."""
        if self._handle:
            self._lib.corvan_link_close(self._handle)
            object.__setattr__(self, "_handle", None)

    @property
    def closed(self):
        return not self._handle

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def __del__(self):
        try:
            self.close()
        except AttributeError:  # __init__ failed before the handle was kept
            pass

    def _live(self):
        if not self._handle:
            raise LinkError("the link is closed")
        return self._handle


def _signal_index(lib, name):
    if not isinstance(name, str):
        raise UnknownSignal("signal names are strings, not %r" % (name,))
    index = lib.corvan_link_signal_index(name.encode())
    if index < 0:
        raise UnknownSignal(_unknown(lib, name))
    return index


def _unknown(lib, name):
    """The message for a name that is no signal, with the names it may have meant:
    the same letters in another case, else the closest spellings."""
    names = _all_names(lib)
    meant = [n for n in names if n.lower() == name.lower()]
    meant = meant or difflib.get_close_matches(name, names, n=3, cutoff=0.6)
    hint = "; did you mean %s?" % " or ".join(repr(n) for n in meant) if meant else ""
    return "no signal named %r (inputs are lower case, outputs upper case)%s" % (name, hint)
