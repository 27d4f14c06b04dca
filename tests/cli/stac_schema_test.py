"""tarnview-info --stac against the published JSON Schemas of STAC 1.0.0's Item, of the extensions
the Items declare, and of GeoJSON's FeatureCollection, for rasters of every georeferencing (UTM,
rotated, none, a system without EPSG code, not finite), a COG and packages with and without a
sidecar. SCHEMAS is a folder of the schemas' files, each found by its "$id" (GeoJSON's come with
npm's geojson-schema; STAC's from the tagged sources of the specification and each extension).

Usage: stac_schema_test.py TARNVIEW_INFO TARNVIEW_PACK SCHEMAS
"""
import glob, json, os, subprocess, sys, tempfile

import jsonschema
from osgeo import gdal, osr

LAMBERT = "+proj=lcc +lat_1=30 +lat_2=60 +lat_0=45 +lon_0=10 +datum=WGS84 +units=m"
NOT_FINITE = """<VRTDataset rasterXSize="4" rasterYSize="3"><GeoTransform>nan,1,0,inf,0,-1
</GeoTransform><VRTRasterBand dataType="Float32" band="1"><NoDataValue>nan</NoDataValue>
</VRTRasterBand></VRTDataset>"""


def make_files(folder, pack):
    gdal.UseExceptions()
    paths = []
    for name, crs, transform, data_type in [
        ("utm.tif", "EPSG:32650", [500000, 10, 0, 4000000, 0, -10], gdal.GDT_Byte),
        ("rotated.tif", "EPSG:4326", [10, 0.5, 0.5, 50, 0.5, -0.5], gdal.GDT_UInt16),
        ("plain.tif", None, [0, 1, 0, 0, 0, -1], gdal.GDT_Int16),
        ("lambert.tif", LAMBERT, [0, 100, 0, 0, 0, -100], gdal.GDT_Float32),
    ]:
        paths.append(os.path.join(folder, name))
        dataset = gdal.GetDriverByName("GTiff").Create(paths[-1], 64, 48, 2, data_type)
        if crs:
            reference = osr.SpatialReference()
            reference.SetFromUserInput(crs)
            dataset.SetProjection(reference.ExportToWkt())
        dataset.SetGeoTransform(transform)
        band = dataset.GetRasterBand(1)
        band.SetNoDataValue(float("nan") if data_type == gdal.GDT_Float32 else 0)
        band.SetScale(0.5), band.SetOffset(-3), band.SetUnitType("m")
        dataset.SetMetadataItem("TIFFTAG_DATETIME", "2021:06:30 10:20:30")
        dataset = None
    paths.append(os.path.join(folder, "cog.tif"))
    gdal.Translate(paths[-1], paths[0], format="COG")
    paths.append(os.path.join(folder, "not_finite.vrt"))
    with open(paths[-1], "w", encoding="utf-8") as stream:
        stream.write(NOT_FINITE)
    for source, name, options in [(paths[0], "aux.qvrmp", []), (paths[2], "p.qvrmp", ["--no-aux"])]:
        paths.append(os.path.join(folder, name))
        subprocess.run([pack, *options, source, paths[-1]], capture_output=True, check=True)
    return paths


def main():
    info, pack, schema_folder = sys.argv[1:4]
    store = {}
    for path in glob.glob(os.path.join(schema_folder, "*.json")):
        with open(path, encoding="utf-8") as stream:
            schema = json.load(stream)
        store[schema.get("$id", path).rstrip("#")] = schema
    resolver = jsonschema.RefResolver("", {}, store=store)
    checks, failures = 0, []

    def check(instance, schema_id, what):
        nonlocal checks
        checks += 1
        validator = jsonschema.Draft7Validator(store[schema_id], resolver=resolver,
                                               format_checker=jsonschema.FormatChecker())
        failures.extend(f"{what}, {schema_id}: {e.message[:300]}"
                        for e in validator.iter_errors(instance))

    with tempfile.TemporaryDirectory() as folder:
        paths = make_files(folder, pack)
        run = subprocess.run([info, "--stac", *paths], capture_output=True, check=True)
        items = json.loads(run.stdout)
        check(items, "https://geojson.org/schema/FeatureCollection.json", "the collection")
        lines = subprocess.run([info, "--stac", "--jsonl", *paths], capture_output=True)
        assert [json.loads(line) for line in lines.stdout.splitlines()] == items["features"]
        for path, item in zip(paths, items["features"], strict=True):
            check(item, "https://schemas.stacspec.org/v1.0.0/item-spec/json-schema/item.json", path)
            for extension in item["stac_extensions"]:
                check(item, extension, path)
        assert "proj:wkt2" in items["features"][3]["properties"], items["features"][3]
        assert items["features"][4]["assets"]["data"]["type"].endswith("cloud-optimized")

    print("\n".join(failures + [f"{checks} validations, {len(failures)} failed"]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
