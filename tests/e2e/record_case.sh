#!/usr/bin/env bash
# Records a new golden case from the current binary, for review by hand:
#   record_case.sh BINARY NAME [ARG...]
# Writes tests/e2e/cases/NAME/args and expected/{stdout,stderr,status} (and
# the files that -o, --newick, --svg and --table name inside the case). Input files
# the case needs must be placed in the case folder (or taken from data/)
# before recording. Check every expected file against the documented
# behaviour before committing it.
set -eu
binary=$(realpath "$1")
name=$2
shift 2
e2e=$(cd "$(dirname "$0")" && pwd)
case_dir="$e2e/cases/$name"
mkdir -p "$case_dir/expected"
: >"$case_dir/args"
for arg in "$@"; do printf '%s\n' "$arg" >>"$case_dir/args"; done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$case_dir" && find . -mindepth 1 -maxdepth 1 ! -name expected ! -name args ! -name setup \
    -exec cp -R {} "$work/" \;)
ln -s "$e2e/data" "$work/data"
[ -x "$case_dir/setup" ] && (cd "$work" && "$case_dir/setup")
set +e
(cd "$work" && "$binary" "$@" </dev/null >"$case_dir/expected/stdout" 2>"$case_dir/expected/stderr")
echo $? >"$case_dir/expected/status"
set -e
for stream in stdout stderr; do
  [ -s "$case_dir/expected/$stream" ] || rm "$case_dir/expected/$stream"
done
for arg in "$@"; do
  case "$arg" in
    -o*) out=${arg#-o} ;;
    --newick=*|--svg=*|--table=*) out=${arg#*=} ;;
    *) continue ;;
  esac
  if [ -f "$work/$out" ] && [ ! -e "$case_dir/$out" ]; then cp "$work/$out" "$case_dir/expected/"; fi
done
echo "== $name: status $(cat "$case_dir/expected/status")"
for f in "$case_dir"/expected/*; do
  [ "$(basename "$f")" = status ] && continue
  echo "-- $(basename "$f"):"; cat -A "$f" | head -60
done
