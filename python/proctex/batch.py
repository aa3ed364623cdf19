"""Batch manifests on a Dask cluster: ``python3 -m proctex batch``.

The manifest is checked whole by the command-line tool (``proctex batch
--check``), so the rules and messages are the tool's; each material then
becomes one task. A worker computes the material through the library into a
private temporary folder, reads the files back and returns their bytes; the
client writes them under a temporary name in the target folder and renames
it, so a file is complete or absent. Tasks are pure (an item always gives the
same bytes), so the scheduler may run a task again when its worker dies.

With ``--shared-dir`` the workers write the files themselves (the same
temporary name and rename), into a folder every machine sees, and return
only sizes and digests.
"""

import argparse
import ctypes
import errno
import glob
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import uuid

from . import _native

_SAVE_FILES = None


def _save_files():
    """proctex_save_files of the loaded library, declared on first use."""
    global _SAVE_FILES
    if _SAVE_FILES is None:
        function = _native.load().proctex_save_files
        function.restype = ctypes.c_int
        function.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_uint, ctypes.c_char_p,
                             ctypes.c_size_t]
        _SAVE_FILES = function
    return _SAVE_FILES


def _load_library():
    _native.load()


def _library_settings(record):
    """The ProctexSettings of a checked item's "settings" record (which also
    holds the record's version and the outputs: only the options are taken)."""
    from . import _settings
    options = _native.tables().option
    return _settings(None, {key: value for key, value in record.items()
                            if key.replace("-", "_") in options or key == "colors"})


def sidecar_text(settings_record, files):
    """The sidecar record the tool writes: the settings, then each file's name,
    size and SHA-256. ``files`` are (path, bytes) pairs."""
    record = dict(settings_record)
    record["files"] = [{"name": os.path.basename(path), "bytes": len(data),
                        "sha256": hashlib.sha256(data).hexdigest()} for path, data in files]
    return json.dumps(record, indent=2, ensure_ascii=False) + "\n"


def _worker_name():
    try:
        from distributed import get_worker
        return get_worker().address
    except Exception:  # not on a Dask worker
        return f"pid {os.getpid()}"


def write_set(pairs):
    """Writes (path, bytes) pairs as one set, as the library replaces a
    material's files: each to a temporary beside it, then all renamed. When
    one cannot be written nothing is replaced, the temporaries are removed
    and OSError names the file (``filename``) and the system's reason."""
    staged = []
    try:
        for path, data in pairs:
            try:
                if os.path.isdir(path) and not os.path.islink(path):
                    raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR))
                temporary = _temporary_beside(path)
                with open(temporary, "xb") as out:
                    staged.append((temporary, path))
                    out.write(data)
            except OSError as error:
                raise OSError(error.errno, error.strerror or str(error), path) from error
        for temporary, path in staged:
            try:
                os.replace(temporary, path)
            except OSError as error:
                raise OSError(error.errno, error.strerror or str(error), path) from error
    finally:
        for temporary, _ in staged:
            try:
                os.unlink(temporary)
            except OSError:
                pass  # renamed into place


def _temporary_beside(path):
    folder = os.path.dirname(path) or "."
    return os.path.join(folder, f".{os.path.basename(path)}.{uuid.uuid4().hex}.part")


def write_atomically(path, data):
    """Writes ``data`` to a temporary name in the folder of ``path``, then
    renames it: the file is complete or absent, never partial."""
    folder = os.path.dirname(path) or "."
    temporary = os.path.join(folder, f".{os.path.basename(path)}.{uuid.uuid4().hex}.part")
    try:
        with open(temporary, "wb") as out:
            out.write(data)
        os.replace(temporary, path)
    except BaseException:
        try:
            os.unlink(temporary)
        except OSError:
            pass
        raise


