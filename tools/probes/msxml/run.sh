#!/bin/sh
# Runs the probes against Wine's msxml3 in a private Wine prefix, from a
# scratch folder that holds the generated documents.
set -e
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX="${WINEPREFIX:-/tmp/qmon-msxml-probe}" WINEDEBUG=-all
python3 "$here/make_cases.py" "$work/cases"
cp "$here/load_cases.js" "$here/dom_rules.js" "$work/"
cd "$work"
wine cscript //nologo load_cases.js
wine cscript //nologo dom_rules.js
