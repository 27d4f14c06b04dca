#!/usr/bin/env bash
# Makes a large RGB raster at no disk cost: a 1000 x 1000 terrain-like texture (value noise
# coloured like water, sand, fields, forest and rock, plus grain), written once as a GeoTIFF, and
# a VRT that repeats it to the requested size. Used by the pack benchmarks.
# Usage: bench/make_texture_vrt.sh WIDTH HEIGHT FOLDER   (prints the VRT's path)
set -euo pipefail
width=$1
height=$2
folder=$3
tile=1000  # not a multiple of 512, so that repeats do not line up with sub-tiles

tif="$folder/texture.tif"
if [ ! -f "$tif" ]; then
    LC_ALL=C awk -v n=$tile 'BEGIN {
        srand(20240611);
        # Lattices of random heights for four octaves of value noise.
        for (o = 0; o < 4; o++) {
            cells[o] = 4 * 2 ^ o;
            for (i = 0; i <= cells[o]; i++)
                for (j = 0; j <= cells[o]; j++)
                    lattice[o, i, j] = rand();
        }
        printf "P6\n%d %d\n255\n", n, n;
        for (y = 0; y < n; y++) {
            for (x = 0; x < n; x++) {
                h = 0; amplitude = 0.5;
                for (o = 0; o < 4; o++) {
                    fx = x * cells[o] / n; fy = y * cells[o] / n;
                    ix = int(fx); iy = int(fy); tx = fx - ix; ty = fy - iy;
                    top = lattice[o, ix, iy] * (1 - tx) + lattice[o, ix + 1, iy] * tx;
                    bottom = lattice[o, ix, iy + 1] * (1 - tx) + lattice[o, ix + 1, iy + 1] * tx;
                    h += amplitude * (top * (1 - ty) + bottom * ty);
                    amplitude /= 2;
                }
                if (h < 0.38)      { r = 30;  g = 70;  b = 120 + 200 * h; }
                else if (h < 0.42) { r = 190; g = 175; b = 120; }
                else if (h < 0.55) { r = 90;  g = 140; b = 60; }
                else if (h < 0.68) { r = 40;  g = 90;  b = 40; }
                else               { r = 120; g = 110; b = 100; }
                grain = (rand() - 0.5) * 40;
                r += grain; g += grain; b += grain;
                printf "%c%c%c", (r < 0 ? 0 : (r > 255 ? 255 : r)), \
                    (g < 0 ? 0 : (g > 255 ? 255 : g)), (b < 0 ? 0 : (b > 255 ? 255 : b));
            }
        }
    }' >"$folder/texture.ppm"
    gdal_translate -q -of GTiff -co TILED=YES "$folder/texture.ppm" "$tif"
    rm -f "$folder/texture.ppm"
fi

vrt="$folder/texture_${width}x${height}.vrt"
{
    echo "<VRTDataset rasterXSize=\"$width\" rasterYSize=\"$height\">"
    for band in 1 2 3; do
        echo "  <VRTRasterBand dataType=\"Byte\" band=\"$band\">"
        for ((y = 0; y < height; y += tile)); do
            for ((x = 0; x < width; x += tile)); do
                w=$((width - x < tile ? width - x : tile))
                h=$((height - y < tile ? height - y : tile))
                echo "    <SimpleSource><SourceFilename relativeToVRT=\"1\">texture.tif</SourceFilename>"
                echo "      <SourceBand>$band</SourceBand>"
                echo "      <SrcRect xOff=\"0\" yOff=\"0\" xSize=\"$w\" ySize=\"$h\"/>"
                echo "      <DstRect xOff=\"$x\" yOff=\"$y\" xSize=\"$w\" ySize=\"$h\"/></SimpleSource>"
            done
        done
        echo "  </VRTRasterBand>"
    done
    echo "</VRTDataset>"
} >"$vrt"
echo "$vrt"
