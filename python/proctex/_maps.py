"""Maps in memory: the result of render(), the pixel containers and PNG encoding."""

import ctypes
import os
import threading
import weakref

from . import _native
from ._native import ProctexError

# numpy when it can be imported, unless PROCTEX_NUMPY=0 asks for the plain
# bytes containers (the tests switch this module attribute too).
_numpy = None
if os.environ.get("PROCTEX_NUMPY", "1") != "0":
    try:
        import numpy as _numpy
    except ImportError:
        pass


class Pixels(bytes):
    """The pixels of one map when numpy is not available: the bytes row by row
    from the top, with ``shape`` as numpy would give it ((height, width) or
    (height, width, channels)) and ``typecode``, "B" for 8-bit maps, "H" for the
    16-bit height map, "f" for the float32 height field (both in native byte
    order), so that
    ``memoryview(p).cast(p.typecode, p.shape)`` indexes it as ``[y, x]`` or
    ``[y, x, c]``."""

    def __new__(cls, data, shape, typecode):
        pixels = super().__new__(cls, data)
        pixels.shape = tuple(shape)
        pixels.typecode = typecode
        return pixels

    def __repr__(self):
        return f"Pixels(shape={self.shape}, typecode={self.typecode!r})"


_ITEM = {"B": (1, "uint8"), "H": (2, "uint16"), "f": (4, "float32")}


def _copy(address, shape, typecode):
    count = 1
    for n in shape:
        count *= n
    item, dtype = _ITEM[typecode]
    size = count * item
    if _numpy is not None:
        array = _numpy.empty(shape, dtype=getattr(_numpy, dtype))
        ctypes.memmove(array.ctypes.data, address, size)
        return array
    return Pixels((ctypes.c_char * size).from_address(address), shape, typecode)


def _free(library, handle):
    library.proctex_maps_free(handle)


def encode_path(path):
    """The narrow path proctex_save takes: the file-system encoding here, the
    ANSI code page on Windows."""
    if "\0" in path:
        raise ProctexError(f"the path {path!r} contains a NUL character")
    try:
        return path.encode("mbcs") if os.name == "nt" else os.fsencode(path)
    except UnicodeEncodeError as error:
        raise ProctexError(f"the path {path!r} cannot be encoded for the file system: "
                           f"{error.reason}") from None


def _read(library, handle, m):
    """The pixels of map ``m`` of a result, or None when it was not computed."""
    w, h, c = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
    if m.number == _native.MAP_HEIGHT:
        address = library.proctex_maps_height(handle, ctypes.byref(w), ctypes.byref(h))
        return _copy(address, (h.value, w.value), "f") if address else None
    if m.number == _native.MAP_HEIGHT16:
        address = library.proctex_maps_height16(handle, ctypes.byref(w), ctypes.byref(h))
        return _copy(address, (h.value, w.value), "H") if address else None
    if m.bit_depth != 8:
        raise ProctexError(f"the library's {m.name} map has {m.bit_depth} bits per channel, "
                           "which this binding cannot read: use the binding that came with it")
    address = library.proctex_maps_pixels(handle, m.number, ctypes.byref(w), ctypes.byref(h),
                                          ctypes.byref(c))
    if not address:
        return None
    return _copy(address, (h.value, w.value) + ((c.value,) if c.value != 1 else ()), "B")


class Maps:
    """The maps of one render(), copied out of the library.

    An attribute per map of the library's table (``proctex.MAPS``), None when
    the map was not computed: ``diffuse`` (H x W for the grey materials, else
    H x W x 3), ``normal`` (H x W x 3), ``specular``, ``roughness`` and
    ``metallic`` (H x W) are uint8 numpy arrays, ``height`` an H x W float32
    array (the field itself), ``height16`` its H x W uint16 map, ``ao``,
    ``normal_gl`` and ``orm`` the extras when asked for; without numpy each is
    a :class:`Pixels`. ``size`` is (width, height), ``options`` every option
    the maps were made with.

    The library's copy is kept for save() until close() (or the end of a
    ``with`` block, or the object's collection) releases it; the arrays stay.
    close() from another thread waits for a save() that is running.
    """

    def __init__(self, handle, options, plan=None):
        library = _native.load()
        self._handle = handle
        self._names = [m.name for m in _native.tables().maps]
        # For save(): the settings, the extra maps asked for, the outputs.
        self._plan = plan
        self.options = options
        self.size = (0, 0)
        for m in _native.tables().maps:
            pixels = _read(library, handle, m)
            setattr(self, m.name, pixels)
            if pixels is not None:
                self.size = (pixels.shape[1], pixels.shape[0])
        # Held by save() while the library reads the handle, and by close().
        self._lock = threading.Lock()
        # Registered last: until here the caller frees the handle if copying fails.
        self._release = weakref.finalize(self, _free, library, handle)

    def save(self, path, progress=None):
        """Writes the files generate() writes for the same options, extras and
        outputs (the maps, the glTF files, the convention's copies, the
        sidecar; a missing folder is made) and returns their list; ``progress``
        as render() takes it. ProctexError when a file cannot be written."""
        from . import _outputs, _progress
        settings, extras, outputs = self._plan
        path = os.fsdecode(os.fspath(path))
        problem = _outputs.path_problem(path, outputs.single_file)
        if problem:
            raise _native.SettingsError(problem)
        _native.make_folder_for(path)
        held = [m for m in _native.tables().maps if m.suffix and getattr(self, m.name) is not None]
        with self._lock:
            if not self._release.alive:
                raise ProctexError("save() after close(): the library's copy of the maps is gone")
            return _outputs.write(self._handle, path, settings, extras, outputs, held,
                                  _progress.Following(progress))

    def close(self):
        """Releases the library's copy (save() no longer works); idempotent.
        Waits for a save() running on another thread."""
        with self._lock:
            self._release()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __repr__(self):
        shapes = ", ".join(f"{name}={getattr(self, name).shape}" for name in self._names
                           if getattr(self, name) is not None)
        return f"<proctex.Maps {shapes}>"


