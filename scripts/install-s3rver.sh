#!/bin/sh
# Installs the S3-compatible server the remote-archive tests start (s3rver, from npm, run by
# Debian's nodejs) into FOLDER (default: build/s3rver), unless it is there already. Not committed;
# test.sh calls this before the tests.
set -e
folder="${1:-$(dirname "$0")/../build/s3rver}"
version=3.7.1
[ -x "$folder/node_modules/.bin/s3rver" ] && exit 0
mkdir -p "$folder"
npm install --prefix "$folder" --no-audit --no-fund --silent "s3rver@$version" >/dev/null