def _compute(item):
    """The files of a checked item as (path, bytes), in the tool's order; raises
    RuntimeError with the library's reason when it refuses or fails."""
    settings = _library_settings(item["settings"])
    library = _native.load()
    handle = ctypes.c_void_p()
    reason = _native.reason_buffer()
    # The library's reason as it stands, as the tool reports it.
    if library.proctex_settings_check(ctypes.byref(settings), reason, len(reason)) != _native.OK:
        raise RuntimeError(_native.text(reason))
    code = library.proctex_generate(ctypes.byref(settings), item["maps"], ctypes.byref(handle),
                                    reason, len(reason))
    if code != _native.OK:
        raise RuntimeError(_native.text(reason))
    copies = {to: source for source, to in item["copies"]}
    made = {}
    try:
        with tempfile.TemporaryDirectory(prefix="proctex-") as folder:
            base = os.path.join(folder, os.path.basename(item["output"]))
            code = _save_files()(handle, os.fsencode(base), item["save_flags"], reason,
                                 len(reason))
            if code != _native.OK:
                raise RuntimeError(_native.text(reason))
            # A convention's name holds the bytes of our file of that map,
            # which the item may not list itself (the tool renames it).
            for path in item["files"]:
                source = copies.get(path, path)
                with open(os.path.join(folder, os.path.basename(source)), "rb") as f:
                    made[path] = f.read()
    finally:
        library.proctex_maps_free(handle)
    files = [(path, made[path]) for path in item["files"]]
    if item["sidecar"]:
        files.append((item["sidecar"], sidecar_text(item["settings"], files).encode("utf-8")))
    return files


def render_item(item, shared_dir=None):
    """The task of one checked item (a line of ``proctex batch --check``).

    Returns {"ok", "error", "files", "seconds", "worker"}: "files" are
    (path, bytes, sha256), or with ``shared_dir`` (path, size, sha256) of the
    files this worker wrote under that folder. Pure: the same item gives the
    same bytes, so running it again is harmless.
    """
    start = time.perf_counter()
    result = {"ok": False, "error": None, "files": [], "worker": _worker_name()}
    try:
        files = _compute(item)
        if shared_dir is None:
            result["files"] = [(path, data, hashlib.sha256(data).hexdigest())
                               for path, data in files]
        else:
            targets = [(os.path.join(shared_dir, path), data) for path, data in files]
            try:
                for target, _ in targets:
                    os.makedirs(os.path.dirname(target) or ".", exist_ok=True)
                write_set(targets)
            except OSError as error:  # a failed item lists no files
                raise RuntimeError(f"could not write {error.filename}: "
                                   f"{error.strerror or error}") from error
            result["files"] = [(path, len(data), hashlib.sha256(data).hexdigest())
                               for path, data in files]
        result["ok"] = True
    except Exception as error:  # the item fails, the batch goes on
        result["error"] = str(error)
    result["seconds"] = time.perf_counter() - start
    return result


# ---------------------------------------------------------------- the client


class ManifestError(Exception):
    """The tool refused the manifest; the message is the tool's."""


def find_tool():
    """The command-line tool: $PROCTEX_TOOL, the one beside the library (a
    build tree's cli/, an installation's bin/), or proctex on PATH."""
    explicit = os.environ.get("PROCTEX_TOOL")
    if explicit:
        return explicit
    library = _native.library_path()
    if os.path.isabs(library):
        here = os.path.dirname(library)
        for candidate in (os.path.join(here, "cli", "proctex"),
                          os.path.join(os.path.dirname(here), "bin", "proctex")):
            if os.path.isfile(candidate) and os.access(candidate, os.X_OK):
                return candidate
    found = shutil.which("proctex")
    if found:
        return found
    raise FileNotFoundError("cannot find the proctex tool (set PROCTEX_TOOL)")


def check_manifest(manifest, tool=None):
    """The items of a manifest as ``proctex batch --check`` prints them;
    ManifestError with the tool's message when it refuses the manifest."""
    run = subprocess.run([tool or find_tool(), "batch", "--check", os.fspath(manifest)],
                         capture_output=True, text=True)
    if run.returncode != 0:
        raise ManifestError(run.stderr.strip() or f"proctex batch --check failed "
                                                   f"({run.returncode})")
    return [json.loads(line) for line in run.stdout.splitlines() if line.strip()]


def _rate_text(per_second):
    return f"{per_second:.0f}/s" if per_second >= 10.0 else f"{per_second:.1f}/s"


def _clock_text(seconds):
    total = round(min(max(seconds, 0.0), 359999.0))
    if total >= 3600:
        return f"{total // 3600}:{total // 60 % 60:02d}:{total % 60:02d}"
    return f"{total // 60}:{total % 60:02d}"


def progress_bar(done, total, elapsed, columns):
    """The C batch's bar: "[####....] 7/16  3.4/s  0:03 left"."""
    tail = f" {done}/{total}  "
    if done > 0 and elapsed > 0.0:
        rate = done / elapsed
        tail += f"{_rate_text(rate)}  {_clock_text((total - done) / rate)} left"
    else:
        tail += "--/s  -:-- left"
    width = max(10, columns - 3 - len(tail))
    filled = width if total == 0 else done * width // total
    return "[" + "#" * filled + "." * (width - filled) + "]" + tail


