#!/usr/bin/env bash
# Runs the benchmark program of BUILD_DIR (built by `make bench`): a short table on the
# terminal, the raw results as JSON under BUILD_DIR/bench-results/.
# usage: bench/run.sh BUILD_DIR [benchmark flags...]
set -euo pipefail
build=${1:?build dir}
shift
bin=$build/bench/orbbench
[[ -x $bin ]] || { echo "bench/run.sh: $bin is missing (Google Benchmark not found at configure time?)" >&2; exit 1; }
out=$build/bench-results
mkdir -p "$out"
stamp=$(date -u +%Y%m%dT%H%M%SZ)
commit=$(git -C "$(dirname "$0")/.." rev-parse --short HEAD 2>/dev/null || echo unknown)
json=$out/$stamp-$commit.json
QT_QPA_PLATFORM=offscreen "$bin" --benchmark_out="$json" --benchmark_out_format=json \
  --benchmark_counters_tabular=true "$@"
ln -sfn "$(basename "$json")" "$out/latest.json"
echo "raw results: $json"
