#!/usr/bin/env bash
# Runs every golden case: run_cases.sh BINARY E2E_DIR WORK_DIR [NAME_PATTERN]
#
# A case is a folder under E2E_DIR/cases holding
#   args             the arguments, one per line (an empty file: no arguments)
#   setup            optional executable, run in the case's work folder first
#   expected/status  the exit status
#   expected/stdout, expected/stderr   the two streams (a missing file: empty)
#   expected/FILE    any other file: compared with FILE as the run left it
# and any input files. The case is copied to WORK_DIR/NAME, with E2E_DIR/data
# linked in as data/, and the binary runs there with no input on stdin. Its
# streams and status are kept in WORK_DIR/NAME.out for inspection.
set -u
binary=$(realpath "$1")
e2e=$(realpath "$2")
work=$3
pattern=${4:-*}
mkdir -p "$work"
work=$(realpath "$work")

pass=0
failed=()
for case_dir in "$e2e"/cases/$pattern/; do
  [ -d "$case_dir" ] || continue
  name=$(basename "$case_dir")
  run="$work/$name"
  out="$work/$name.out"
  rm -rf "$run" "$out"
  mkdir -p "$run" "$out"
  (cd "$case_dir" && find . -mindepth 1 -maxdepth 1 ! -name expected ! -name args ! -name setup \
      -exec cp -R {} "$run/" \;)
  ln -s "$e2e/data" "$run/data"
  args=()
  if [ -s "$case_dir/args" ]; then
    mapfile -t args < "$case_dir/args"
  fi
  if [ -x "$case_dir/setup" ]; then
    (cd "$run" && "$case_dir/setup") || { failed+=("$name (setup failed)"); continue; }
  fi
  (cd "$run" && timeout 300 "$binary" "${args[@]}" </dev/null >"$out/stdout" 2>"$out/stderr")
  echo $? >"$out/status"

  problems=""
  for stream in stdout stderr; do
    expected="$case_dir/expected/$stream"
    [ -f "$expected" ] || expected=/dev/null
    if ! cmp -s "$expected" "$out/$stream"; then
      problems+=$'\n'"--- $stream differs:"$'\n'"$(diff -a -u "$expected" "$out/$stream" | head -40)"
    fi
  done
  if ! cmp -s "$case_dir/expected/status" "$out/status"; then
    problems+=$'\n'"--- status: expected $(cat "$case_dir/expected/status" 2>/dev/null), got $(cat "$out/status")"
  fi
  for expected in "$case_dir"/expected/*; do
    file=$(basename "$expected")
    case "$file" in stdout|stderr|status) continue ;; esac
    if [ ! -f "$run/$file" ]; then
      problems+=$'\n'"--- $file was not written"
    elif ! cmp -s "$expected" "$run/$file"; then
      problems+=$'\n'"--- $file differs:"$'\n'"$(diff -a -u "$expected" "$run/$file" | head -40)"
    fi
  done

  if [ -z "$problems" ]; then
    pass=$((pass + 1))
  else
    failed+=("$name")
    echo "FAIL $name (args: ${args[*]-})$problems"
    echo
  fi
done

echo "e2e: $pass passed, ${#failed[@]} failed"
for name in "${failed[@]}"; do echo "  failed: $name"; done
[ ${#failed[@]} -eq 0 ]