class Progress:
    """Progress as the C batch prints it: a bar, lines, or only failures and
    the summary."""

    def __init__(self, out, style, columns=80):
        self.out, self.style, self.columns = out, style, columns
        self.total, self.failed = 0, []

    def start(self, total, jobs):
        self.total = total
        if self.style == "quiet":
            return
        self.out.write(f"batch: {total} material{'' if total == 1 else 's'} on {jobs} "
                       f"job{'' if jobs == 1 else 's'}\n")
        if self.style == "bar":
            self.out.write(progress_bar(0, total, 0.0, self.columns))
        self.out.flush()

    @staticmethod
    def _label(item):
        """"item 3 out/g.png (granite)": the manifest's number and the output."""
        label = f"item {item['item']} {item['output']}"
        return label if item["name"] == item["output"] else f"{label} ({item['name']})"

    def _failure(self, head, item, error):
        self.out.write(f"{head}failed {self._label(item)}: {error}\n")

    def finished(self, item, result, done, elapsed):
        if not result["ok"]:
            self.failed.append(self._label(item))
        head = f"[{done:>{len(str(self.total))}}/{self.total}] "
        if self.style == "bar":
            self.out.write("\r\033[K")
            if not result["ok"]:
                self._failure(head, item, result["error"])
            self.out.write(progress_bar(done, self.total, elapsed, self.columns))
        elif self.style == "lines" or not result["ok"]:
            if result["ok"]:
                self.out.write(f"{head}ok     {self._label(item)}, {result['seconds']:.2f} s\n")
            else:
                self._failure(head, item, result["error"])
        self.out.flush()

    def end(self, total, failed, seconds, jobs):
        if self.style == "bar":
            self.out.write("\n")
        rate = total / seconds if seconds > 0 else 0.0
        line = (f"batch: {total - failed} of {total} written in {seconds:.2f} s "
                f"({_rate_text(rate)}, {jobs} job{'' if jobs == 1 else 's'})")
        if failed:
            line += f"; {failed} failed: " + "; ".join(self.failed)
        self.out.write(line + "\n")
        self.out.flush()


def _record(item, result, files):
    return {"item": item["item"], "name": item["name"], "output": item["output"],
            "settings": item["settings"], "files": files, "seconds": result["seconds"],
            "worker": result["worker"], "outcome": "written" if result["ok"] else "failed",
            "error": None if result["ok"] else result["error"]}


def _make_folders(items, out_dir):
    """Creates each item's folder on the client, as the C batch does first;
    returns {item number: why its folder could not be made}."""
    errors = {}
    for item in items:
        folder = os.path.dirname(item["output"])
        try:
            os.makedirs(os.path.join(out_dir, folder), exist_ok=True)
        except OSError as error:
            errors[item["item"]] = f"cannot create {folder}: {error.strerror or error}"
    return errors


def _store(item, result, out_dir):
    """Writes a returned item's files; returns the report's file records.
    A failure to write makes the item fail with the reason."""
    try:
        write_set([(os.path.join(out_dir, path), data) for path, data, _ in result["files"]])
    except OSError as error:
        result.update(ok=False, error=f"could not write {error.filename}: "
                                      f"{error.strerror or error}")
        # A failed item lists no files, as the tool's report does.
        return []
    return [{"path": path, "bytes": len(data), "sha256": digest}
            for path, data, digest in result["files"]]


def _remove_leftovers(folder, paths):
    """Removes the temporary files of ``paths`` that a worker killed while
    writing left behind: called once no run of their items writes any more.
    One listing per folder, so a folder of many materials costs one pass."""
    names_by_folder = {}
    for path in paths:
        target = os.path.join(folder, path)
        names_by_folder.setdefault(os.path.dirname(target) or ".", set()).add(
            os.path.basename(target))
    for where, names in names_by_folder.items():
        try:
            entries = os.listdir(where)
        except OSError:
            continue
        for entry in entries:
            # ".NAME.<hex>.part", as write_atomically names them
            if entry.startswith(".") and entry.endswith(".part") and \
                    entry[1:].rsplit(".", 2)[0] in names:
                try:
                    os.unlink(os.path.join(where, entry))
                except OSError:
                    pass


class SchedulerLost(Exception):
    """The Dask scheduler closed the connection or stopped answering."""


