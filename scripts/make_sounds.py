#!/usr/bin/env python3
"""Writes the plug-in's own short wave files into data/Sounds and data/Sounds/Loop.

Mono 8-bit PCM at 11025 Hz keeps each file a few kilobytes. Run from anywhere:
    python3 scripts/make_sounds.py
"""
import math
import os
import struct

RATE = 11025
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "Sounds")


def tone(parts, fade_ms=8):
    """parts: list of (frequency Hz or 0 for silence, duration ms)."""
    samples = []
    for freq, ms in parts:
        n = int(RATE * ms / 1000)
        fade = max(1, int(RATE * fade_ms / 1000))
        for i in range(n):
            env = min(1.0, i / fade, (n - 1 - i) / fade) if freq else 0.0
            value = math.sin(2 * math.pi * freq * i / RATE) * env * 0.6 if freq else 0.0
            samples.append(int(round(128 + 127 * value)))
    return bytes(samples)


def decaying(freq, ms):
    n = int(RATE * ms / 1000)
    out = []
    for i in range(n):
        env = math.exp(-5.0 * i / n) * min(1.0, i / 40)
        out.append(int(round(128 + 127 * 0.6 * env * math.sin(2 * math.pi * freq * i / RATE))))
    return bytes(out)


def write_wave(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE, 1, 8)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    if len(data) % 2:
        body += b"\x80"
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


SOUNDS = {
    "Beep.wav": tone([(660, 150)]),
    "Chime.wav": tone([(880, 120), (1175, 180)]),
    "Ding.wav": decaying(1320, 350),
    "Loop/Alarm.wav": tone([(880, 220), (660, 220)]),
    "Loop/Pulse.wav": tone([(440, 200), (0, 200)]),
    "Loop/Siren.wav": tone([(520, 120), (620, 120), (720, 120), (620, 120)]),
}

if __name__ == "__main__":
    for name, data in SOUNDS.items():
        write_wave(os.path.join(ROOT, name), data)
        print(os.path.normpath(os.path.join(ROOT, name)))
