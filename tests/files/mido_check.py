#!/usr/bin/env python3
"""The .mid files of corvale-cli against an independent reader and writer, mido.

    CORVALE_CLI=<corvale-cli> DEMO_BANK=<demo.s2a> mido_check.py

(a) Corvale writes: the demo bank as .syx and as .mid; mido reads the .mid: a format 0 file
    whose SysEx events are the .syx file's messages, in order, each no sooner than the wire
    time of the one before it at the DIN rate.
(b) mido writes: the .syx file's messages spread over two tracks of a format 1 file, with
    channel messages in running status and meta events between them; Corvale reads it back to
    the .syx file's bytes.
(c) .syx -> .mid -> .syx through Corvale gives the same bytes.

Fails, rather than skips, when mido is missing: scripts/setup installs python3-mido.
"""

import os
import subprocess
import sys
import tempfile

try:
    import mido
except ImportError:
    sys.exit("mido_check: python3-mido is missing; scripts/setup installs it")

WIRE_BYTES_PER_SECOND = 3125


def fail(what):
    sys.exit("mido_check: " + what)


def convert(source, target):
    subprocess.run([os.environ["CORVALE_CLI"], "convert", source, target], check=True)


def messages_of(data):
    """The F0 ... F7 messages of a byte string."""
    messages = []
    start = data.find(0xF0)
    while start != -1:
        end = data.find(0xF7, start)
        if end == -1:
            break
        messages.append(bytes(data[start:end + 1]))
        start = data.find(0xF0, end)
    return messages


def check_written(syx_path, mid_path):
    expected = messages_of(open(syx_path, "rb").read())
    midi = mido.MidiFile(mid_path)
    if midi.type != 0 or len(midi.tracks) != 1:
        fail(f"format {midi.type} with {len(midi.tracks)} tracks, not format 0 with one")
    tempo = 500000  # the default until a tempo event
    ticks = 0
    previous = None  # (ticks, bytes on the wire) of the previous SysEx event
    got = []
    for message in midi.tracks[0]:
        ticks += message.time
        if message.type == "set_tempo":
            if got:
                fail("the tempo changes after the first SysEx event")
            tempo = message.tempo
        if message.type != "sysex":
            continue
        wire = bytes([0xF0]) + bytes(message.data) + bytes([0xF7])
        if previous is not None:
            # ticks * tempo / ticks_per_beat microseconds >= bytes / 3125 seconds, in integers.
            gap = (ticks - previous[0]) * tempo * WIRE_BYTES_PER_SECOND
            needed = previous[1] * 1000000 * midi.ticks_per_beat
            if gap < needed:
                fail(f"SysEx event {len(got)} comes before the wire carried the one before it")
        previous = (ticks, len(wire))
        got.append(wire)
    if len(got) != len(expected):
        fail(f"{len(got)} SysEx events, {len(expected)} messages in the .syx file")
    for index, (a, b) in enumerate(zip(got, expected)):
        if a != b:
            fail(f"SysEx event {index} differs from the .syx file's message")
    return expected


def write_two_tracks(messages, path):
    """Even messages in track 0, odd in track 1, each pair at one time (ties in track order),
    with running-status notes and meta events between them."""
    midi = mido.MidiFile(type=1, ticks_per_beat=480)
    tracks = [mido.MidiTrack(), mido.MidiTrack()]
    midi.tracks.extend(tracks)
    tracks[0].append(mido.MetaMessage("set_tempo", tempo=400000, time=0))
    tracks[1].append(mido.MetaMessage("track_name", name="dumps", time=0))
    last = [0, 0]
    for index, message in enumerate(messages):
        track = index % 2
        at = 10 * (index // 2)
        tracks[track].append(mido.Message("sysex", data=message[1:-1], time=at - last[track]))
        tracks[track].append(mido.Message("note_on", note=60, velocity=64, time=0))
        tracks[track].append(mido.Message("note_on", note=60, velocity=0, time=1))
        tracks[track].append(mido.Message("note_on", note=64, velocity=0, time=0))
        tracks[track].append(mido.MetaMessage("text", text="between", time=0))
        last[track] = at + 1
    midi.save(path)


def main():
    with tempfile.TemporaryDirectory() as folder:
        # A settings file of the run's own, so that no user settings are read.
        os.environ["CORVALE_SETTINGS"] = os.path.join(folder, "settings.conf")
        syx = os.path.join(folder, "All.syx")
        mid = os.path.join(folder, "All.mid")
        convert(os.environ["DEMO_BANK"], syx)
        convert(os.environ["DEMO_BANK"], mid)
        messages = check_written(syx, mid)

        two = os.path.join(folder, "Two.mid")
        back = os.path.join(folder, "Two.syx")
        write_two_tracks(messages, two)
        if b"\x90\x3c\x00" in open(two, "rb").read():
            fail("mido did not write the notes in running status")
        convert(two, back)
        if open(back, "rb").read() != open(syx, "rb").read():
            fail("the format 1 file read back differs from the .syx file")

        again_mid = os.path.join(folder, "Again.mid")
        again_syx = os.path.join(folder, "Again.syx")
        convert(syx, again_mid)
        convert(again_mid, again_syx)
        if open(again_syx, "rb").read() != open(syx, "rb").read():
            fail(".syx -> .mid -> .syx changed the bytes")
        if open(again_mid, "rb").read() != open(mid, "rb").read():
            fail("the .mid of the .syx differs from the .mid of the bank file")
    print(f"mido_check: {len(messages)} messages checked")


main()
