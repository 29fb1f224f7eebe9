#!/usr/bin/env bash
# Zip benchmark, one run: ziptool create (one thread and all cores) and extract against raw
# zlib, Python's zipfile, Info-ZIP and 7z (multi-threaded with -mmt) on two generated corpora:
#   small: ~2000 files of 8-40 KB (the per-item cost)
#   large: items of 1 MiB and up: a localization set of 1-5 MB manifests and archives plus
#          one 24 MiB mixed file (where splitting one item over the cores pays)
# Usage: Benchmarks/zip/run.sh [WORKDIR]   (release build in build/zip-bench)
# Every step runs in each of REPEAT rounds (default 3) and keeps its fastest time, which damps
# the noise of a shared machine. ziptool's threads: all cores unless LIRNO_ZIP_THREADS says.
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
if [ ! -d "$corpus/large" ]; then
  rm -rf "$corpus"
  python3 - "$corpus" <<'PY'
import json, os, random, sys
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
def localization(size):
    # A manifest or archive: JSON entries of keys, hashes and sentences.
    entries, n = [], 0
    while n < size:
        entry = {"Key": "".join(rng.choices("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", k=32)),
                 "Hash": rng.getrandbits(32), "Source": {"Text": " ".join(rng.choices(words, k=rng.randint(3, 20)))},
                 "Translation": {"Text": " ".join(rng.choices(words, k=rng.randint(3, 20)))}}
        s = json.dumps(entry, indent="\t")
        entries.append(s)
        n += len(s) + 3
    return ("{\n\"Children\": [\n" + ",\n".join(entries) + "\n]\n}\n").encode()
small = os.path.join(root, "small")
for i in range(2000):
    folder = os.path.join(small, f"dir{i % 40:02d}", f"sub{i % 7}")
    os.makedirs(folder, exist_ok=True)
    if i % 2 == 0:
        data, name = text(rng.randint(8000, 40000)), f"file{i:04d}.txt"
    else:
        data, name = binary(rng.randint(8000, 40000)), f"file{i:04d}.bin"
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)
large = os.path.join(root, "large")
for i in range(12):
    folder = os.path.join(large, "Localization", ["de", "fr", "ja", "es"][i % 4])
    os.makedirs(folder, exist_ok=True)
    name = f"Game{i // 4}." + ("manifest" if i % 2 else "archive")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(localization(rng.randint(1 << 20, 5 << 20)))
with open(os.path.join(large, "large.dat"), "wb") as f:
    for _ in range(12):
        f.write(text(1 << 20))
        f.write(binary(1 << 20))
PY
fi

declare -A wall cpu sizes bytes
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
  if [ "$1" = deflate ]; then sizes[$name]=$rest; fi
}

python_create='
import os, sys, zipfile
src, dst = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED, compresslevel=8) as z:
    for d, _, fs in os.walk(src):
        for f in sorted(fs):
            p = os.path.join(d, f)
            z.write(p, os.path.relpath(p, src))'
python_extract='import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])'
cores=$(nproc)
echo "best of $repeat rounds; $cores cores; ziptool threads: ${LIRNO_ZIP_THREADS:-all cores}; load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
sets=(small large)
for set in "${sets[@]}"; do
  src="$corpus/$set"
  bytes[$set]=$(du -sb --apparent-size "$src" | cut -f1)
  echo "$set: $(find "$src" -type f | wc -l) files, ${bytes[$set]} bytes in $src"
  list=()
  while IFS= read -r f; do list+=("${f#"$src"/}=$f"); done < <(find "$src" -type f | sort)
  printf '%s\0' "${list[@]}" > "$work/$set.items"
done

