#!/usr/bin/env python3
"""Writes the page-switch click sound resources/ui/sound/click.wav.

A short (35 ms) 16-bit mono click: a decaying 2.2 kHz tone with a touch of
deterministic noise at the attack. Standard library only; the output is the
same on every run.
"""
import math
import os
import random
import struct
import wave

RATE = 22050
LENGTH_S = 0.035


def samples():
    rng = random.Random(20)
    n = int(RATE * LENGTH_S)
    for i in range(n):
        t = i / RATE
        envelope = math.exp(-t * 160.0)
        tone = math.sin(2 * math.pi * 2200.0 * t) * 0.6 + math.sin(2 * math.pi * 1100.0 * t) * 0.3
        noise = (rng.random() * 2 - 1) * 0.5 * math.exp(-t * 900.0)
        value = (tone + noise) * envelope * 0.55
        yield max(-1.0, min(1.0, value))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = os.path.join(root, "resources", "ui", "sound", "click.wav")
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(s * 32767)) for s in samples()))
    print(out)


if __name__ == "__main__":
    main()