def _raw_layout(pixels, width, height, channels, stride):
    """(data, width, height, channels, stride) for a bytes-like image."""
    shape = getattr(pixels, "shape", None)
    if width is None and height is None and channels is None and shape is not None:
        if getattr(pixels, "typecode", "B") != "B":
            raise TypeError("encode_png takes 8-bit pixels, not a height field")
        height, width = shape[0], shape[1]
        channels = shape[2] if len(shape) == 3 else 1
    if width is None or height is None:
        raise TypeError("encode_png needs width and height (and channels) for raw bytes")
    channels = 1 if channels is None else channels
    data = bytes(memoryview(pixels).cast("B"))
    for name, value in (("width", width), ("height", height), ("channels", channels),
                        ("stride", stride)):
        if not isinstance(value, int) or isinstance(value, bool) or value < 0:
            raise ValueError(f"encode_png: {name} must be a whole number >= 0, not {value!r}")
    if width and height and channels:
        row = stride or width * channels
        needed = row * (height - 1) + width * channels
        if len(data) < needed:
            raise ValueError(f"encode_png: {width} x {height} x {channels} pixels with rows "
                             f"{row} bytes apart need {needed} bytes, got {len(data)}")
    return data, width, height, channels, stride


def _array_layout(array):
    """(array kept alive, width, height, channels, stride) for a numpy image."""
    if array.dtype != _numpy.uint8:
        raise TypeError(f"encode_png takes uint8 pixels, not {array.dtype}")
    if array.ndim == 2:
        (height, width), channels = array.shape, 1
    elif array.ndim == 3 and 1 <= array.shape[2] <= 4:
        height, width, channels = array.shape
    else:
        raise ValueError(f"encode_png takes H x W or H x W x 1..4 pixels, not {array.shape}")
    # The library steps rows by a stride but needs each row's pixels packed.
    packed = array.strides[-1] == 1 and (array.ndim == 2 or array.strides[1] == channels)
    if not packed or (height > 1 and array.strides[0] < width * channels):
        array = _numpy.ascontiguousarray(array)
    stride = array.strides[0] if height > 1 else 0
    return array, width, height, channels, stride


def encode_png(pixels, width=None, height=None, channels=None, stride=0):
    """PNG bytes of one 8-bit image, as the library writes its files.

    ``pixels`` is a uint8 numpy array (H x W grey, or H x W x 1..4 channels:
    grey, grey + alpha, RGB, RGBA; any strides), a :class:`Pixels` from render(),
    or bytes-like data with ``width``, ``height``, ``channels`` (default 1) and
    ``stride`` (bytes from one row to the next, 0 for packed rows).
    """
    if _numpy is not None and isinstance(pixels, _numpy.ndarray):
        if (width, height, channels, stride) != (None, None, None, 0):
            raise TypeError("encode_png takes the layout of an array from the array itself")
        keep, width, height, channels, stride = _array_layout(pixels)
        address = keep.ctypes.data
    else:
        keep, width, height, channels, stride = _raw_layout(pixels, width, height, channels,
                                                            stride)
        address = keep
    library = _native.load()
    out, length = ctypes.c_void_p(), ctypes.c_size_t()
    code = library.proctex_encode_png(address, width, height, channels, stride,
                                      ctypes.byref(out), ctypes.byref(length))
    if code == _native.ERROR_MEMORY:
        raise MemoryError(f"encode_png: no memory for a {width} x {height} image")
    if code != _native.OK:
        raise ValueError(f"encode_png refused {width} x {height} pixels of {channels} channels "
                         f"with stride {stride} (sizes > 0, 1..4 channels, rows of at least "
                         "width x channels bytes, under 2^31 bytes in all)")
    try:
        return ctypes.string_at(out.value, length.value)
    finally:
        library.proctex_free(out)
