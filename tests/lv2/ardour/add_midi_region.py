#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# add_midi_region.py SESSION-FOLDER NAME SONG.mid BEATS: puts a MIDI file at
# the start of the session's MIDI track, as an import would (Ardour's
# headless Lua has no import): the file becomes a source in the session's
# midifiles folder and a region of BEATS beats goes into the track's playlist.
import os
import shutil
import sys
import xml.etree.ElementTree as ET

folder, name, song, beats = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
path = os.path.join(folder, name + ".ardour")
shutil.copy(song, os.path.join(folder, "interchange", name, "midifiles", "song.mid"))
tree = ET.parse(path)
root = tree.getroot()
route = next(r for r in root.iter("Route") if r.get("default-type") == "midi")
playlist = next(p for p in root.iter("Playlist") if p.get("id") == route.get("midi-playlist"))
ticks = beats * 1920  # Ardour's beat time: 1920 ticks a beat; a length is "distance@position"
ET.SubElement(root.find("Sources"), "Source",
              {"name": "song.mid", "type": "midi", "flags": "", "id": "900001", "origin": ""})
region = {"muted": "0", "opaque": "1", "locked": "0", "video-locked": "0", "automatic": "0", "import": "1",
          "external": "0", "sync-marked": "0", "left-of-split": "0", "right-of-split": "0", "hidden": "0",
          "position-locked": "0", "valid-transients": "0", "start": "b0", "length": "b%d@b0" % ticks,
          "position": "b0", "sync-position": "b0", "ancestral-start": "b0", "ancestral-length": "b0@b0",
          "stretch": "1", "shift": "1", "layering-index": "0", "tags": "", "type": "midi",
          "source-0": "900001", "master-source-0": "900001"}
ET.SubElement(root.find("Regions"), "Region", dict(region, name="song", id="900002", **{"whole-file": "1"}))
ET.SubElement(playlist, "Region", dict(region, name="song.1", id="900003", **{"whole-file": "0"}))
tree.write(path, xml_declaration=True, encoding="UTF-8")
