#!/usr/bin/env bash
# Runs the zip reader fuzzer for SECONDS (default 60) with Debian's clang and libFuzzer.
# Findings land in build/fuzz/artifacts; turn each into a regression test.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build=build/fuzz
CC=clang CXX=clang++ cmake -S Tests/zip/fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target zip_reader_fuzz
mkdir -p "$build/corpus" "$build/seeds" "$build/artifacts"
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
ASAN_OPTIONS=detect_leaks=1 "$build/zip_reader_fuzz" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
  -artifact_prefix="$build/artifacts/" "$build/corpus" "$build/seeds"
