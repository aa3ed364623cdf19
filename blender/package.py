#!/usr/bin/python3
"""Packs the Blender add-on into a zip that Blender's "Install add-on" takes:
proctex_blender/ with the add-on's modules, the Python binding as the
subpackage proctex/, the Linux library and, when built, the Windows DLL.

    blender/package.py BUILD_DIR OUT.zip [WINDOWS_DLL]
"""

import os
import re
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
ADDON = "proctex_blender"


def _sources(folder):
    """The .py files of a package folder, sorted, caches left out."""
    return sorted(name for name in os.listdir(folder) if name.endswith(".py"))


def release_version():
    """The VERSION file's "MAJOR.MINOR.PATCH" as bl_info's tuple."""
    with open(os.path.join(ROOT, "VERSION"), encoding="ascii") as f:
        text = f.read().strip()
    if not re.fullmatch(r"\d+\.\d+\.\d+", text):
        raise SystemExit(f"package: VERSION holds {text!r}, not MAJOR.MINOR.PATCH")
    return tuple(int(part) for part in text.split("."))


def with_version(source, version):
    """The add-on's __init__.py with bl_info's version set to `version`."""
    pattern = r'"version": \(\d+, \d+, \d+\)'
    if len(re.findall(pattern, source)) != 1:
        raise SystemExit("package: bl_info's version line not found in the add-on")
    return re.sub(pattern, '"version": (%d, %d, %d)' % version, source)


def entries(build_dir, windows_dll=None):
    """(path in the zip, file on disk) for everything the add-on carries."""
    found = []
    addon = os.path.join(HERE, ADDON)
    for name in _sources(addon):
        found.append((f"{ADDON}/{name}", os.path.join(addon, name)))
    binding = os.path.join(ROOT, "python", "proctex")
    for name in _sources(binding):
        found.append((f"{ADDON}/proctex/{name}", os.path.join(binding, name)))
    library = os.path.join(build_dir, "libproctex.so")
    if not os.path.isfile(library):
        raise SystemExit(f"package: no {library}; build the library first (make build)")
    # The real file behind the versioned symlinks, under the name the add-on loads.
    found.append((f"{ADDON}/libproctex.so", os.path.realpath(library)))
    if windows_dll and os.path.isfile(windows_dll):
        found.append((f"{ADDON}/proctex.dll", windows_dll))
    return found


def main(argv):
    if len(argv) not in (3, 4):
        raise SystemExit(__doc__)
    build_dir, out = argv[1], argv[2]
    windows_dll = argv[3] if len(argv) == 4 else os.path.join(ROOT, "build", "windows", "bin",
                                                                "proctex.dll")
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    partial = out + ".partial"
    version = release_version()
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as archive:
        for inside, path in entries(build_dir, windows_dll):
            info = zipfile.ZipInfo.from_file(path, inside)
            info.compress_type = zipfile.ZIP_DEFLATED
            # Libraries keep their execute bit, sources are plain files.
            info.external_attr = (0o755 if inside.endswith((".so", ".dll")) else 0o644) << 16
            with open(path, "rb") as source:
                data = source.read()
            if inside == f"{ADDON}/__init__.py":
                data = with_version(data.decode("utf-8"), version).encode("utf-8")
            archive.writestr(info, data)
    os.replace(partial, out)
    print(f"blender-addon: {out}")


if __name__ == "__main__":
    main(sys.argv)