def _watched(finished, client, timeout):
    """The (future, result) pairs of an as_completed as they come; raises
    SchedulerLost when the scheduler is gone, or answers no ping within
    ``timeout`` seconds after as long a time without a result (a stopped
    scheduler keeps its connection open and would be waited for for ever)."""
    quiet_since = time.monotonic()
    while not finished.is_empty():
        ready = finished.next_batch(block=False)
        if any(_lost(result) for _, result in ready) or client.status in ("closing", "closed"):
            raise SchedulerLost("the connection to the scheduler closed")
        if ready:
            yield from ready
            quiet_since = time.monotonic()
            continue
        if time.monotonic() - quiet_since > timeout:
            try:
                client.sync(client.scheduler.identity, callback_timeout=timeout)
            except Exception:  # noqa: BLE001 (any failure of the ping means the same)
                raise SchedulerLost(f"the scheduler answered nothing for {timeout:g} s") from None
            quiet_since = time.monotonic()
        time.sleep(0.02)


def _lost(result):
    """A task cancelled because its scheduler went away."""
    return type(result).__name__ == "CancelledError"


def run_batch(items, client, out_dir=".", progress=None, shared_dir=None, timeout=10.0):
    """Runs checked items on a Dask client; returns (records, seconds). Files are
    written under ``out_dir`` on the client, or by the workers under
    ``shared_dir``. Raises SchedulerLost when the scheduler goes away or stops
    answering for ``timeout`` seconds."""
    from distributed import as_completed
    start = time.perf_counter()
    jobs = max(1, sum(w.get("nthreads", 1)
                      for w in client.scheduler_info()["workers"].values()))
    if progress:
        progress.start(len(items), jobs)
    folder_errors = _make_folders(items, shared_dir if shared_dir is not None else out_dir)
    records = {}
    done = 0

    def finish(item, result, files):
        nonlocal done
        done += 1
        records[item["item"]] = _record(item, result, files)
        if progress:
            progress.finished(item, result, done, time.perf_counter() - start)

    todo = []
    for item in items:
        if item["item"] in folder_errors:
            finish(item, {"ok": False, "error": folder_errors[item["item"]], "seconds": 0.0,
                          "worker": None}, [])
        else:
            todo.append(item)
    # Keys from the items themselves: the same item is the same task.
    keys = ["proctex-item-" + hashlib.sha256(json.dumps([item, shared_dir], sort_keys=True)
                                             .encode()).hexdigest()[:32] for item in todo]
    # One call for all: submitting one by one costs the client far more.
    futures = dict(zip(client.map(render_item, todo, [shared_dir] * len(todo), key=keys,
                                  pure=True), todo))
    # Results fetched as they come, several in one message when several are
    # ready: a fetch per future costs the client more than the item's files.
    finished = as_completed(list(futures), with_results=True, raise_errors=False)
    for future, result in _watched(finished, client, timeout):
        item = futures.pop(future)
        if isinstance(result, tuple) and len(result) == 3:  # (type, error, traceback) of a task
            result = result[1]
        if isinstance(result, BaseException):  # the task itself was lost, e.g. on every retry
            result = {"ok": False, "error": f"{type(result).__name__}: {result}", "seconds": 0.0,
                      "worker": None, "files": []}
        future.release()
        if not result["ok"]:
            files = []
        elif shared_dir is None:
            files = _store(item, result, out_dir)
        else:
            files = [{"path": p, "bytes": n, "sha256": h} for p, n, h in result["files"]]
        finish(item, result, files)
    if shared_dir is not None:
        # Every planned file, written or not: a worker may have died in any.
        _remove_leftovers(shared_dir, [path for item in todo for path in
                                       item["files"] + ([item["sidecar"]] if item["sidecar"]
                                                        else [])])
    seconds = time.perf_counter() - start
    ordered = [records[item["item"]] for item in items]
    if progress:
        progress.end(len(items), sum(r["outcome"] != "written" for r in ordered), seconds, jobs)
    return ordered, seconds, jobs


def report_text(records, seconds, jobs):
    """The record of a run, in the shape of ``proctex batch --report``."""
    from . import version
    failed = sum(r["outcome"] != "written" for r in records)
    return json.dumps({"proctex": version(), "runner": "dask", "jobs": jobs, "seconds": seconds,
                       "failed": failed, "materials": records}, indent=2,
                      ensure_ascii=False) + "\n"


