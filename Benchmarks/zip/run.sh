#!/usr/bin/env bash
# Zip benchmark, one run: ziptool create/extract against raw zlib, Python's zipfile, Info-ZIP
# and 7z on one generated corpus (about 100 MB, ~2000 files plus one large file).
# Usage: Benchmarks/zip/run.sh [WORKDIR]   (release build in build/zip-bench)
# Every step runs in each of REPEAT rounds (default 3) and keeps its fastest time, which damps
# the noise of a shared machine.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/build/zip-bench"
work="${1:-$(mktemp -d /tmp/zip-bench.XXXXXX)}"
repeat="${REPEAT:-3}"
mkdir -p "$work"

cmake -S "$root/Benchmarks/zip" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target ziptool zip_bench_raw >/dev/null
ziptool="$build/bin/ziptool"
raw="$build/bin/zip_bench_raw"

corpus="$work/corpus"
if [ ! -d "$corpus" ]; then
  python3 - "$corpus" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(20261207)
words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 10))) for _ in range(5000)]
def text(size):
    out, n = [], 0
    while n < size:
        line = " ".join(rng.choices(words, k=rng.randint(4, 14))) + "\n"
        out.append(line)
        n += len(line)
    return "".join(out)[:size].encode()
def binary(size):
    # Half noise, half records with small changes: roughly how game data looks.
    if rng.random() < 0.5:
        return rng.randbytes(size)
    record = rng.randbytes(64)
    return b"".join(record[:60] + i.to_bytes(4, "little") for i in range(size // 64 + 1))[:size]
for i in range(2000):
    folder = os.path.join(root, f"dir{i % 40:02d}", f"sub{i % 7}")
    os.makedirs(folder, exist_ok=True)
    if i % 2 == 0:
        data, name = text(rng.randint(8000, 40000)), f"file{i:04d}.txt"
    else:
        data, name = binary(rng.randint(8000, 40000)), f"file{i:04d}.bin"
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)
with open(os.path.join(root, "large.dat"), "wb") as f:
    for _ in range(25):
        f.write(text(1 << 20))
        f.write(binary(1 << 20))
PY
fi
bytes=$(du -sb --apparent-size "$corpus" | cut -f1)
files=$(find "$corpus" -type f | wc -l)

items=()
while IFS= read -r f; do items+=("${f#"$corpus"/}=$f"); done < <(find "$corpus" -type f | sort)

declare -A wall cpu sizes
fresh() { rm -rf "$1"; mkdir -p "$1"; }
keep_best() { # table name seconds
  local -n best=$1
  if [ -z "${best[$2]:-}" ] || awk -v a="$3" -v b="${best[$2]}" 'BEGIN { exit !(a < b) }'; then best[$2]=$3; fi
}
# Runs a step and keeps its best wall and CPU times. The driver times its own sections, or
# runs a command and times the whole process.
step() { # name driver-arguments...
  local name=$1; shift
  local w c rest
  sync
  read -r w c rest < <("$raw" "$@" 2>/dev/null) || true
  if [ -z "${c:-}" ] || { [ "$1" = run ] && [ "$rest" != 0 ]; }; then
    echo "benchmark step failed: $name" >&2
    exit 1
  fi
  keep_best wall "$name" "$w"
  keep_best cpu "$name" "$c"
  if [ "$name" = raw_deflate ]; then sizes[raw_deflate]=$rest; fi
}

echo "corpus: $files files, $bytes bytes in $corpus; best of $repeat rounds"
out="$work/out"
python_create='
import os, sys, zipfile
src, dst = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED, compresslevel=8) as z:
    for d, _, fs in os.walk(src):
        for f in sorted(fs):
            p = os.path.join(d, f)
            z.write(p, os.path.relpath(p, src))'
python_extract='import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])'
# Rounds interleave the steps, so a burst of load elsewhere hits one round, not one step.
for ((round = 0; round < repeat; round++)); do
  step raw_deflate deflate "$corpus" "$work/raw.deflate"
  step ziptool_create run "$ziptool" create "$work/plain.zip" "${items[@]}"
  step ziptool_create_password run "$ziptool" create "$work/enc.zip" --password "benchmark pw" "${items[@]}"
  step python_create run python3 -c "$python_create" "$corpus" "$work/py.zip"
  rm -f "$work/infozip.zip"
  step infozip_create run bash -c "cd '$corpus' && exec zip -q -r -8 '$work/infozip.zip' ."

  fresh "$out"; step write_files write "$corpus" "$out"
  fresh "$out"; step raw_inflate_write inflate "$corpus" "$out"
  fresh "$out"; step ziptool_extract run "$ziptool" extract "$work/plain.zip" "$out"
  diff -rq "$corpus" "$out" >/dev/null || { echo "ziptool extracted tree differs" >&2; exit 1; }
  fresh "$out"; step ziptool_extract_password run "$ziptool" extract "$work/enc.zip" "$out" --password "benchmark pw"
  fresh "$out"; step unzip_extract run unzip -q "$work/plain.zip" -d "$out"
  fresh "$out"; step 7z_extract run 7z x -y "-o$out" "$work/plain.zip"
  fresh "$out"; step python_extract run python3 -c "$python_extract" "$work/plain.zip" "$out"
done
sizes[ziptool_create]=$(stat -c %s "$work/plain.zip")
sizes[ziptool_create_password]=$(stat -c %s "$work/enc.zip")
sizes[python_create]=$(stat -c %s "$work/py.zip")
sizes[infozip_create]=$(stat -c %s "$work/infozip.zip")

row() { # name reference
  local name=$1 ref=$2
  awk -v n="$name" -v ref="$ref" -v w="${wall[$name]}" -v c="${cpu[$name]}" -v rw="${wall[$ref]}" \
      -v rc="${cpu[$ref]}" -v b="$bytes" -v size="${sizes[$name]:-}" \
      'BEGIN { printf "%-25s %7.2f s %7.2f s %8.1f MB/s %7.3fx %7.3fx  %-18s %s\n", n, w, c, b / w / 1e6, w / rw, c / rc, ref, size }'
}
echo
printf "%-25s %9s %9s %13s %8s %8s  %-18s %s\n" "step" "wall" "cpu" "wall rate" "wall" "cpu" "ratio against" "archive bytes"
for n in raw_deflate ziptool_create python_create infozip_create; do row $n raw_deflate; done
row ziptool_create_password ziptool_create
for n in write_files raw_inflate_write ziptool_extract ziptool_extract_password unzip_extract 7z_extract python_extract; do
  row $n raw_inflate_write
done
echo
echo "targets: create <= 1.03x raw_deflate; password create <= 1.05x create; extract <= 1.15x raw_inflate_write"
