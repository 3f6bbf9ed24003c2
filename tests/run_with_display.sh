#!/bin/sh
# Runs a test isolated (see run_isolated.sh) on a virtual X display of its own.
here=$(dirname "$0")
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$here/run_isolated.sh" "$@"
