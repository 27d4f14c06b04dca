"""The Dask driver on a local cluster of two worker processes writes the JSON Lines of one run of
tarnview-info over the same listing, in its order. Usage: this TARNVIEW_INFO SCRIPTS_FOLDER"""
import io
import os
import subprocess
import sys
import tempfile

from distributed import Client, LocalCluster
from osgeo import gdal

sys.path.insert(0, sys.argv[2])
import catalogue_on_dask  # noqa: E402

def main():  # the workers import this file again: nothing may run at import
    with tempfile.TemporaryDirectory() as folder:
        paths = [os.path.join(folder, "r%d.tif" % i).encode() for i in range(7)]
        for index, path in enumerate(paths):
            gdal.GetDriverByName("GTiff").Create(path.decode(), 16 + index, 8, 1).FlushCache()
        paths.insert(3, os.path.join(folder, "missing.tif").encode())  # an error object
        with open(os.path.join(folder, "listing"), "wb") as listing:
            listing.write(b"\n".join(paths) + b"\n")
        alone = subprocess.run([sys.argv[1], "--jsonl", "--files-from", listing.name],
                               stdout=subprocess.PIPE, check=False)
        with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, \
                Client(cluster) as client:
            output = io.BytesIO()  # four batches of two over the two workers
            status = catalogue_on_dask.run_catalogue(client, paths, output, sys.argv[1], batch=2)
            assert len(client.scheduler_info()["workers"]) == 2
    assert output.getvalue().count(b"\n") == len(paths), output.getvalue()
    assert (output.getvalue(), status) == (alone.stdout, alone.returncode), (output.getvalue(), alone)


if __name__ == "__main__":
    main()
