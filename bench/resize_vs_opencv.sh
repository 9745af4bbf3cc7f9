#!/usr/bin/env bash
# Times Velinor's filtered resampler and OpenCV's Lanczos resize on the same
# image in one run and prints the ratio (Velinor / OpenCV; below 1 is faster).
# Usage: bench/resize_vs_opencv.sh [BUILD_DIR] [REPETITIONS] [THREADS]
# BUILD_DIR is a Release build with velinor_core built (scripts/bench makes
# build-bench). OpenCV is optional: without libopencv-dev only Velinor is timed.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
reps="${2:-7}"
threads="${3:-2}"
lib="$build/src/core/libvelinor_core.a"
if [ ! -f "$lib" ]; then
  echo "resize_vs_opencv: $lib not found; build first (scripts/bench)" >&2
  exit 1
fi
opencv=()
if pkg-config --exists opencv4 2>/dev/null; then
  # -isystem: the OpenCV headers are not ours to keep warning-free.
  opencv=(-DVELINOR_WITH_OPENCV $(pkg-config --cflags-only-I opencv4 | sed "s/-I/-isystem /g") -lopencv_imgproc -lopencv_core)
else
  echo "resize_vs_opencv: OpenCV not installed (apt-get install libopencv-dev); timing Velinor only"
fi
mkdir -p "$build/bench"
out="$build/bench/resize_vs_opencv"
# Link order: our sources, then the core, then OpenCV.
g++ -O2 -std=c++20 -fopenmp -Isrc/core -Ibench bench/resize_vs_opencv.cpp "$lib" "${opencv[@]}" -o "$out"
"$out" "$reps" "$threads"
