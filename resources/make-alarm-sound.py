#!/usr/bin/env python3
"""Synthesises Kelvane's alarm sound, harptune.wav: a short rising arpeggio of plucked notes.

Standard library only, and deterministic, so the committed file can always be made again:
    python3 resources/make-alarm-sound.py resources/harptune.wav
"""
import math
import struct
import sys
import wave

RATE = 22050
# A major arpeggio, rising then settling on the octave: (frequency in Hz, start in seconds).
NOTES = [(440.00, 0.00), (554.37, 0.14), (659.25, 0.28), (880.00, 0.42), (659.25, 0.62),
         (880.00, 0.76)]
LENGTH = 1.6  # seconds
# A plucked string: a fundamental with quieter overtones that die away faster.
HARMONICS = [(1, 1.0, 3.0), (2, 0.45, 5.0), (3, 0.25, 7.5), (4, 0.12, 10.0)]


def pluck(t, frequency):
    if t < 0:
        return 0.0
    attack = min(1.0, t / 0.004)  # a few milliseconds, so the note starts without a click
    return attack * sum(level * math.exp(-decay * t) * math.sin(2 * math.pi * n * frequency * t)
                        for n, level, decay in HARMONICS)


def samples():
    count = int(LENGTH * RATE)
    for i in range(count):
        t = i / RATE
        value = sum(pluck(t - start, frequency) for frequency, start in NOTES)
        fade = min(1.0, (count - i) / (0.05 * RATE))  # the tail ends in silence
        yield max(-1.0, min(1.0, 0.22 * value * fade))


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else "harptune.wav"
    with wave.open(target, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", int(v * 32767)) for v in samples()))


if __name__ == "__main__":
    main()
