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
# Hostile shapes the reader must refuse: items sharing bytes, sizes that lie.
import struct, zlib
def central_at(data, index):
    at = struct.unpack_from("<I", data, len(data) - 6)[0]
    for _ in range(index):
        at += 46 + sum(struct.unpack_from("<HHH", data, at + 28))
    return at
def two_items(method):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", compression=method) as z:
        z.writestr("a.txt", b"abcdefgh" * 64)
        z.writestr("b.txt", b"12345678" * 64)
    return bytearray(buf.getvalue())
shared = two_items(zipfile.ZIP_DEFLATED)
struct.pack_into("<I", shared, central_at(shared, 1) + 42, 0)
save("shared-record", bytes(shared))
into = two_items(zipfile.ZIP_STORED)
struct.pack_into("<II", into, central_at(into, 1) + 20, 600, 600)
save("into-directory", bytes(into))
for declared, tag in ((100, "declared-short"), (5000, "declared-long")):
    lying = two_items(zipfile.ZIP_DEFLATED)
    crc = zlib.crc32((b"abcdefgh" * 64)[:declared])
    struct.pack_into("<I", lying, central_at(lying, 0) + 16, crc)
    struct.pack_into("<I", lying, central_at(lying, 0) + 24, declared)
    struct.pack_into("<I", lying, 14, crc)
    struct.pack_into("<I", lying, 22, declared)
    save(tag, bytes(lying))
class Unseekable(io.RawIOBase):  # makes zipfile write data descriptors
    def __init__(self): self.data = bytearray()
    def writable(self): return True
    def write(self, b): self.data += b; return len(b)
sink = Unseekable()
with zipfile.ZipFile(sink, "w", compression=zipfile.ZIP_DEFLATED) as z:
    for name in ("d1.txt", "d2.txt"):
        with z.open(name, "w") as f:
            f.write(b"descriptor " * 40)
save("descriptors", bytes(sink.data))
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
