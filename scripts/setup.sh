#!/usr/bin/env bash
# Installs the Debian packages the build, tests and benchmarks need.
# Does nothing when they are all installed already. clang and its runtime
# build the sanitizer and fuzz builds; jackd2 is the real audio server of
# the JACK tests (its dummy driver needs no sound card); poppler-utils renders
# the printed PDFs in the tests; fonts-liberation gives printouts Times New
# Roman's, Arial's and Courier New's metrics. The window needs a font with
# fixed-width digits (DejaVu); Xvfb (xvfb-run) shows it on a virtual X display
# where there is no screen. PCRE2 runs the script engine's RegExp.
set -euo pipefail
packages=(build-essential cmake ninja-build qt6-base-dev portaudio19-dev
          libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev clang-format
          clang libclang-rt-14-dev pkg-config poppler-utils fonts-liberation
          fonts-dejavu-core xvfb xauth libpcre2-dev jackd2 libjack-jackd2-dev)
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages present"
    exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
