"""python3 -m proctex batch MANIFEST.json [--dask ADDRESS | --dask local:N] ..."""

import sys


def _main(argv):
    if not argv or argv[0] != "batch":
        print("usage: python3 -m proctex batch MANIFEST.json [--dask ADDRESS | --dask local:N] "
              "[--out-dir DIR] [--shared-dir DIR] [--progress auto|bar|lines|quiet] "
              "[--report FILE.json]", file=sys.stderr)
        return 2
    from .batch import main
    return main(argv[1:])


if __name__ == "__main__":
    sys.exit(_main(sys.argv[1:]))
