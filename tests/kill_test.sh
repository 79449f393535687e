#!/usr/bin/env bash
# Kills `trapwright add` with SIGKILL at random moments and checks that every
# source file is, byte for byte, either its original or its fully processed
# content — never anything else.
#   tests/kill_test.sh TRAPWRIGHT GENERATE_PROJECT [RUNS] [FILES]
set -euo pipefail
cli=$1
generate=$2
runs=${3:-100}
files=${4:-300}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/original"
"$generate" "$work/original" "$files" 150 42

# The fully processed content, from one run that is not interrupted.
cp -r "$work/original" "$work/processed"
start=$(date +%s%N)
"$cli" add "$work/processed/Synthetic.vbp" >/dev/null 2>&1
duration_us=$((($(date +%s%N) - start) / 1000))
echo "a full run of $files files takes $((duration_us / 1000)) ms"
(cd "$work/original" && md5sum Object*) >"$work/original.md5"
(cd "$work/processed" && md5sum Object*) >"$work/processed.md5"

untouched=0 partial=0 complete=0 leftovers=0
for ((run = 1; run <= runs; run++)); do
  rm -rf "$work/run"
  cp -r "$work/original" "$work/run"
  delay_us=$(((RANDOM * 32768 + RANDOM) % (duration_us + duration_us / 5 + 1)))
  "$cli" add "$work/run/Synthetic.vbp" >/dev/null 2>&1 &
  pid=$!
  sleep "$(printf '%d.%06d' $((delay_us / 1000000)) $((delay_us % 1000000)))"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true

  # Each file's checksum must be that of its original or of its processed content.
  read -r processed original other < <(
    cd "$work/run" && md5sum Object* | awk -v originals="$work/original.md5" -v processed="$work/processed.md5" '
      BEGIN { while ((getline line < originals) > 0) { split(line, f, "  "); o[f[2]] = f[1] }
              while ((getline line < processed) > 0) { split(line, f, "  "); p[f[2]] = f[1] } }
      { if ($1 == p[$2]) np++; else if ($1 == o[$2]) no++; else { nx++; print $2 > "/dev/stderr" } }
      END { print np + 0, no + 0, nx + 0 }')
  if ((other > 0 || processed + original != files)); then
    echo "run $run (killed after ${delay_us} us): a file is neither its original nor its processed content" >&2
    exit 1
  fi
  # A temporary file of an interrupted write is hidden and never read back.
  leftovers=$((leftovers + $(find "$work/run" -name '.*.trapwright-*' | wc -l)))
  if ((processed == 0)); then
    untouched=$((untouched + 1))
  elif ((original == 0)); then
    complete=$((complete + 1))
  else
    partial=$((partial + 1))
  fi
done
echo "$runs runs: $untouched killed before the first write, $partial during the writes, $complete after the last;" \
  "every file whole; $leftovers hidden temporary files left by killed writes"
echo "$runs passed, 0 failed"
