#!/usr/bin/env bash
# The layer checker passes on the tree and reports an upward include added to a copy of it.
set -euo pipefail
root=$1
"$root/scripts/check-layers" "$root"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/scripts"
cp "$root/scripts/layers.txt" "$tmp/scripts/"
cp -r "$root/src" "$tmp/src"
sed -i '1i #include "membership/Container.h"' "$tmp/src/core/ObjectKey.cpp"
if out=$("$root/scripts/check-layers" "$tmp"); then
    echo "an upward include was not reported"
    exit 1
fi
expected='src/core/ObjectKey.cpp:1: layer core includes layer membership'
if [[ "$out" != "$expected" ]]; then
    printf 'expected: %s\nreported: %s\n' "$expected" "$out"
    exit 1
fi
