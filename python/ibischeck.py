"""Check IBIS, package, board and AMI parameter files from Python.

The checker runs inside the model libraries (rx_ami.so or tx_ami.so), called
through their C API (checker/chkapi.h) with the standard library's ctypes: no
build step.

    >>> from ibischeck import check
    >>> findings = check("part.ibs")
    >>> for f in findings:
    ...     print(f.severity, f.code, f.file, f.line, f.text)
    >>> findings.passed, findings.counts["errors"]

The library is found, in this order: the path given to load() or check(),
the environment variable IBISCHECK_LIBRARY, rx_ami.so in ../build beside this
file, then rx_ami.so on the system's library path. Calls are safe from
several threads; the library runs one check at a time.
"""
import ctypes
import os
import threading
from typing import NamedTuple, Optional

__all__ = ["Finding", "Result", "Checker", "load", "check", "check_text",
           "PASSED", "FAILED", "UNREADABLE"]

PASSED, FAILED, UNREADABLE = 0, 1, 2
_TYPES = {None: 0, "ibs": 1, "pkg": 2, "ebd": 3, "ami": 4}
_CAUTIONS = 1


class Finding(NamedTuple):
    """One message: code (None when it has none), severity ("bug", "error",
    "warning", "caution", "note", "information"), file, line (None when it
    names none) and text."""
    code: Optional[int]
    severity: str
    file: str
    line: Optional[int]
    text: str


class Result(list):
    """The findings of one check, in the order raised, with the file's
    status (PASSED, FAILED or UNREADABLE), its counts and verdict."""

    def __init__(self, findings, status, counts):
        super().__init__(findings)
        self.status = status
        self.counts = counts

    @property
    def passed(self):
        return self.status == PASSED

    @property
    def verdict(self):
        return "Passed" if self.status == PASSED else "Failed"


class _CFinding(ctypes.Structure):
    _fields_ = [("iCode", ctypes.c_int), ("cKind", ctypes.c_char),
                ("pszSeverity", ctypes.c_char_p), ("ulLine", ctypes.c_ulong),
                ("pszFile", ctypes.c_char_p), ("pszText", ctypes.c_char_p)]


def _text(b):
    return b.decode("latin-1") if b is not None else ""


class Checker:
    """The checker of one loaded library."""

    def __init__(self, library):
        lib = ctypes.CDLL(library)
        res = ctypes.c_void_p
        lib.IBISCHK_CheckFile.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.c_int]
        lib.IBISCHK_CheckFile.restype = res
        lib.IBISCHK_CheckText.argtypes = [ctypes.c_char_p, ctypes.c_size_t, ctypes.c_char_p,
                                          ctypes.c_int, ctypes.c_int]
        lib.IBISCHK_CheckText.restype = res
        lib.IBISCHK_Status.argtypes = [res]
        lib.IBISCHK_FindingCount.argtypes = [res]
        lib.IBISCHK_FindingCount.restype = ctypes.c_size_t
        lib.IBISCHK_GetFinding.argtypes = [res, ctypes.c_size_t, ctypes.POINTER(_CFinding)]
        ul = ctypes.POINTER(ctypes.c_ulong)
        lib.IBISCHK_GetCounts.argtypes = [res, ul, ul, ul, ul, ul]
        lib.IBISCHK_GetCounts.restype = None
        lib.IBISCHK_Free.argtypes = [res]
        lib.IBISCHK_Free.restype = None
        lib.IBISCHK_Version.restype = ctypes.c_char_p
        self._lib = lib
        self.version = _text(lib.IBISCHK_Version())

    def check(self, path, type=None, cautions=False):
        """Checks the file at path; type None takes it from the extension,
        else one of "ibs", "pkg", "ebd", "ami"."""
        r = self._lib.IBISCHK_CheckFile(os.fsencode(path), _type(type), _flags(cautions))
        return self._result(r)

    def check_text(self, text, name, type=None, cautions=False):
        """Checks text (str or bytes) as if it were a file named name."""
        data = text.encode("latin-1") if isinstance(text, str) else bytes(text)
        r = self._lib.IBISCHK_CheckText(data, len(data), os.fsencode(name), _type(type), _flags(cautions))
        return self._result(r)

    def _result(self, r):
        if not r:
            raise ValueError("the checker refused the arguments or ran out of memory")
        try:
            lib, f = self._lib, _CFinding()
            findings = []
            for i in range(lib.IBISCHK_FindingCount(r)):
                lib.IBISCHK_GetFinding(r, i, ctypes.byref(f))
                findings.append(Finding(f.iCode if f.iCode >= 0 else None, _text(f.pszSeverity),
                                        _text(f.pszFile), f.ulLine or None, _text(f.pszText)))
            c = [ctypes.c_ulong() for _ in range(5)]
            lib.IBISCHK_GetCounts(r, *[ctypes.byref(x) for x in c])
            counts = dict(zip(("bugs", "errors", "warnings", "cautions", "notes"), (x.value for x in c)))
            return Result(findings, lib.IBISCHK_Status(r), counts)
        finally:
            self._lib.IBISCHK_Free(r)


def _type(type):
    if type not in _TYPES:
        raise ValueError("type must be None, 'ibs', 'pkg', 'ebd' or 'ami'")
    return _TYPES[type]


def _flags(cautions):
    return _CAUTIONS if cautions else 0


def _default_library():
    env = os.environ.get("IBISCHECK_LIBRARY")
    if env:
        return env
    beside = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build", "rx_ami.so")
    return beside if os.path.exists(beside) else "rx_ami.so"


_loaded = {}
_load_lock = threading.Lock()


def load(library=None):
    """The Checker of a library (loaded once per path)."""
    path = library or _default_library()
    with _load_lock:
        if path not in _loaded:
            _loaded[path] = Checker(path)
        return _loaded[path]


def check(path, type=None, cautions=False, library=None):
    """Checks one file; returns its findings (a Result)."""
    return load(library).check(path, type, cautions)


def check_text(text, name, type=None, cautions=False, library=None):
    """Checks a text held in memory as if it were a file named name."""
    return load(library).check_text(text, name, type, cautions)
