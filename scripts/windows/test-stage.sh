#!/usr/bin/env bash
# The Windows stage of the test command: builds the Windows version, runs its
# tests under Wine in a fresh Wine prefix (the build folder's own, no extra DLL
# search path), compares its renders with the Linux renderer's, checks its
# editor and the CLAP plug-in (renders against Linux, its window), then writes
# the release packages in a fresh clone of the repository
# (scripts/package-fresh-clone.sh: build-package/TolvaneSynthWT, nothing built
# beforehand) and checks them unpacked and the installer in a fresh Wine prefix.
#   scripts/windows/test-stage.sh <linux build> <windows build>
# The Linux build must be built (the renders are compared with its renderer).
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
linux=$(realpath "${1:?usage: test-stage.sh <linux build> <windows build>}")
windows=$(realpath -m "${2:?usage: test-stage.sh <linux build> <windows build>}")
export WINEPREFIX="$windows/wine-prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
unset WINEPATH
step_start=$(date +%s)
step_times=""
step_done() {
    local now
    now=$(date +%s)
    step_times+="    $1: $((now - step_start)) s"$'\n'
    step_start=$now
}
stop_wine() { wineserver -k 2>/dev/null || true; }
trap stop_wine EXIT

rm -rf "$WINEPREFIX"
bash "$root/scripts/build-windows.sh" "$windows"
step_done "cross build (libsndfile and codecs, SDK, VSTGUI, plug-in, renderer, tests)"

# The fresh prefix is made once, before tests start Wine side by side. One
# server stays up for the whole run: left to itself Wine stops its server a
# few seconds after the last program ends and starts another with the next, and
# a test starting in that hand-over can fail before it runs ("wine client
# error: recvmsg: Connection reset by peer").
wineboot -i >/dev/null 2>&1
wineserver -w
wineserver -p
# Wine's own services start with the first program a server sees and live as
# long as the server: started here, away from the test runner's output pipes,
# which would otherwise stay open and keep the runner waiting.
wine cmd /c exit </dev/null >/dev/null 2>&1
suite_log="$windows/wine-suites.log"
if ! ctest --test-dir "$windows" --output-on-failure -j "$(nproc)" 2>&1 | tee "$suite_log"; then
    # A suite Wine could not start never ran: run those again, once. A suite
    # that ran and failed fails again here.
    grep -q "wine client error" "$suite_log" || exit 1
    echo "== Wine failed to start a suite; running the failed suites again =="
    ctest --test-dir "$windows" --output-on-failure --rerun-failed
fi
stop_wine
wineserver -w
step_done "validator and test suites under Wine"

bash "$root/scripts/windows/render-compare.sh" "$linux" "$windows"
step_done "renders against the Linux renderer"

bash "$root/scripts/windows/editor-check.sh" "$windows" "$windows/editor-check"
step_done "editor under Wine"

bash "$root/scripts/windows/clap-check.sh" "$linux" "$windows"
step_done "CLAP plug-in under Wine (renders against Linux, window)"

sdk=$(sed -n 's/^TOLVANE_VST3_SDK_ROOT:INTERNAL=//p' "$linux/CMakeCache.txt")
bash "$root/scripts/package-fresh-clone.sh" "$root/build-package" "$sdk"
step_done "release packages from a fresh clone"

packages="$root/build-package/TolvaneSynthWT/dist"
bash "$root/scripts/package-check.sh" "$linux" "$windows" "$packages"
bash "$root/scripts/windows/installer-check.sh" "$linux" "$windows" "$packages"
step_done "packages unpacked and the installer under Wine"

echo "== Windows stage times =="
printf '%s' "$step_times"
