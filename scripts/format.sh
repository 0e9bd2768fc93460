#!/usr/bin/env bash
# Formats the project's C++ sources with the root .clang-format.
#   scripts/format.sh           rewrites every listed file in place
#   scripts/format.sh --check   changes nothing; lists the files that would
#                               change and fails if there is any
#   scripts/format.sh --list    prints the files it would format
# Files are the tracked *.cpp and *.h minus the exclusions below; clang-format
# 14 is required because other versions lay the same options out differently.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

mode=format
case "${1:-}" in
    --check) mode=check ;;
    --list) mode=list ;;
    "") ;;
    *) echo "usage: $0 [--check | --list]" >&2; exit 2 ;;
esac

# Not ours to lay out, or laid out by hand for a reason. Patterns are
# extended regular expressions matched against the path from the root.
exclusions=(
    '^build[^/]*/'         # build trees, should one ever be tracked
    '/third_party/'        # code kept as it came
)

list_files() {
    local filter
    filter=$(IFS='|'; printf '%s' "${exclusions[*]}")
    git ls-files -- '*.cpp' '*.h' | grep -Ev "$filter" || true
}

if [[ $mode == list ]]; then
    list_files
    exit 0
fi

clang_format=${CLANG_FORMAT:-}
if [[ -z "$clang_format" ]]; then
    if command -v clang-format-14 >/dev/null; then
        clang_format=clang-format-14
    else
        clang_format=clang-format
    fi
fi
version=$("$clang_format" --version | sed -nE 's/.*version ([0-9]+)\..*/\1/p')
if [[ "$version" != 14 ]]; then
    echo "$0: needs clang-format 14, found '$("$clang_format" --version)' (set CLANG_FORMAT)" >&2
    exit 2
fi

mapfile -t files < <(list_files)
if [[ $mode == check ]]; then
    changed=()
    for file in "${files[@]}"; do
        if ! "$clang_format" --style=file --dry-run --Werror "$file" >/dev/null 2>&1; then
            changed+=("$file")
        fi
    done
    if ((${#changed[@]})); then
        printf 'not formatted: %s\n' "${changed[@]}" >&2
        echo "${#changed[@]} of ${#files[@]} files need scripts/format.sh" >&2
        exit 1
    fi
    echo "all ${#files[@]} files formatted"
else
    printf '%s\0' "${files[@]}" | xargs -0 -n 25 -P "${JOBS:-2}" "$clang_format" --style=file -i
    echo "formatted ${#files[@]} files"
fi
