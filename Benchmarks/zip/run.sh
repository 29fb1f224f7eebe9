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

now() { date +%s.%N; }
declare -A secs sizes
fresh() { rm -rf "$1"; mkdir -p "$1"; }
keep_best() { # name seconds
  if [ -z "${secs[$1]:-}" ] || awk -v a="$2" -v b="${secs[$1]}" 'BEGIN { exit !(a < b) }'; then secs[$1]=$2; fi
}
timed() { # name command...: wall time of the whole command
  local name=$1; shift
  sync
  local t0; t0=$(now)
  "$@" >/dev/null 2>&1 || { echo "benchmark step failed: $name" >&2; exit 1; }
  keep_best "$name" "$(awk -v a="$(now)" -v b="$t0" 'BEGIN { print a - b }')"
}
driver() { # name command...: the driver prints its own timed seconds first
  local name=$1; shift
  local t rest
  sync
  read -r t rest < <("$@")
  keep_best "$name" "$t"
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
  driver raw_deflate "$raw" deflate "$corpus"
  timed ziptool_create "$ziptool" create "$work/plain.zip" "${items[@]}"
  timed ziptool_create_password "$ziptool" create "$work/enc.zip" --password "benchmark pw" "${items[@]}"
  timed python_create python3 -c "$python_create" "$corpus" "$work/py.zip"
  rm -f "$work/infozip.zip"
  timed infozip_create bash -c "cd '$corpus' && zip -q -r -8 '$work/infozip.zip' ."

  fresh "$out"; driver write_files "$raw" write "$corpus" "$out"
  fresh "$out"; driver raw_inflate_write "$raw" inflate "$corpus" "$out"
  fresh "$out"; timed ziptool_extract "$ziptool" extract "$work/plain.zip" "$out"
  diff -rq "$corpus" "$out" >/dev/null || { echo "ziptool extracted tree differs" >&2; exit 1; }
  fresh "$out"; timed ziptool_extract_password "$ziptool" extract "$work/enc.zip" "$out" --password "benchmark pw"
  fresh "$out"; timed unzip_extract unzip -q "$work/plain.zip" -d "$out"
  fresh "$out"; timed 7z_extract 7z x -y "-o$out" "$work/plain.zip"
  fresh "$out"; timed python_extract python3 -c "$python_extract" "$work/plain.zip" "$out"
done
sizes[ziptool_create]=$(stat -c %s "$work/plain.zip")
sizes[ziptool_create_password]=$(stat -c %s "$work/enc.zip")
sizes[python_create]=$(stat -c %s "$work/py.zip")
sizes[infozip_create]=$(stat -c %s "$work/infozip.zip")

row() { # name reference
  local name=$1 ref=$2 s=${secs[$1]}
  local mbps ratio size
  mbps=$(awk -v b="$bytes" -v s="$s" 'BEGIN { print b / s / 1000000 }')
  ratio=$(awk -v s="$s" -v r="${secs[$ref]}" 'BEGIN { print s / r }')
  size=${sizes[$name]:-}
  printf "%-26s %8.2f s %9.1f MB/s %7.3fx %-18s %s\n" "$name" "$s" "$mbps" "$ratio" "$ref" "$size"
}
echo
printf "%-26s %10s %14s %8s %-18s %s\n" "step" "time" "throughput" "ratio" "against" "archive bytes"
for n in raw_deflate ziptool_create python_create infozip_create; do row $n raw_deflate; done
row ziptool_create_password ziptool_create
for n in write_files raw_inflate_write ziptool_extract ziptool_extract_password unzip_extract 7z_extract python_extract; do
  row $n raw_inflate_write
done
echo
echo "targets: create <= 1.03x raw_deflate; password create <= 1.05x create; extract <= 1.15x raw_inflate_write"
