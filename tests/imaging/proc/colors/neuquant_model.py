#!/usr/bin/python3
"""An independent model of the network quantiser, for the tests: reads a binary PPM (P6),
trains N neurons with the given quality and prints the palette (one "blue green red" line per
entry, in palette order) followed by the palette index of every pixel in scan order.

Usage: neuquant_model.py image.ppm N quality
"""
import sys


def read_ppm(path):
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while data[pos:pos + 1] not in (b"\n", b""):
                pos += 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    assert fields[0] == b"P6" and int(fields[3]) == 255
    width, height = int(fields[1]), int(fields[2])
    raw = data[pos + 1:pos + 1 + width * height * 3]
    # Pixels as (channel 0, 1, 2) = (blue, green, red), the bitmap's memory order.
    return width, height, [(raw[i + 2], raw[i + 1], raw[i]) for i in range(0, len(raw), 3)]


def trunc_div(a, b):
    """Integer division toward zero."""
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def bankers_round(x):
    return round(x)  # Python rounds halves to even


def sampling_factor(quality, pixels):
    if quality == -1:
        if pixels < 2000:
            return 1
        return min(max(bankers_round(13 * (pixels - 2000) / 148000 + 2), 1), 30)
    return int((100 - quality) / 100 * 29) + 1


def to_int32(v):
    v &= 0xFFFFFFFF
    return v - (1 << 32) if v >= 1 << 31 else v


def learn_palette(width, height, pixels, n, quality):
    s = sampling_factor(quality, width * height)
    net = [[(i * 4096) // n] * 3 for i in range(n)]
    freq = [65536 // n] * n
    bias = [0] * n
    radius = (n // 8) * 64
    alpha_dec = 30 + (s - 1) // 3
    byte_count = width * height * 3
    samples = byte_count // (3 * s)
    delta = max(samples // 100, 1)
    alpha = 1024

    def radius_powers(rad, alpha):
        return [((rad * rad - i * i) * 256 // (rad * rad)) * alpha for i in range(rad)]

    rad = radius // 64 if radius >= 128 else 0
    powers = radius_powers(rad, alpha)
    step = next((p for p in (499, 491, 487) if byte_count % p != 0), 503)
    k = 0
    for sample in range(1, samples + 1):
        pixel = [c << 4 for c in pixels[k]]
        best_d = best_bd = 1 << 62
        winner = moved = -1
        for i in range(n):
            d = sum(abs(net[i][c] - pixel[c]) for c in range(3))
            bd = d - ((bias[i] & 0xFFFFFFFF) >> 12)
            if d < best_d:
                best_d, winner = d, i
            if bd < best_bd:
                best_bd, moved = bd, i
            decay = freq[i] >> 10
            freq[i] -= decay
            bias[i] = to_int32(bias[i] + (decay << 10))
        freq[winner] += 64
        bias[winner] = to_int32(bias[winner] - 65536)
        for c in range(3):
            net[moved][c] -= trunc_div((net[moved][c] - pixel[c]) * alpha, 1024)
        if rad > 0:
            for m in range(1, rad):
                for j in (moved + m, moved - m):
                    if max(-1, moved - rad) < j < min(n, moved + rad):
                        for c in range(3):
                            net[j][c] -= trunc_div((net[j][c] - pixel[c]) * powers[m], 262144)
        k += step
        while k >= width * height:
            k -= width * height
        if sample % delta == 0:
            alpha -= alpha // alpha_dec
            radius -= radius // 30
            rad = radius // 64 if radius >= 128 else 0
            powers = radius_powers(rad, alpha)
    return [[min(255, (v + 8) >> 4) for v in neuron] for neuron in net]




def build_sorted(palette):
    net = [[p[0], p[1], p[2], i] for i, p in enumerate(palette)]
    n = len(net)
    for i in range(n):
        smallest = i
        for j in range(i + 1, n):
            if net[j][1] < net[smallest][1]:
                smallest = j
        net[i], net[smallest] = net[smallest], net[i]
    index = [0] * 256
    previous, start = 0, 0
    for i in range(n):
        v = net[i][1]
        if v != previous:
            index[previous] = (start + i) // 2
            for g in range(previous + 1, v):
                index[g] = i
            previous, start = v, i
    index[previous] = (start + n - 1) // 2
    for g in range(previous + 1, 256):
        index[g] = n - 1
    return net, index


def search(net, index, color):
    b, g, r = color
    best, result = 1000, -1
    up, down = index[g], index[g] - 1
    while up < len(net) or down >= 0:
        if up < len(net):
            if abs(net[up][1] - g) >= best:
                up = len(net)
            else:
                d = abs(net[up][1] - g) + abs(net[up][0] - b) + abs(net[up][2] - r)
                if d < best:
                    best, result = d, net[up][3]
                up += 1
        if down >= 0:
            if abs(g - net[down][1]) >= best:
                down = -1
            else:
                d = abs(net[down][1] - g) + abs(net[down][0] - b) + abs(net[down][2] - r)
                if d < best:
                    best, result = d, net[down][3]
                down -= 1
    return result


def main():
    path, n, quality = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    width, height, pixels = read_ppm(path)
    palette = learn_palette(width, height, pixels, n, quality)
    for neuron in palette:
        print(*neuron)
    net, index = build_sorted(palette)
    print(*(search(net, index, p) for p in pixels))


if __name__ == "__main__":
    main()
