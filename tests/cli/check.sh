# Sourced by the CLI's shell tests: a scratch folder ($dir) removed on exit,
# `check DESCRIPTION COMMAND...` which counts a failing command, and
# `finish NAME` which ends the test with the number of failures.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
check() {  # description, then a command that must succeed
  local what=$1
  shift
  if ! "$@"; then
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}
finish() {
  if [ "$failures" -eq 0 ]; then echo "$1: all passed"; fi
  exit "$failures"
}
