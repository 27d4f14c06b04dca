#!/bin/bash
# The catalogue of a remote archive against gdalinfo: 1,000 objects (900 small COGs, 100 packages)
# served by a local nginx (autoindex) and by s3rver, with 20 ms added to every request: by the
# kernel's netem on loopback for these two servers' ports only when allowed (root with NET_ADMIN),
# otherwise by bench/delay_proxy.py in front of each server. Prints requests per file (counted in
# the servers' own logs) and files per second for:
#   tarnview-info --jsonl -r URL            (over HTTP and over S3)
#   a shell loop of gdalinfo -json /vsicurl/URL   (on the first LOOP_FILES files: it is slow)
#   one Python process calling gdal.Info on each /vsicurl/ URL
# Usage: bench/remote_catalogue.sh [BUILD_FOLDER]   (scripts/install-s3rver.sh first)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
cogs=900
packages=100
loop_files=${LOOP_FILES:-100}
delay=10ms  # each way: 20 ms a round trip
proxy_delay_ms=20  # the proxy holds each request this long
work=$(mktemp -d)
pids=()
netem=no
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ "$netem" = yes ] && tc qdisc del dev lo root 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
wait_port() { for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0; sleep 0.05; done; return 1; }

# The objects.
mkdir -p "$work/www/cogs" "$work/www/packages" "$work/state"
/usr/bin/python3 - "$work" "$cogs" <<'PY'
import sys
from osgeo import gdal
import numpy
work, count = sys.argv[1], int(sys.argv[2])
rng = numpy.random.default_rng(7)
for i in range(count):
    mem = gdal.GetDriverByName("MEM").Create("", 256, 256, 3)
    mem.SetGeoTransform([500000 + 2560 * i, 10, 0, 4000000, 0, -10])
    for b in range(3):
        mem.GetRasterBand(b + 1).WriteArray(rng.integers(0, 255, (256, 256), dtype=numpy.uint8))
    gdal.Translate("%s/www/cogs/c%04d.tif" % (work, i), mem, format="COG")
big = gdal.GetDriverByName("GTiff").Create(work + "/state/source.tif", 3000, 2000, 3)
big.SetGeoTransform([500000, 10, 0, 4000000, 0, -10])
for b in range(3):
    big.GetRasterBand(b + 1).WriteArray(rng.integers(0, 255, (2000, 3000), dtype=numpy.uint8))
PY
"$build/tarnview-pack" "$work/state/source.tif" "$work/state/p.qvrmp" >/dev/null 2>&1
for i in $(seq -f %03g 1 $packages); do cp "$work/state/p.qvrmp" "$work/www/packages/p$i.qvrmp"; done
total=$((cogs + packages))

# The servers.
http_port=$(free_port)
cat > "$work/state/nginx.conf" <<CONF
daemon off; master_process off; user root; pid $work/state/nginx.pid; error_log $work/state/error.log;
events {}
http { log_format requests '\$request'; access_log $work/state/access.log requests;
  client_body_temp_path $work/state;
  server { listen 127.0.0.1:$http_port; root $work/www; autoindex on; } }
CONF
nginx -p "$work/state" -c "$work/state/nginx.conf" & pids+=($!)
s3_port=$(free_port)
"$build/s3rver/node_modules/.bin/s3rver" -d "$work/s3" -a 127.0.0.1 -p "$s3_port" \
    --configure-bucket archive >"$work/state/s3.log" 2>&1 & pids+=($!)
wait_port "$http_port"; wait_port "$s3_port"
export AWS_S3_ENDPOINT=127.0.0.1:$s3_port AWS_HTTPS=NO AWS_VIRTUAL_HOSTING=FALSE \
    AWS_ACCESS_KEY_ID=S3RVER AWS_SECRET_ACCESS_KEY=S3RVER
/usr/bin/python3 - "$work/www" <<'PY'
import os, sys
from osgeo import gdal
root = sys.argv[1]
for folder, _, names in os.walk(root):
    for name in names:
        path = os.path.join(folder, name)
        data = open(path, "rb").read()
        out = gdal.VSIFOpenL("/vsis3/archive/" + os.path.relpath(path, root), "wb")
        gdal.VSIFWriteL(data, 1, len(data), out)
        gdal.VSIFCloseL(out)
PY

# 20 ms a request: netem on these two ports only, else a delaying proxy in front of each.
# Every other packet keeps the undelayed middle band.
if tc qdisc add dev lo root handle 1: prio priomap 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 2>/dev/null; then
    netem=yes
    latency="netem $delay each way"
    tc qdisc add dev lo parent 1:3 handle 30: netem delay $delay
    for port in "$http_port" "$s3_port"; do
        tc filter add dev lo parent 1:0 protocol ip prio 3 u32 match ip dport "$port" 0xffff flowid 1:3
        tc filter add dev lo parent 1:0 protocol ip prio 3 u32 match ip sport "$port" 0xffff flowid 1:3
    done
else
    latency="delay_proxy.py, ${proxy_delay_ms} ms a request (netem not allowed here)"
    for server in http s3; do
        target_var=${server}_port
        proxy=$(free_port)
        /usr/bin/python3 "$here/delay_proxy.py" "$proxy" "${!target_var}" "$proxy_delay_ms" & pids+=($!)
        wait_port "$proxy"
        printf -v "${server}_port" %s "$proxy"
    done
    export AWS_S3_ENDPOINT=127.0.0.1:$s3_port
fi

http_requests() { wc -l < "$work/state/access.log"; }
s3_requests() { grep -cE ': \S+ [1-5][0-9][0-9] [0-9.]+m?s ' "$work/state/s3.log" || true; }
report() {  # NAME FILES REQUESTS SECONDS
    awk -v n="$1" -v f="$2" -v r="$3" -v s="$4" \
        'BEGIN { printf "%-34s %5d files %6.2f requests/file %8.1f files/s\n", n, f, r / f, f / s }'
}
measure() {  # NAME FILES COUNTER COMMAND...
    local name=$1 files=$2 counter=$3; shift 3
    local before start end
    before=$($counter); start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    sleep 0.2
    report "$name" "$files" $(( $($counter) - before )) "$(echo "$end - $start" | bc)"
}
loop_gdalinfo() {
    find "$work/www" -name '*.*' -printf '%P\n' | sort | head -n "$loop_files" | while read -r name; do
        gdalinfo -json "/vsicurl/http://127.0.0.1:$http_port/$name" >/dev/null 2>&1 || true
    done
}
python_info() {
    find "$work/www" -name '*.*' -printf '%P\n' | sort |
        BASE="/vsicurl/http://127.0.0.1:$http_port/" /usr/bin/python3 -c "$python_loop"
}
python_loop='
import os, sys
from osgeo import gdal
gdal.UseExceptions()
for name in sys.stdin.read().split():
    try:
        gdal.Info(os.environ["BASE"] + name, format="json")
    except RuntimeError:
        pass
'

echo "latency: $latency"
measure "tarnview-info --jsonl -r http://" "$total" http_requests \
    "$build/tarnview-info" --jsonl -r "http://127.0.0.1:$http_port/"
measure "tarnview-info --jsonl -r s3://" "$total" s3_requests \
    "$build/tarnview-info" --jsonl -r "s3://archive/"
measure "gdalinfo -json loop (first $loop_files)" "$loop_files" http_requests loop_gdalinfo
measure "python gdal.Info, one process" "$total" http_requests python_info
