"""tarnview-info --stac against the published JSON Schemas of STAC 1.0.0's Item, of the extensions
the Items declare and of GeoJSON's FeatureCollection. SCHEMAS: a folder of the schemas' files, each
found by its "$id" (GeoJSON's from npm's geojson-schema, STAC's from the tagged sources).

Usage: stac_schema_test.py TARNVIEW_INFO TARNVIEW_PACK SCHEMAS
"""
import glob, json, os, subprocess, sys, tempfile

import jsonschema
from osgeo import gdal

import report_schema_test as report

ITEM = "https://schemas.stacspec.org/v1.0.0/item-spec/json-schema/item.json"
LAMBERT = "+proj=lcc +lat_1=30 +lat_2=60 +lat_0=45 +lon_0=10 +datum=WGS84 +units=m"


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
        paths = report.make_rasters(folder)  # UTM, none, WGS 84
        paths += [os.path.join(folder, name) for name in ["lcc.tif", "cog.tif", "nan.vrt"]]
        gdal.Translate(paths[3], paths[0], outputSRS=LAMBERT)
        gdal.Translate(paths[4], paths[0], format="COG")
        with open(paths[5], "w", encoding="utf-8") as stream:
            stream.write(report.NOT_FINITE_VRT)
        for source, name in [(paths[0], "aux.qvrmp"), (paths[1], "plain.qvrmp")]:
            paths.append(os.path.join(folder, name))
            subprocess.run([pack, source, paths[-1]], capture_output=True, check=True)
        items = json.loads(subprocess.run([info, "--stac", *paths], capture_output=True).stdout)
        check(items, "https://geojson.org/schema/FeatureCollection.json", "the collection")
        lines = subprocess.run([info, "--stac", "--jsonl", *paths], capture_output=True).stdout
        assert [json.loads(line) for line in lines.splitlines()] == items["features"]
        for path, item in zip(paths, items["features"], strict=True):
            for schema_id in [ITEM] + item["stac_extensions"]:
                check(item, schema_id, path)
        assert "proj:wkt2" in items["features"][3]["properties"], items["features"][3]
        assert items["features"][4]["assets"]["data"]["type"].endswith("cloud-optimized")
        assert items["features"][6]["geometry"] is not None  # from the package's sidecar

    print("\n".join(failures + [f"{checks} validations, {len(failures)} failed"]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
