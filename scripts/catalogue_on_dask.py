#!/usr/bin/python3
"""Runs tarnview-info's catalogue on a Dask distributed cluster.

The listing (one path or URL a line, as --files-from takes it) is split into batches; each batch
runs as `tarnview-info --jsonl --files-from BATCH` on a worker, and the JSON Lines come back to be
written in listing order. Only a window of batches is in flight, so memory stays bounded whatever
the listing's length. Credentials and endpoints for remote files come from GDAL's configuration in
the workers' environment (AWS_*, GDAL_HTTP_*), as for the program itself.

Usage:
  catalogue_on_dask.py [--scheduler ADDRESS | --local-workers N] [--batch FILES]
                       [--program tarnview-info] [--jobs N] LISTING > catalogue.jsonl

Exit status: 0 when every file was reported, 1 when some were error objects, 2 when a batch could
not be run at all.
"""
import argparse
import collections
import subprocess
import sys
import tempfile

from distributed import Client, LocalCluster

DEFAULT_BATCH = 1000  # files a worker reads in one run of the program
WINDOW_PER_WORKER = 2  # batches in flight for each worker
EXIT_SOME_FAILED = 1
EXIT_BATCH_FAILED = 2


def run_batch(program, jobs, paths):
    """On a worker: the batch's JSON Lines and the program's exit status."""
    with tempfile.NamedTemporaryFile("wb", suffix=".list") as listing:
        listing.write(b"\0".join(paths) + b"\0")
        listing.flush()
        command = [program, "--jsonl", "-0", "--files-from", listing.name]
        if jobs:
            command += ["--jobs", str(jobs)]
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    return done.stdout, done.returncode, done.stderr


def batches(paths, size):
    for start in range(0, len(paths), size):
        yield paths[start:start + size]


def run_catalogue(client, paths, output, program="tarnview-info", batch=DEFAULT_BATCH, jobs=0):
    """Writes the catalogue of `paths` (bytes) to `output` (binary) in their order; the exit status."""
    workers = max(1, len(client.scheduler_info()["workers"]))
    window = collections.deque()
    status = 0
    pending = batches(paths, batch)
    while True:
        while len(window) < workers * WINDOW_PER_WORKER:
            part = next(pending, None)
            if part is None:
                break
            window.append(client.submit(run_batch, program, jobs, part, pure=False))
        if not window:
            return status
        lines, code, errors = window.popleft().result()
        output.write(lines)
        output.flush()
        if code == EXIT_SOME_FAILED:
            status = max(status, EXIT_SOME_FAILED)
        elif code != 0:
            sys.stderr.write(errors.decode("utf-8", "replace"))
            status = EXIT_BATCH_FAILED


def read_listing(path):
    with (sys.stdin.buffer if path == "-" else open(path, "rb")) as stream:
        return [line for line in stream.read().split(b"\n") if line]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("listing", help="paths or URLs, one a line; - for stdin")
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--scheduler", help="address of a running Dask scheduler")
    where.add_argument("--local-workers", type=int, default=2,
                       help="start a local cluster of N worker processes (default 2)")
    parser.add_argument("--batch", type=int, default=DEFAULT_BATCH, help="files a batch")
    parser.add_argument("--program", default="tarnview-info", help="tarnview-info on the workers")
    parser.add_argument("--jobs", type=int, default=0, help="--jobs for each batch")
    args = parser.parse_args()
    paths = read_listing(args.listing)
    if args.scheduler:
        client = Client(args.scheduler)
    else:
        client = Client(LocalCluster(n_workers=args.local_workers, threads_per_worker=1,
                                     processes=True, dashboard_address=None))
    with client:
        return run_catalogue(client, paths, sys.stdout.buffer, args.program, args.batch, args.jobs)


if __name__ == "__main__":
    sys.exit(main())
