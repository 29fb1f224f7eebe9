#!/usr/bin/env bash
# Installs every build, test and demo dependency by Debian package name.
# Idempotent: quiet and quick when everything is already present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  zlib1g-dev libcurl4-openssl-dev libssl-dev ca-certificates
  nlohmann-json3-dev libcpp-httplib-dev libcli11-dev libspdlog-dev libfmt-dev libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  zip unzip p7zip-full python3 curl
)
# Machine translation for the reference service; optional at run time.
optional=(apertium apertium-eng-spa apertium-eng-cat)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
missing_optional=()
for p in "${optional[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing_optional+=("$p")
done

[ ${#missing[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
echo "setup: installing ${missing[*]} ${missing_optional[*]}" >&2
"${sudo_cmd[@]}" apt-get update -qq >/dev/null
if [ ${#missing[@]} -gt 0 ]; then
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ ${#missing_optional[@]} -gt 0 ]; then
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing_optional[@]}" >/dev/null 2>&1 \
    || echo "setup: optional packages not installed (${missing_optional[*]}); the service falls back to pseudo-localization" >&2
fi
