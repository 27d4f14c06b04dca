"""The Dask driver on a local cluster of two worker processes writes the same JSON Lines, in the
same order, as one run of tarnview-info over the same listing.

Usage: catalogue_on_dask_test.py TARNVIEW_INFO SCRIPTS_FOLDER
"""
import io
import os
import subprocess
import sys
import tempfile

from distributed import Client, LocalCluster
from osgeo import gdal

sys.path.insert(0, sys.argv[2])
import catalogue_on_dask  # noqa: E402

PROGRAM = sys.argv[1]
FILES = 7
BATCH = 2  # four batches over two workers, the last one short


def main():
    with tempfile.TemporaryDirectory() as folder:
        paths = []
        for index in range(FILES):
            path = os.path.join(folder, "r%d.tif" % index)
            gdal.GetDriverByName("GTiff").Create(path, 16 + index, 8, 1).FlushCache()
            paths.append(path.encode())
        paths.insert(3, os.path.join(folder, "missing.tif").encode())  # an error object
        listing = os.path.join(folder, "listing")
        with open(listing, "wb") as stream:
            stream.write(b"\n".join(paths) + b"\n")
        alone = subprocess.run([PROGRAM, "--jsonl", "--files-from", listing],
                               stdout=subprocess.PIPE, check=False)
        cluster = LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                               dashboard_address=None)
        with cluster, Client(cluster) as client:
            output = io.BytesIO()
            status = catalogue_on_dask.run_catalogue(client, paths, output, PROGRAM, BATCH)
            workers = {w["id"] for w in client.scheduler_info()["workers"].values()}
    assert len(workers) == 2, workers
    assert output.getvalue().count(b"\n") == FILES + 1, output.getvalue()
    assert output.getvalue() == alone.stdout, (output.getvalue(), alone.stdout)
    assert (status, alone.returncode) == (1, 1), (status, alone.returncode)
    print("catalogue on Dask: %d lines as one process writes them" % (FILES + 1))


if __name__ == "__main__":
    main()