# Rounds interleave the steps, so a burst of load elsewhere hits one round, not one step.
out="$work/out"
for ((round = 0; round < repeat; round++)); do
  for set in "${sets[@]}"; do
    src="$corpus/$set"
    mapfile -d '' items < "$work/$set.items"
    a="$work/$set"
    step "$set.raw_deflate" deflate "$src" "$a.raw.deflate"
    step "$set.ziptool_create_1_thread" run env LIRNO_ZIP_THREADS=1 "$ziptool" create "$a.one.zip" "${items[@]}"
    step "$set.ziptool_create" run "$ziptool" create "$a.plain.zip" "${items[@]}"
    step "$set.ziptool_create_password" run "$ziptool" create "$a.enc.zip" --password "benchmark pw" "${items[@]}"
    step "$set.python_create" run python3 -c "$python_create" "$src" "$a.py.zip"
    rm -f "$a.infozip.zip" "$a.7z.zip"
    step "$set.infozip_create" run bash -c "cd '$src' && exec zip -q -r -8 '$a.infozip.zip' ."
    step "$set.7z_create_mmt" run bash -c "cd '$src' && exec 7z a -tzip -mx=5 -mmt=on -bd -bso0 '$a.7z.zip' ."

    fresh "$out"; step "$set.write_files" write "$src" "$out"
    fresh "$out"; step "$set.raw_inflate_write" inflate "$src" "$out"
    fresh "$out"; step "$set.ziptool_extract" run "$ziptool" extract "$a.plain.zip" "$out"
    diff -rq "$src" "$out" >/dev/null || { echo "ziptool extracted tree differs" >&2; exit 1; }
    fresh "$out"; step "$set.ziptool_extract_password" run "$ziptool" extract "$a.enc.zip" "$out" --password "benchmark pw"
    fresh "$out"; step "$set.unzip_extract" run unzip -q "$a.plain.zip" -d "$out"
    fresh "$out"; step "$set.7z_extract" run 7z x -y "-o$out" "$a.plain.zip"
    fresh "$out"; step "$set.python_extract" run python3 -c "$python_extract" "$a.plain.zip" "$out"
  done
done
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"

row() { # set step reference
  local name="$1.$2" ref="$1.$3"
  awk -v n="$2" -v ref="$3" -v w="${wall[$name]}" -v c="${cpu[$name]}" -v rw="${wall[$ref]}" \
      -v rc="${cpu[$ref]}" -v b="${bytes[$1]}" -v size="${sizes[$name]:-}" \
      'BEGIN { printf "  %-26s %7.2f s %7.2f s %8.1f MB/s %7.3fx %7.3fx  %-24s %s\n", n, w, c, b / w / 1e6, w / rw, c / rc, ref, size }'
}
ratio() { # label slower faster target
  awk -v l="$1" -v a="${wall[$2]}" -v b="${wall[$3]}" -v t="$4" \
      'BEGIN { r = a / b; printf "  %-58s %6.2fx  (target %s: %s)\n", l, r, t, (t ~ /^>=/ ? r >= substr(t, 3) : r <= substr(t, 3)) ? "met" : "MISSED" }'
}
for set in "${sets[@]}"; do
  a="$work/$set"
  sizes[$set.ziptool_create_1_thread]=$(stat -c %s "$a.one.zip")
  sizes[$set.ziptool_create]=$(stat -c %s "$a.plain.zip")
  sizes[$set.ziptool_create_password]=$(stat -c %s "$a.enc.zip")
  sizes[$set.python_create]=$(stat -c %s "$a.py.zip")
  sizes[$set.infozip_create]=$(stat -c %s "$a.infozip.zip")
  sizes[$set.7z_create_mmt]=$(stat -c %s "$a.7z.zip")
  echo
  echo "$set (${bytes[$set]} bytes)"
  printf "  %-26s %9s %9s %13s %8s %8s  %-24s %s\n" "step" "wall" "cpu" "wall rate" "wall" "cpu" "ratio against" "archive bytes"
  for n in raw_deflate ziptool_create_1_thread ziptool_create python_create infozip_create 7z_create_mmt; do
    row "$set" $n raw_deflate
  done
  row "$set" ziptool_create_password ziptool_create
  for n in write_files raw_inflate_write ziptool_extract ziptool_extract_password unzip_extract 7z_extract python_extract; do
    row "$set" $n raw_inflate_write
  done
done
echo
echo "ratios (wall, best of $repeat):"
ratio "large: create, one thread / all cores" large.ziptool_create_1_thread large.ziptool_create ">=1.8"
ratio "large: Python zipfile -8 / ziptool create" large.python_create large.ziptool_create ">=1.7"
ratio "large: zip -8 / ziptool create" large.infozip_create large.ziptool_create ">=1.7"
ratio "large: 7z -mmt / ziptool create" large.7z_create_mmt large.ziptool_create ">=1.0"
ratio "small: ziptool create / one thread" small.ziptool_create small.ziptool_create_1_thread "<=1.03"
ratio "small: Python zipfile -8 / ziptool create" small.python_create small.ziptool_create ">=1.0"
ratio "small: zip -8 / ziptool create" small.infozip_create small.ziptool_create ">=1.0"
ratio "small: ziptool create, one thread / raw zlib" small.ziptool_create_1_thread small.raw_deflate "<=1.03"
for set in "${sets[@]}"; do
  ratio "$set: password create / plain create" "$set.ziptool_create_password" "$set.ziptool_create" "<=1.05"
  ratio "$set: ziptool extract / raw inflate and write" "$set.ziptool_extract" "$set.raw_inflate_write" "<=1.15"
done
