# Sourced by the check scripts: configure_and_build FOLDER [CMAKE OPTION...]
# builds the gadrin binary in FOLDER (below $root) and prints its path.
configure_and_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "${JOBS:-2}" --target gadrin >/dev/null
  echo "$root/$dir/gadrin"
}
