"""python3 -m proctex batch on a local Dask cluster of two worker processes:
the same bytes as `proctex batch`, manifest errors refused before any task,
failures reported without stopping the rest, and a worker killed mid-run.
Needs PROCTEX_CLI (the tool) and Debian's python3-distributed."""

import glob
import json
import os
import random
import signal
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
import proctex  # noqa: E402
from proctex import batch  # noqa: E402

CLI = os.environ.get("PROCTEX_CLI", "")
ROOT = os.path.dirname(os.path.dirname(HERE))
try:
    import distributed
except ImportError:
    distributed = None

needs = unittest.skipUnless(distributed is not None and CLI,
                            "needs the Dask distributed package (Debian: python3-distributed) "
                            "and PROCTEX_CLI")


def files_under(folder):
    """{relative path: bytes} of every file under folder."""
    found = {}
    for top, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(top, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder)] = f.read()
    return found


def varied_manifest(count, seed, size=(64, 128)):
    """Items over every preset with varied sizes, options and extra outputs."""
    rng = random.Random(seed)
    names = sorted(proctex.presets())
    items = []
    for i in range(count):
        item = {"preset": rng.choice(names), "output": f"set{i % 3}/m{i:02d}.png" if i % 8 else f"m{i:02d}.png",
                "width": rng.choice(size), "height": rng.choice(size), "seed": rng.randrange(1000)}
        if i % 4 == 1:
            item.update(scale=rng.choice([24, 48.5]), seamless=True, **{"roughness-map": 0})
        if i % 5 == 2:
            item.update(ao=True, orm=True, height16=True, **{"opengl-normal": True})
        if i % 7 == 3:
            item.update(gltf=True, glb=True, sidecar=True)
        if i % 6 == 4:
            item.update(naming=rng.choice(["unreal", "godot", "ambientcg"]), sidecar=True)
        if i % 9 == 5:
            item.update(compression="small", **{"metallic-map": 0})
        items.append(item)
    return items


def load_json(path):
    with open(path) as f:
        return json.load(f)


def run_tool(args, cwd):
    return subprocess.run([CLI] + args, cwd=cwd, capture_output=True, text=True)


def run_python(args, cwd):
    env = dict(os.environ, PROCTEX_TOOL=CLI, PYTHONPATH=os.path.join(ROOT, "python"))
    return subprocess.run([sys.executable, "-m", "proctex", "batch"] + args, cwd=cwd, env=env,
                          capture_output=True, text=True)


def comparable(report):
    """A report's materials without what differs between runs."""
    return [{k: m[k] for k in ("item", "name", "output", "settings", "files", "outcome")}
            for m in load_json(report)["materials"]]


