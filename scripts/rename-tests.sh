#!/usr/bin/env bash
# Gives every GoogleTest source under tests/ one name scheme: <Subject>Test.cpp,
# CamelCase, singular "Test" (EnvelopeTest.cpp, VstProcessorTest.cpp).
#   test_lfo_noise.cpp     -> LfoNoiseTest.cpp
#   vst_processor_test.cpp -> VstProcessorTest.cpp
#   ControlTableTests.cpp  -> ControlTableTest.cpp
# Files are moved with `git mv`, and every tracked reference to the old file
# name (CMakeLists.txt, scripts, READMEs, docs, comments) is rewritten. Only
# sources that define a TEST, TEST_F or TEST_P are renamed; helpers such as
# JackRig.cpp keep their names. Target names and CTest test names stay as they
# are, because scripts and the README run tests by those names.
#
# Idempotent: a second run finds nothing to rename and changes nothing.
# Usage: scripts/rename-tests.sh [--dry-run]
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

dry_run=0
case "${1:-}" in
    --dry-run) dry_run=1 ;;
    "") ;;
    *) echo "usage: $0 [--dry-run]" >&2; exit 2 ;;
esac

# Words whose CamelCase form is not just a capital first letter.
camel_word() {
    case "$1" in
        sysex) printf 'SysEx' ;;
        adpcm) printf 'Adpcm' ;;
        *) printf '%s%s' "$(printf '%s' "${1:0:1}" | tr '[:lower:]' '[:upper:]')" "${1:1}" ;;
    esac
}

# snake_case words -> CamelCase ("lfo_noise" -> "LfoNoise").
camel() {
    local out="" word
    IFS=_ read -r -a words <<<"$1"
    for word in "${words[@]}"; do
        [[ -n "$word" ]] && out+=$(camel_word "$word")
    done
    printf '%s' "$out"
}

# Prints the scheme's name for a file name, or nothing if it already fits.
new_name() {
    local base=${1%.cpp}
    case "$base" in
        test_*) printf '%sTest.cpp' "$(camel "${base#test_}")" ;;
        *_test) printf '%sTest.cpp' "$(camel "${base%_test}")" ;;
        *_tests) printf '%sTest.cpp' "$(camel "${base%_tests}")" ;;
        *Tests) printf '%sTest.cpp' "${base%Tests}" ;;
    esac
}

renamed=0
while IFS= read -r path; do
    dir=$(dirname "$path")
    old=$(basename "$path")
    new=$(new_name "$old")
    [[ -z "$new" || "$new" == "$old" ]] && continue
    grep -qE '^\s*TEST(_F|_P)?\(' "$path" || continue
    if [[ -e "$dir/$new" ]]; then
        echo "skipped $path: $dir/$new already exists" >&2
        continue
    fi
    echo "$path -> $dir/$new"
    renamed=$((renamed + 1))
    ((dry_run)) && continue
    git mv "$path" "$dir/$new"
    # Every tracked mention of the file name with its extension (so a target
    # such as "tolvane_vst_tsan_tests" keeps its name), except this script's
    # own examples.
    pattern="(^|[^A-Za-z0-9_])${old//./\\.}([^A-Za-z0-9_]|$)"
    { git grep -lE "$pattern" -- . ':!*.png' ':!*.wav' ':!*.mid' ':!scripts/rename-tests.sh' || true; } |
    while IFS= read -r ref; do
        # Looped rather than /g: two mentions one character apart share it.
        sed -E -i -e ':again' \
            -e "s#(^|[^A-Za-z0-9_])${old//./\\.}([^A-Za-z0-9_]|\$)#\\1${new}\\2#" -e 't again' "$ref"
        echo "  updated $ref"
    done
done < <(git ls-files 'tests/*.cpp')

echo "$renamed file(s) $( ((dry_run)) && echo 'would be renamed' || echo 'renamed')"
