#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing, so that a
# fresh machine needs no manual step.
#   install-deps.sh           the native build, the tests and the benchmarks
#   install-deps.sh windows   the Windows cross build and the Wine checks as well
#   install-deps.sh browser   a browser and an image tool, for the test that renders the HTML report
#   install-deps.sh fuzz      clang and its libFuzzer and sanitizer runtimes as well
set -euo pipefail
# g++ brings the address, undefined-behaviour and thread sanitizer runtimes of
# make asan and make tsan with it.
packages=(cmake make g++ libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libcli11-dev)
for group in "$@"; do
  case "$group" in
    # MinGW-w64 with POSIX threads (std::thread and std::mutex), osslsigncode and zip
    # to sign and package the files that ship, Wine to run what it builds, a virtual
    # display to look at the dialogs on (the checks themselves use Wine's null graphics
    # driver), fonts for the English and Japanese texts, and the Japanese locale's
    # definition for the checks with a Japanese user interface.
    windows) packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 osslsigncode zip wine64 xvfb fonts-wine
                        fonts-ipafont-gothic locales) ;;
    # The fuzz preset names clang-14, Debian 12's clang; libFuzzer and the sanitizer
    # runtimes come with its compiler-rt package.
    fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    # A browser and an image tool, for the test that renders the HTML report.
    browser) packages+=(chromium imagemagick fonts-ipafont-gothic) ;;
    *) echo "install-deps.sh: unknown group $group (windows, fuzz, browser)" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