@needs
class DaskBatch(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                               dashboard_address=None)
        cls.address = cls.cluster.scheduler_address

    @classmethod
    def tearDownClass(cls):
        cls.cluster.close()

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.tmp = self.dir.name

    def tearDown(self):
        self.dir.cleanup()

    def both(self, manifest, *extra, address=None):
        """Runs the tool in tmp/c and the Dask batch in tmp/d; returns both runs."""
        path = os.path.join(self.tmp, "manifest.json")
        with open(path, "w") as f:
            json.dump(manifest, f)
        os.makedirs(os.path.join(self.tmp, "c"), exist_ok=True)  # --out-dir d is made
        c = run_tool(["batch", path, "--progress", "lines", "--report",
                      os.path.join(self.tmp, "c.json")] + list(extra),
                     os.path.join(self.tmp, "c"))
        d = run_python([path, "--dask", address or self.address, "--progress", "lines", "--out-dir",
                        os.path.join(self.tmp, "d"), "--report",
                        os.path.join(self.tmp, "d.json")], self.tmp)
        return c, d

    def test_same_bytes_and_records_as_the_tool(self):
        with open(os.path.join(ROOT, "examples", "presets.json")) as f:
            presets = json.load(f)
        manifest = presets + varied_manifest(40, seed=11)
        c, d = self.both(manifest)
        self.assertEqual(c.returncode, 0, c.stdout + c.stderr)
        self.assertEqual(d.returncode, 0, d.stdout + d.stderr)
        self.assertIn(f"batch: {len(manifest)} of {len(manifest)} written", d.stdout)
        tool_files = files_under(os.path.join(self.tmp, "c"))
        dask_files = files_under(os.path.join(self.tmp, "d"))
        self.assertEqual(sorted(tool_files), sorted(dask_files))
        for name, data in tool_files.items():
            self.assertEqual(data, dask_files[name], name)
        self.assertGreater(len(tool_files), 5 * len(manifest))
        self.assertEqual(comparable(os.path.join(self.tmp, "c.json")),
                         comparable(os.path.join(self.tmp, "d.json")))
        workers = {m["worker"] for m in load_json(os.path.join(self.tmp, "d.json"))
                   ["materials"]}
        self.assertEqual(len(workers), 2, workers)

    def test_manifest_errors_are_the_tools_and_nothing_runs(self):
        for manifest in ([{"output": "ok.png", "width": 64}, {"output": "x.png", "sclae": 2}],
                         [{"output": "ok.png", "width": 64}, {"output": "ok.png", "seed": 2}],
                         {"materials": [{"output": "ok.png", "width": 64.5}]}):
            c, d = self.both(manifest)
            self.assertEqual((c.returncode, d.returncode), (2, 2), d.stdout + d.stderr)
            self.assertEqual(c.stderr, d.stderr)
            self.assertEqual(files_under(os.path.join(self.tmp, "d")), {})
        d = run_python([os.path.join(self.tmp, "missing.json"), "--dask", self.address], self.tmp)
        self.assertEqual(d.returncode, 2)
        self.assertIn("cannot read", d.stderr)

    def test_a_failed_item_is_reported_and_the_rest_written(self):
        self.check_a_failed_item(self.address)

    def test_on_a_local_cluster_the_workers_write_the_files(self):
        self.check_a_failed_item("local:2")
        self.assertEqual([n for n in files_under(os.path.join(self.tmp, "d")) if ".part" in n], [])

    def check_a_failed_item(self, address):
        os.makedirs(os.path.join(self.tmp, "d"))
        for side in "cd":
            os.makedirs(os.path.join(self.tmp, side), exist_ok=True)
            with open(os.path.join(self.tmp, side, "blocked"), "w") as f:
                f.write("a file where a folder should be")
        manifest = [{"output": "good/a.png", "width": 64, "height": 64},
                    {"output": "blocked/b.png", "width": 64, "height": 64},
                    {"output": "good/c.png", "width": 64, "height": 64},
                    {"output": "good/d.png", "preset": "lava", "width": 64, "height": 64}]
        for side in "cd":  # a folder where item 3's normal map should go
            os.makedirs(os.path.join(self.tmp, side, "good", "c_nmap.png"))
        c, d = self.both(manifest, address=address)
        self.assertEqual((c.returncode, d.returncode), (1, 1), d.stdout + d.stderr)
        self.assertIn("failed item 2 blocked/b.png: cannot create", d.stdout)
        self.assertIn("batch: 2 of 4 written", d.stdout)
        self.assertIn("2 failed: item 2 blocked/b.png; item 3 good/c.png", d.stdout)
        self.assertEqual(files_under(os.path.join(self.tmp, "c", "good")),
                         files_under(os.path.join(self.tmp, "d", "good")))
        tool, ours = (load_json(os.path.join(self.tmp, r))["materials"]
                      for r in ("c.json", "d.json"))
        self.assertEqual([m["outcome"] for m in ours], ["written", "failed", "failed", "written"])
        self.assertEqual([m["outcome"] for m in tool], [m["outcome"] for m in ours])
        self.assertIn("c_nmap.png", ours[2]["error"])
        self.assertIn("c_nmap.png", tool[2]["error"])

    def test_a_manifest_with_faults_is_refused_whole(self):
        manifest = [{"output": "a.png", "width": -4}, {"output": "b.png", "pattern": 6,
                                                        "pattern-param": 0},
                    {"output": "c.png", "preset": "granit"}]
        c, d = self.both(manifest)
        self.assertEqual((c.returncode, d.returncode), (2, 2), d.stdout + d.stderr)
        for fault in ('item 1, field "width"', 'item 2, field "pattern-param"',
                      "did you mean granite?"):
            self.assertIn(fault, d.stderr)
        self.assertEqual(files_under(os.path.join(self.tmp, "d")), {})

    def test_workers_write_a_shared_folder(self):
        manifest = varied_manifest(6, seed=3)
        path = os.path.join(self.tmp, "manifest.json")
        with open(path, "w") as f:
            json.dump(manifest, f)
        shared = os.path.join(self.tmp, "shared")
        d = run_python([path, "--dask", self.address, "--shared-dir", shared, "--report",
                        os.path.join(self.tmp, "d.json")], self.tmp)
        self.assertEqual(d.returncode, 0, d.stdout + d.stderr)
        c = run_tool(["batch", path, "--progress", "quiet"], self.tmp)
        self.assertEqual(c.returncode, 0)
        written = files_under(shared)
        self.assertEqual(written, {k: v for k, v in files_under(self.tmp).items()
                                   if k.startswith(("set", "m0"))})
        recorded = {f["path"] for m in load_json(os.path.join(self.tmp, "d.json"))
                    ["materials"] for f in m["files"]}
        self.assertEqual(recorded, set(written))


