"""tarnview-info --stac against the JSON Schemas of STAC 1.0.0 (the Item) and of the extensions the
Items declare (projection 1.1.0, raster 1.1.0, file 2.1.0), and the collection against GeoJSON's
FeatureCollection schema: rasters projected, rotated, without a coordinate system, in a system
without an EPSG code, with non-finite numbers, a COG, packages with and without a sidecar, as an
ItemCollection and as one Item a line.

The schemas are not part of the project: SCHEMAS is a folder of their JSON files as published
(any names), each found by its "$id". GeoJSON's come with npm's geojson-schema package; STAC's
with the tagged sources of the specification and of each extension.

Usage: stac_schema_test.py TARNVIEW_INFO TARNVIEW_PACK SCHEMAS
"""
import glob
import json
import os
import subprocess
import sys
import tempfile

import jsonschema
from osgeo import gdal, osr

ITEM_SCHEMA = "https://schemas.stacspec.org/v1.0.0/item-spec/json-schema/item.json"
COLLECTION_SCHEMA = "https://geojson.org/schema/FeatureCollection.json"
# A Lambert projection without an EPSG code: its Items carry WKT2.
LOCAL_PROJECTION = "+proj=lcc +lat_1=30 +lat_2=60 +lat_0=45 +lon_0=10 +datum=WGS84 +units=m"
NOT_FINITE_VRT = """<VRTDataset rasterXSize="4" rasterYSize="3"><GeoTransform>nan, 1, 0, inf, 0,
-1</GeoTransform><VRTRasterBand dataType="Float32" band="1"><NoDataValue>nan</NoDataValue>
<Scale>-inf</Scale></VRTRasterBand></VRTDataset>"""


def load_schemas(folder):
    store = {}
    for path in glob.glob(os.path.join(folder, "*.json")):
        with open(path, encoding="utf-8") as stream:
            schema = json.load(stream)
        if "$id" in schema:
            store[schema["$id"].rstrip("#")] = schema
    return store


def make_rasters(folder):
    gdal.UseExceptions()
    driver = gdal.GetDriverByName("GTiff")
    paths = []
    for name, crs, transform, data_type, options in [
        ("utm.tif", "EPSG:32650", [500000, 10, 0, 4000000, 0, -10], gdal.GDT_Byte, ["TILED=YES"]),
        ("rotated.tif", "EPSG:4326", [10, 0.5, 0.5, 50, 0.5, -0.5], gdal.GDT_UInt16, []),
        ("plain.tif", None, [0, 1, 0, 0, 0, -1], gdal.GDT_Int16, []),
        ("lambert.tif", LOCAL_PROJECTION, [0, 100, 0, 0, 0, -100], gdal.GDT_Float32, []),
    ]:
        path = os.path.join(folder, name)
        dataset = driver.Create(path, 64, 48, 2, data_type, options)
        if crs is not None:
            reference = osr.SpatialReference()
            reference.SetFromUserInput(crs)
            dataset.SetProjection(reference.ExportToWkt())
        dataset.SetGeoTransform(transform)
        band = dataset.GetRasterBand(1)
        band.SetNoDataValue(float("nan") if data_type == gdal.GDT_Float32 else 0)
        band.SetScale(0.5)
        band.SetOffset(-3)
        band.SetUnitType("m")
        dataset.SetMetadataItem("TIFFTAG_DATETIME", "2021:06:30 10:20:30")
        dataset = None
        paths.append(path)
    cog = os.path.join(folder, "cog.tif")
    gdal.Translate(cog, paths[0], format="COG")
    not_finite = os.path.join(folder, "not_finite.vrt")
    with open(not_finite, "w", encoding="utf-8") as stream:
        stream.write(NOT_FINITE_VRT)
    return paths + [cog, not_finite]


def main():
    info, pack, schema_folder = sys.argv[1:4]
    store = load_schemas(schema_folder)
    resolver = jsonschema.RefResolver("", {}, store=store)
    failures = []
    checks = []

    def check(instance, schema_id, what):
        checks.append(what)
        validator = jsonschema.Draft7Validator(store[schema_id], resolver=resolver,
                                               format_checker=jsonschema.FormatChecker())
        for error in validator.iter_errors(instance):
            failures.append(f"{what} against {schema_id}: {error.message[:300]}")

    def check_item(item, what):
        check(item, ITEM_SCHEMA, what)
        for extension in item["stac_extensions"]:
            check(item, extension, what)

    with tempfile.TemporaryDirectory() as folder:
        paths = make_rasters(folder)
        package = os.path.join(folder, "pyramid.qvrmp")  # its sidecar holds UTM zone 50N
        plain_package = os.path.join(folder, "plain.qvrmp")
        for source, target, options in [(paths[0], package, []),
                                        (paths[2], plain_package, ["--no-aux"])]:
            made = subprocess.run([pack, *options, source, target], capture_output=True)
            assert made.returncode == 0, made.stderr
        everything = paths + [package, plain_package]

        collection = subprocess.run([info, "--stac", *everything], capture_output=True)
        assert collection.returncode == 0, collection.stderr
        items = json.loads(collection.stdout)
        check(items, COLLECTION_SCHEMA, "the collection")
        assert len(items["features"]) == len(everything), items
        for path, item in zip(everything, items["features"]):
            check_item(item, path)
        lines = subprocess.run([info, "--stac", "--jsonl", *everything], capture_output=True)
        assert [json.loads(line) for line in lines.stdout.splitlines()] == items["features"]

        by_name = {os.path.basename(path): item for path, item in zip(everything, items["features"])}
        assert by_name["lambert.tif"]["properties"]["proj:epsg"] is None
        assert "proj:wkt2" in by_name["lambert.tif"]["properties"]
        assert by_name["plain.tif"]["geometry"] is None
        assert by_name["pyramid.qvrmp"]["geometry"] is not None
        assert by_name["cog.tif"]["assets"]["data"]["type"].endswith("profile=cloud-optimized")
        assert by_name["utm.tif"]["properties"]["datetime"] == "2021-06-30T10:20:30Z"

    for failure in failures:
        print(failure)
    print(f"{len(checks)} validations, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
