#!/usr/bin/env bash
# Runs every fuzz target for a bounded time from a scratch copy of its seed corpus, so the
# corpus in the repository only changes by hand. Usage: fuzz/run.sh BUILD_DIR [SECONDS_EACH]
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:?build directory}"
seconds="${2:-6}"
work="$(mktemp -d "${TMPDIR:-/tmp}/ydt-fuzz.XXXXXX")"
trap 'rm -rf "$work"' EXIT
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"

failed=()
for corpus in "$here"/corpus/*/; do
  name="$(basename "$corpus")"
  exe="$build/fuzz/$name"
  if [ ! -x "$exe" ]; then
    echo "fuzz: $name not built" >&2
    failed+=("$name")
    continue
  fi
  mkdir -p "$work/$name"
  cp "$corpus"* "$work/$name"/
  echo "fuzz: $name for ${seconds}s"
  # Scratch files of a target (the settings reader's folder) go with the work folder, even
  # when the target dies before it can remove them.
  if ! TMPDIR="$work" "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
      -artifact_prefix="$artifacts/$name-" "$work/$name" >"$work/$name.log" 2>&1; then
    tail -n 60 "$work/$name.log" >&2
    echo "fuzz: $name FAILED; the input is in $artifacts" >&2
    failed+=("$name")
  else
    grep -E '^(#[0-9]+ *DONE|Done [0-9]+ runs)' "$work/$name.log" | tail -n 1
  fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: failed: ${failed[*]}" >&2
  exit 1
fi