class KillingProgress(batch.Progress):
    """Kills one worker process once `after` items are done."""

    def __init__(self, client, after):
        super().__init__(sys.stderr, "quiet")
        self.client, self.after, self.killed = client, after, None

    def finished(self, item, result, done, elapsed):
        super().finished(item, result, done, elapsed)
        if done == self.after:
            pids = self.client.run(os.getpid)
            self.killed = sorted(pids.items())[0]
            os.kill(self.killed[1], signal.SIGKILL)


@needs
class WorkerKilled(unittest.TestCase):
    def test_batch_completes_when_a_worker_dies(self):
        manifest = varied_manifest(64, seed=5, size=(128, 192))
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "manifest.json")
            with open(path, "w") as f:
                json.dump(manifest, f)
            self.assertEqual(run_tool(["batch", path, "--progress", "quiet"], tmp).returncode, 0)
            expected = files_under(tmp)
            del expected["manifest.json"]
            items = batch.check_manifest(path, CLI)
            for shared in (False, True):
                with self.subTest(shared=shared):
                    out = os.path.join(tmp, "shared" if shared else "client")
                    with distributed.LocalCluster(n_workers=2, threads_per_worker=1,
                                                  processes=True, dashboard_address=None) as cl, \
                            distributed.Client(cl) as client:
                        progress = KillingProgress(client, after=8)
                        records, _, _ = batch.run_batch(items, client, out, progress,
                                                        out if shared else None)
                    self.assertIsNotNone(progress.killed)
                    self.assertEqual([r["outcome"] for r in records], ["written"] * len(items))
                    self.assertEqual(files_under(out), expected)
                    self.assertEqual(glob.glob(os.path.join(out, "**", ".*"), recursive=True),
                                     [])

@needs
class LostScheduler(unittest.TestCase):
    """A scheduler that stops answering (SIGSTOP) or dies (SIGKILL) mid-run:
    the batch ends with exit 1 and one line, within a few timeouts."""

    def test_a_stopped_or_killed_scheduler_ends_the_batch_with_one_line(self):
        with tempfile.TemporaryDirectory() as tmp:
            env = dict(os.environ, PYTHONPATH=os.path.join(ROOT, "python"), PROCTEX_TOOL=CLI)
            state = os.path.join(tmp, "scheduler.json")
            started = [subprocess.Popen(
                [sys.executable, "-m", "distributed.cli.dask_scheduler", "--port", "0",
                 "--no-dashboard", "--scheduler-file", state], env=env,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]
            try:
                while not os.path.exists(state) or not os.path.getsize(state):
                    self.assertIsNone(started[0].poll())
                    time.sleep(0.1)
                address = load_json(state)["address"]
                started.append(subprocess.Popen(
                    [sys.executable, "-m", "distributed.cli.dask_worker", address, "--nthreads",
                     "1", "--no-dashboard"], env=env, stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL))
                manifest = os.path.join(tmp, "m.json")
                with open(manifest, "w") as f:
                    json.dump([{"output": f"m{i}.png", "width": 512, "height": 512, "seed": i}
                               for i in range(200)], f)
                for sig in (signal.SIGSTOP, signal.SIGKILL):
                    run = subprocess.Popen(
                        [sys.executable, "-m", "proctex", "batch", manifest, "--dask", address,
                         "--progress", "lines", "--timeout", "1", "--out-dir", tmp], env=env,
                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                    run.stdout.readline()  # the batch has begun
                    started[0].send_signal(sig)
                    _, err = run.communicate(timeout=60)
                    self.assertEqual(run.returncode, 1, err)
                    lines = err.strip().splitlines()
                    self.assertEqual(len(lines), 1, err)
                    self.assertIn("lost the Dask scheduler", lines[0])
                    if sig == signal.SIGSTOP:
                        started[0].send_signal(signal.SIGCONT)
            finally:
                for process in started:
                    process.kill()
                    process.wait()


if __name__ == "__main__":
    unittest.main()
