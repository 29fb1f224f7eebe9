#!/usr/bin/env bash
# Runs a zip fuzzer for SECONDS (default 60) with Debian's clang and libFuzzer:
#   Tools/fuzz.sh [SECONDS] [reader|roundtrip]
# reader: open, list and extract hostile archives; roundtrip: write items, read them back.
# Findings land in build/fuzz/artifacts; turn each into a regression test.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
target="${2:-reader}"
case "$target" in reader|roundtrip) ;; *) echo "usage: $0 [SECONDS] [reader|roundtrip]" >&2; exit 2 ;; esac
build=build/fuzz
CC=clang CXX=clang++ cmake -S Tests/zip/fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target "zip_${target}_fuzz"
mkdir -p "$build/corpus-$target" "$build/seeds" "$build/artifacts"
# Seed archives made now by the tools at hand; the first byte of an input picks the password.
python3 - "$build/seeds" <<'PY'
import io, os, sys, zipfile
out = sys.argv[1]
def save(name, data, password_flag=0):
    with open(os.path.join(out, name), "wb") as f:
        f.write(bytes([password_flag]) + data)
for method, tag in ((zipfile.ZIP_STORED, "stored"), (zipfile.ZIP_DEFLATED, "deflated")):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", compression=method) as z:
        z.writestr("dir/", b"")
        z.writestr("dir/a.txt", b"hello hello hello " * 20)
        z.writestr("b\\c.bin", bytes(range(256)))
        z.comment = b"comment"
    save(tag, buf.getvalue())
PY
if command -v zip >/dev/null; then
  tmp=$(mktemp -d)
  printf 'secret data %.0s' $(seq 1 50) > "$tmp/s.txt"
  (cd "$tmp" && zip -q -P pw enc.zip s.txt && printf '\001' | cat - enc.zip > "$OLDPWD/$build/seeds/encrypted")
  rm -rf "$tmp"
fi
seeds=("$build/seeds")
[ "$target" = roundtrip ] && seeds=()
ASAN_OPTIONS=detect_leaks=1 "$build/zip_${target}_fuzz" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
  -artifact_prefix="$build/artifacts/$target-" "$build/corpus-$target" "${seeds[@]}"
