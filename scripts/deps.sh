#!/usr/bin/env bash
# Installs the Debian packages the build and tests need, when any is missing.
# Sourced by setup-and-run.sh and test.sh.
kelmar_install_deps() {
  local pkgs=(g++ cmake make pkg-config qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libboost-dev
    qt6-svg-dev parallel fonts-dejavu-core)
  local missing=()
  for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
