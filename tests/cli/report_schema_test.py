"""tarnview-info's JSON against docs/report.schema.json: every kind of object (rasters of several
layouts, one whose numbers are not finite, packages with and without a coordinate system, the
errors of files that fail in different ways), as --json alone, as
--jsonl lines and as the --json array of a catalogue.

Usage: report_schema_test.py TARNVIEW_INFO TARNVIEW_PACK SCHEMA
"""
import json
import os
import subprocess
import sys
import tempfile

import jsonschema
from osgeo import gdal, osr


def make_rasters(folder):
    """GeoTIFFs that between them give every optional part of the object a value and a null."""
    gdal.UseExceptions()
    driver = gdal.GetDriverByName("GTiff")
    paths = []
    for name, bands, data_type, options, crs, overviews in [
        ("tiled_crs.tif", 3, gdal.GDT_Byte, ["TILED=YES"], 32650, [2, 4]),
        ("striped_plain.tif", 1, gdal.GDT_Float32, [], None, []),
        ("geographic.tif", 2, gdal.GDT_UInt16, ["COMPRESS=DEFLATE"], 4326, [2]),
    ]:
        path = os.path.join(folder, name)
        dataset = driver.Create(path, 64, 48, bands, data_type, options)
        if crs is not None:
            reference = osr.SpatialReference()
            reference.ImportFromEPSG(crs)
            dataset.SetProjection(reference.ExportToWkt())
            dataset.SetGeoTransform([500000, 10, 0, 4000000, 0, -10])
            dataset.SetMetadata(["AUTHOR=test", "LONE"])
            dataset.SetMetadata({"SENSOR": "x"}, "QV")
            dataset.GetRasterBand(1).SetMetadata({"BAND": "first"})
        dataset.GetRasterBand(1).Fill(7)
        dataset.GetRasterBand(1).SetNoDataValue(0)
        if overviews:
            dataset.BuildOverviews("NEAREST", overviews)
        dataset = None
        paths.append(path)
    return paths


# A geotransform, nodata value and scale that are not finite, which GDAL's VRT reader accepts.
NOT_FINITE_VRT = """<VRTDataset rasterXSize="4" rasterYSize="3"><GeoTransform>nan, 1, 0, inf, 0, -1
</GeoTransform><VRTRasterBand dataType="Float32" band="1"><NoDataValue>nan</NoDataValue>
<Scale>-inf</Scale></VRTRasterBand></VRTDataset>"""


def run(command, stdin=None):
    return subprocess.run(command, input=stdin, capture_output=True, check=False)


def main():
    info, pack, schema_path = sys.argv[1:4]
    with open(schema_path, encoding="utf-8") as stream:
        schema = json.load(stream)
    jsonschema.Draft202012Validator.check_schema(schema)
    one = jsonschema.Draft202012Validator(schema)
    array = jsonschema.Draft202012Validator({"type": "array", "items": schema})
    failures = []

    def check(validator, instance, what):
        for error in validator.iter_errors(instance):
            failures.append(f"{what}: {error.json_path}: {error.message[:300]}")

    with tempfile.TemporaryDirectory() as folder:
        paths = make_rasters(folder)
        not_finite = os.path.join(folder, "not_finite.vrt")
        with open(not_finite, "w", encoding="utf-8") as stream:
            stream.write(NOT_FINITE_VRT)
        paths.append(not_finite)
        package = os.path.join(folder, "pyramid.qvrmp")  # its sidecar holds UTM zone 50N
        plain_package = os.path.join(folder, "plain.qvrmp")
        for source, target in [(paths[0], package), (paths[1], plain_package)]:
            made = run([pack, source, target])
            assert made.returncode == 0, made.stderr
        junk = os.path.join(folder, "junk.tif")
        with open(junk, "wb") as stream:
            stream.write(b"not a raster")
        fifo = os.path.join(folder, "fifo.tif")
        os.mkfifo(fifo)
        broken = os.path.join(folder, "broken.tif")
        os.symlink("nowhere.tif", broken)
        failing = [junk, fifo, broken, os.path.join(folder, "missing.qvrmp")]
        everything = paths + [package, plain_package] + failing

        lines = run([info, "--jsonl", *everything])
        assert lines.returncode == 1, lines.stderr
        objects = [json.loads(line) for line in lines.stdout.splitlines()]
        assert len(objects) == len(everything), lines.stdout
        for path, instance in zip(everything, objects):
            check(one, instance, path)
            assert instance["path"] == path, (instance["path"], path)
            assert ("error" in instance) == (path in failing), instance
        kinds = [instance.get("kind") for instance in objects]
        assert kinds == ["raster"] * 4 + ["package"] * 2 + [None] * 4, kinds
        crs_codes = [(o["crs"] or {}).get("epsg") for o in objects[:6]]
        assert crs_codes == [32650, None, 4326, None, 32650, None], crs_codes
        band = objects[3]["bands"][0]
        values = objects[3]["geoTransform"] + [band["noData"], band["scale"]]
        assert values == ["NaN", 1, 0, "Infinity", 0, -1, "NaN", "-Infinity"], values

        listed = run([info, "--json", "-r", folder])
        check(array, json.loads(listed.stdout), "--json -r")
        for path in [paths[0], package, junk]:
            alone = run([info, "--json", path])
            check(one, json.loads(alone.stdout), "--json " + path)

    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
