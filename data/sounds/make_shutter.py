#!/usr/bin/env python3
"""Synthesises Shutter.wav, the capture sound: two mechanical clicks (the shutter opening and
closing) made of band-passed noise bursts and damped resonances, 44.1 kHz 16-bit mono, ~0.25 s.

Deterministic (fixed seed): running it again reproduces the committed file byte for byte.
Usage: make_shutter.py [OUTPUT]   (default: Shutter.wav beside this script)
"""

import math
import os
import random
import struct
import sys
import wave

RATE = 44100
DURATION_S = 0.25
PEAK = 10 ** (-1.0 / 20)  # -1 dBFS


def bandpass(samples, centre_hz, q):
    """RBJ cookbook band-pass biquad (constant 0 dB peak gain)."""
    w0 = 2 * math.pi * centre_hz / RATE
    alpha = math.sin(w0) / (2 * q)
    a0 = 1 + alpha
    b0, b1, b2 = alpha / a0, 0.0, -alpha / a0
    a1, a2 = -2 * math.cos(w0) / a0, (1 - alpha) / a0
    out = []
    x1 = x2 = y1 = y2 = 0.0
    for x in samples:
        y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2
        out.append(y)
        x2, x1, y2, y1 = x1, x, y1, y
    return out


def envelope(n, attack_s, decay_s):
    """Linear attack, then exponential decay with time constant decay_s."""
    attack = max(1, int(attack_s * RATE))
    env = []
    for i in range(n):
        if i < attack:
            env.append(i / attack)
        else:
            env.append(math.exp(-(i - attack) / (decay_s * RATE)))
    return env


def click(rng, length_s, noise_bands, resonances, attack_s, decay_s):
    """One click: noise through several band-passes plus damped sines, under one envelope."""
    n = int(length_s * RATE)
    noise = [rng.uniform(-1.0, 1.0) for _ in range(n)]
    mix = [0.0] * n
    for centre, q, gain in noise_bands:
        for i, v in enumerate(bandpass(noise, centre, q)):
            mix[i] += gain * v
    for freq, gain, damping_s in resonances:
        phase = rng.uniform(0, 2 * math.pi)
        for i in range(n):
            t = i / RATE
            mix[i] += gain * math.exp(-t / damping_s) * math.sin(2 * math.pi * freq * t + phase)
    env = envelope(n, attack_s, decay_s)
    return [m * e for m, e in zip(mix, env)]


def add(track, sound, at_s):
    start = int(at_s * RATE)
    for i, v in enumerate(sound):
        if start + i < len(track):
            track[start + i] += v


def render():
    rng = random.Random(20250314)
    total = int(DURATION_S * RATE)
    track = [0.0] * total

    # Opening: a bright snap with a body thump.
    add(track, click(rng, 0.09,
                     noise_bands=[(4200, 1.2, 1.0), (2100, 1.5, 0.6), (7800, 2.0, 0.35)],
                     resonances=[(180, 0.55, 0.018), (1250, 0.18, 0.010)],
                     attack_s=0.0008, decay_s=0.014), 0.004)
    # Closing: slightly lower, a little longer, and quieter.
    add(track, click(rng, 0.12,
                     noise_bands=[(3300, 1.2, 0.9), (1600, 1.4, 0.6), (6400, 2.0, 0.25)],
                     resonances=[(150, 0.5, 0.024), (980, 0.15, 0.012)],
                     attack_s=0.0012, decay_s=0.020), 0.092)
    # Spring rattle after the close.
    add(track, click(rng, 0.08,
                     noise_bands=[(2600, 3.0, 0.25)],
                     resonances=[],
                     attack_s=0.004, decay_s=0.018), 0.118)

    # Normalise, then fade the last 5 ms so the file ends on silence.
    peak = max(abs(v) for v in track) or 1.0
    track = [v * PEAK / peak for v in track]
    fade = int(0.005 * RATE)
    for i in range(fade):
        track[total - fade + i] *= 1.0 - (i + 1) / fade
    return track


def write_wav(path, track):
    frames = b"".join(struct.pack("<h", max(-32768, min(32767, round(v * 32767)))) for v in track)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                            "Shutter.wav")
    tmp = out + ".tmp"
    write_wav(tmp, render())
    os.replace(tmp, out)


if __name__ == "__main__":
    main()
