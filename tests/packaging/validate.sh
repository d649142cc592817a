#!/usr/bin/env bash
# Checks the desktop files with the validators where they are installed.
#
#   validate.sh desktop FILE        # desktop-file-validate, no warnings either
#   validate.sh metainfo FILE       # appstreamcli validate --no-net
#   validate.sh man PAGE.gz...      # man shows each page, with no warnings
#
# Exit 77 means skipped (the validator is not installed).
set -euo pipefail
mode=$1
shift

need() { command -v "$1" >/dev/null || { echo "$1 is not installed"; exit 77; }; }

case $mode in
desktop)
  need desktop-file-validate
  out=$(desktop-file-validate "$@" 2>&1) || { echo "$out"; exit 1; }
  # It exits 0 on warnings and hints: those count too.
  [ -z "$out" ] || { echo "$out"; exit 1; }
  ;;
metainfo)
  need appstreamcli
  appstreamcli validate --no-net --pedantic "$@"
  ;;
man)
  need man
  warnings=$(mktemp)
  trap 'rm -f "$warnings"' EXIT
  for page in "$@"; do
    text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>"$warnings")
    [ ! -s "$warnings" ] || { cat "$warnings"; exit 1; }
    name=$(basename "$page" .1.gz)
    grep -q "^NAME" <<<"$text" && grep -q "^ *$name " <<<"$text" || { echo "$page: no NAME section for $name"; exit 1; }
    echo "$page: $(grep -c '' <<<"$text") lines"
  done
  ;;
*)
  echo "unknown mode $mode"
  exit 1
  ;;
esac
