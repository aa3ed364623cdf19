"""The proctex binding the add-on uses.

The packaged add-on carries the binding as the subpackage ``proctex`` and the
library next to this file; the library is made the one the binding loads
unless PROCTEX_LIBRARY already names another. Run from the source tree (no
vendored copy), the binding is taken from ../../python and finds the build.
"""

import os
import sys

_HERE = os.path.dirname(os.path.abspath(__file__))
_LIBRARY_NAME = "proctex.dll" if os.name == "nt" else "libproctex.so"


def bundled_library():
    """The library packed into the add-on, or None."""
    path = os.path.join(_HERE, _LIBRARY_NAME)
    return path if os.path.isfile(path) else None


def _import_binding():
    bundled = bundled_library()
    if bundled and not os.environ.get("PROCTEX_LIBRARY"):
        os.environ["PROCTEX_LIBRARY"] = bundled
    try:
        from . import proctex as binding
    except ImportError:
        source_python = os.path.join(os.path.dirname(os.path.dirname(_HERE)), "python")
        if source_python not in sys.path:
            sys.path.append(source_python)
        import proctex as binding
    return binding


proctex = _import_binding()