def connect(address, timeout=10):
    """A Dask client: at a scheduler's address, or "local:N" for a cluster of N
    worker processes on this machine. Returns (client, cluster or None).

    A local worker is one process with one thread and computes each material
    on that thread (PROCTEX_THREADS=1, unless the environment sets it), so
    local:N uses N cores."""
    from distributed import Client, LocalCluster
    if address.startswith("local:"):
        count = int(address[len("local:"):])
        if count < 1:
            raise ValueError("local:N takes N of at least 1")
        threads = os.environ.get("PROCTEX_THREADS", "1")
        cluster = LocalCluster(n_workers=count, threads_per_worker=1, processes=True,
                               dashboard_address=None, env={"PROCTEX_THREADS": threads})
        # The workers are on this machine, so the client fetches the files from
        # them directly rather than through the scheduler, which would handle
        # every byte once more on the client's cores.
        client = Client(cluster, direct_to_workers=True)
        # Each worker loads the library now, as part of starting the cluster,
        # not in its first material.
        client.run(_load_library)
        return client, cluster
    return Client(address, timeout=f"{timeout}s"), None


def writers_folder(address, out_dir, shared_dir):
    """The folder the workers write into themselves, or None when they return
    the files to the client. Workers of a local cluster see the client's
    folders, so they write under ``out_dir`` directly rather than ship every
    byte to the client to be written there."""
    if shared_dir is None and address.startswith("local:"):
        return out_dir
    return shared_dir


def _close_quietly(client, cluster):
    """Closes the client without waiting on a scheduler that is gone."""
    try:
        client.close(timeout=2)
    except Exception:  # noqa: BLE001 (a lost scheduler cannot be closed politely)
        pass
    if cluster is not None:
        cluster.close()


def _parser():
    parser = argparse.ArgumentParser(prog="python3 -m proctex batch",
                                     description="Generate every material of a JSON manifest "
                                                 "on a Dask cluster")
    parser.add_argument("manifest", help="JSON manifest, e.g. examples/presets.json")
    parser.add_argument("--dask", default=f"local:{os.cpu_count() or 1}",
                        help="scheduler address (tcp://host:8786), or local:N for N worker "
                             "processes here (default: one per core)")
    parser.add_argument("--out-dir", default=".",
                        help="folder the manifest's relative outputs are written under")
    parser.add_argument("--shared-dir", default=None,
                        help="let the workers write the files under this folder, which every "
                             "worker must see (instead of --out-dir on the client); with "
                             "local:N the workers always write under --out-dir themselves")
    parser.add_argument("--progress", default="auto", choices=("auto", "bar", "lines", "quiet"))
    parser.add_argument("--report", help="also write a JSON record of every material")
    parser.add_argument("--tool", help="the proctex tool that checks the manifest")
    parser.add_argument("--timeout", type=float, default=10.0,
                        help="seconds to wait for the scheduler (default 10)")
    return parser


def main(argv=None):
    args = _parser().parse_args(argv)
    try:
        items = check_manifest(args.manifest, args.tool)
    except ManifestError as error:
        print(str(error), file=sys.stderr)
        return 2
    try:
        import distributed  # noqa: F401
    except ImportError:
        print("proctex batch: the Dask distributed package is missing "
              "(Debian: python3-distributed)", file=sys.stderr)
        return 2
    style = args.progress
    if style == "auto":
        style = "bar" if sys.stdout.isatty() else "lines"
    columns = shutil.get_terminal_size((80, 24)).columns
    # The client's own logs of a lost scheduler (a traceback per attempt to
    # reconnect) would bury the one line this tool prints about it.
    import logging
    for name in ("distributed.client", "distributed.comm", "distributed.core"):
        logging.getLogger(name).setLevel(logging.CRITICAL)
    try:
        client, cluster = connect(args.dask, args.timeout)
    except (OSError, TimeoutError, ValueError) as error:
        print(f"proctex batch: cannot reach the Dask scheduler at {args.dask} within "
              f"{args.timeout:g} s ({error})", file=sys.stderr)
        return 1
    try:
        records, seconds, jobs = run_batch(items, client, args.out_dir,
                                           Progress(sys.stdout, style, columns),
                                           writers_folder(args.dask, args.out_dir,
                                                          args.shared_dir), args.timeout)
    except SchedulerLost as error:
        print(f"\nproctex batch: lost the Dask scheduler at {args.dask}: {error}",
              file=sys.stderr)
        return 1
    finally:
        _close_quietly(client, cluster)
    if args.report:
        write_atomically(args.report, report_text(records, seconds, jobs).encode("utf-8"))
    return 1 if any(r["outcome"] != "written" for r in records) else 0
