#!/bin/sh
# Runs a test with HOME and the XDG folders pointed at a fresh temporary folder, removed afterwards.
dir=$(mktemp -d "${TMPDIR:-/tmp}/varlune-test.XXXXXX") || exit 1
mkdir -p "$dir/config" "$dir/data"
HOME="$dir" XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" "$@"
status=$?
rm -rf "$dir"
exit $status
