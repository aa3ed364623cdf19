#!/usr/bin/env python3
"""Throughput of the batch on a local Dask cluster of 1 and 2 worker
processes, beside the C batch on 1 and 2 threads: 40 varied items at
512 x 512, items per second. The Dask figures time the batch on a started
cluster (the start is printed apart), with the files written on the client;
each worker computes on one thread (PROCTEX_THREADS=1), as local:N does.

    /usr/bin/python3 bench/bench_dask.py [--items 40] [--size 512]

Needs the tool (PROCTEX_TOOL, or beside the library) and python3-distributed.
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "python"))
import proctex  # noqa: E402
from proctex import batch  # noqa: E402


def manifest(count, size):
    names = sorted(proctex.presets())
    return [{"preset": names[i % len(names)], "output": f"m{i:02d}.png", "width": size,
             "height": size, "seed": 100 + i} for i in range(count)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--items", type=int, default=40)
    parser.add_argument("--size", type=int, default=512)
    args = parser.parse_args()
    tool = batch.find_tool()
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "manifest.json")
        with open(path, "w") as f:
            json.dump(manifest(args.items, args.size), f)
        items = batch.check_manifest(path, tool)
        print(f"{args.items} items at {args.size}x{args.size}, {os.cpu_count()} cores")
        rates = {}
        # The C batch as it runs by default (each material on the library's
        # threads) and with one thread per material, as a Dask worker runs it.
        for threads in (None, "1"):
            for jobs in (1, 2):
                out = os.path.join(tmp, f"c{jobs}{threads}")
                os.makedirs(out)
                env = dict(os.environ)
                env.pop("PROCTEX_THREADS", None)
                if threads:
                    env["PROCTEX_THREADS"] = threads
                start = time.perf_counter()
                subprocess.run([tool, "batch", path, "--jobs", str(jobs), "--progress", "quiet"],
                               cwd=out, check=True, stdout=subprocess.DEVNULL, env=env)
                seconds = time.perf_counter() - start
                label = f"C batch --jobs {jobs}" + (f" PROCTEX_THREADS={threads}" if threads
                                                    else "")
                rates[label] = args.items / seconds
        for workers in (1, 2):
            start = time.perf_counter()
            client, cluster = batch.connect(f"local:{workers}")
            started = time.perf_counter() - start
            try:
                out = os.path.join(tmp, f"d{workers}")
                # As `python3 -m proctex batch --dask local:N` runs it.
                records, seconds, _ = batch.run_batch(
                    items, client, out, None, batch.writers_folder(f"local:{workers}", out, None))
            finally:
                client.close()
                cluster.close()
            failed = [r["error"] for r in records if r["outcome"] != "written"]
            assert not failed, failed[:3]
            rates[f"Dask local:{workers}"] = args.items / seconds
            print(f"  (local:{workers} cluster started in {started:.2f} s)")
        for name, rate in rates.items():
            print(f"{name:<36} {rate:7.2f} items/s")
        print(f"{'Dask local:2 / local:1':<36} {rates['Dask local:2'] / rates['Dask local:1']:.2f} x")


if __name__ == "__main__":
    main()
