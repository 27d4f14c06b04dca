#!/usr/bin/env bash
# scripts/check-deb-install.sh [DEB_DIR]: installs the two packages (made by make-deb.sh into
# DEB_DIR, or into a temporary folder first) with apt-get in a bare Debian 12 root made by
# debootstrap from Debian's mirror, and runs the programs there: tarnview-tools alone must bring no
# Qt, then both install together. Needs root and the network; takes minutes, so test.sh leaves it
# out. Exit 0 only if everything installed and ran.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
[ "$(id -u)" -eq 0 ] || { echo "run as root: debootstrap and chroot need it" >&2; exit 1; }
tarnview_install_packages debootstrap
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

work=$(mktemp -d)
root="$work/root"
cleanup() {
    umount "$root/proc" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

debs=${1:-}
if [ -z "$debs" ]; then
    debs="$work/debs"
    scripts/make-deb.sh "$debs"
fi

echo "debootstrap: a minimal Debian 12 root from $mirror"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log"; exit 1; }
mount -t proc proc "$root/proc"
mkdir "$root/debs"
cp "$debs"/tarnview-tools_*.deb "$debs"/tarnview_*.deb "$root/debs/"
cp samples/utm50n_overviews.tif "$root/debs/sample.tif"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
    DEBIAN_FRONTEND=noninteractive bash -euo pipefail -c "cd /debs && $1"; }

in_root "apt-get update -qq && apt-get install -y -qq ./tarnview-tools_*.deb >/dev/null"
if in_root "dpkg-query -W -f='\${Package}\n' | grep -i qt"; then
    echo "installing tarnview-tools brought Qt" >&2
    exit 1
fi
echo "tarnview-tools installed without Qt"
in_root "tarnview-info --help | head -n 3"
in_root "tarnview-info sample.tif | head -n 5"
in_root "tarnview-pack sample.tif sample.qvrmp && tarnview-info sample.qvrmp | head -n 5"

in_root "apt-get install -y -qq ./tarnview-tools_*.deb ./tarnview_*.deb >/dev/null"
in_root "dpkg-query -W -f='\${Package} \${Version} \${Status}\n' tarnview-tools tarnview"
in_root "ls /usr/share/man/man1/tarnview*.1.gz /usr/share/bash-completion/completions/tarnview-*"
in_root "ldd /usr/bin/tarnview | grep -c 'not found' && exit 1 || echo 'tarnview: every library found'"
echo "both packages installed and ran in a bare Debian 12 root"
