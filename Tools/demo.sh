#!/usr/bin/env bash
# The main job: installs what is missing, builds the release preset, starts the reference
# translation service on a free loopback port, translates a copy of Samples/Demo with the
# editor and the lirno plug-in, stops the service and prints what changed.
# Needs no standard input. The copy stays in build/demo-output/Demo for a look afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash Tools/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target editor lirno localization-step translation-service

bin=$root/build/release/bin
out=$root/build/demo-output
project=$out/Demo
rm -rf "$out"
mkdir -p "$out"
cp -r Samples/Demo "$project"

# The tasks are paced over a few seconds so the progress bar has something to show.
# Its database (accounts used, tasks) stays with this run's output, not beside the shipped configuration.
"$bin/translation-service" --config Service/config/default.json --database "$out/service.db" \
  --port 0 --port-file "$out/service.port" --min-task-seconds 3 >"$out/service.out" 2>"$out/service.log" </dev/null &
service_pid=$!
stop_service() {
  if kill -0 "$service_pid" 2>/dev/null; then
    kill "$service_pid" 2>/dev/null || true
    wait "$service_pid" 2>/dev/null || true
  fi
}
trap stop_service EXIT
for _ in $(seq 100); do
  [ -s "$out/service.port" ] && break
  kill -0 "$service_pid" 2>/dev/null || { cat "$out/service.log" >&2; echo "demo: the service did not start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$out/service.port" ] || { echo "demo: the service did not report its port" >&2; exit 1; }
address="http://127.0.0.1:$(cat "$out/service.port")"
echo "demo: translation service listening on $address"

"$bin/editor" settings "$project" PallantoSetting Host "$address" >/dev/null
printf 'demo-key-0001\n' | "$bin/editor" settings "$project" PallantoSetting API_KEY - >/dev/null

echo "demo: running the translation job on $project"
status=0
"$bin/editor" run "$project" lirno.PluginAction --yes --timeout 600 </dev/null || status=$?
stop_service
echo "demo: service stopped"
if [ "$status" -eq 3 ]; then
  echo "demo: the job completed, but the editor log has warnings or errors worth a look" >&2
elif [ "$status" -ne 0 ]; then
  echo "demo: the job did not complete (editor exit status $status); service log: $out/service.log" >&2
  exit "$status"
fi

python3 - "$root/Samples/Demo" "$project" <<'PY'
import json, os, sys
before_root, after_root = sys.argv[1], sys.argv[2]
loc = "Content/Localization"

def entries(root, target, culture):
    path = os.path.join(root, loc, target, culture, target + ".archive")
    with open(path, encoding="utf-8") as f:
        return {(e["Namespace"], e["Key"]): e for e in json.load(f)["Entries"]}

def targets(root):
    section, found = None, {}
    with open(os.path.join(root, "Config/DefaultEditor.ini"), encoding="utf-8") as f:
        for line in f:
            line = line.split(";")[0].strip()
            if line.startswith("["):
                section = line.strip("[]")
            elif "=" in line and section and section.startswith("Localization."):
                key, value = (part.strip() for part in line.split("=", 1))
                target = found.setdefault(section.split(".", 1)[1], {"cultures": [], "native": 0})
                if key == "Culture":
                    target["cultures"].append(value)
                elif key == "NativeCultureIndex":
                    target["native"] = int(value)
    return found

print()
print("What changed in " + os.path.join(after_root, loc) + ":")
total = 0
review_total = 0
for target, info in targets(after_root).items():
    native = info["cultures"][info["native"]]
    for culture in info["cultures"]:
        if culture == native:
            continue
        old, new = entries(before_root, target, culture), entries(after_root, target, culture)
        changed = [k for k, e in new.items() if e.get("Translation") and e.get("Translation") != old.get(k, {}).get("Translation")]
        total += len(changed)
        origins = [str(e.get("Origin", "human")) for e in new.values() if e.get("Translation")]
        machine = sum(1 for o in origins if o == "machine" or o.startswith("machine:"))
        pseudo = origins.count("pseudo")
        review_total += machine
        resource = os.path.join(target, culture, target + ".resource")
        print(f"  {target:<6} {culture:<3} {len(changed):>3} of {len(new):>3} texts translated now   "
              f"{os.path.join(target, culture, target + '.archive')}"
              + (f", {resource}" if os.path.exists(os.path.join(after_root, loc, resource)) else ""))
        if machine or pseudo:
            print(f"             {machine} machine output awaiting review, {pseudo} pseudo-localized")
        elif not changed:
            print("             nothing: no machine translation for this language (see the job's result message)")
        if changed:
            sample = new[changed[0]]
            print(f"             e.g. {sample['Source']!r} -> {sample['Translation']!r}")
    report = os.path.join(target, target + ".csv")
    if os.path.exists(os.path.join(after_root, loc, report)):
        print(f"  {target:<6} word-count report: {report}")
print(f"  {total} texts translated in all; the plug-in kept lirno_bak.zip (the files as uploaded) and "
      "lirno_tmp_processed.bin (the result package)")
if review_total:
    print(f"  {review_total} texts are machine output awaiting review: their archive entries say "
          '"Origin": "machine:<provider>" until a translator replaces the mark')
PY
echo "demo: service log in $out/service.log; editor log in $project/Saved/Logs/Editor.log"
