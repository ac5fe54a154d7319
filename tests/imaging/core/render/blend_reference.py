# Independent model of the per-channel blend operations 0..33, written from their formulas
# alone; the blend test compares BlendPixel with its output byte for byte.
#
# Usage: blend_reference.py OUTPUT
# For each operation 0..33, each source value s and each destination value d (0..255, s outer),
# the blended pixel is written as blue, green, red. The source pixel is (red s, green 255 - s,
# blue (s + 85) mod 256), the destination (red d, green 255 - d, blue (d + 170) mod 256), so
# every channel runs through all 65536 pairs and a channel taken from the wrong place shows.
import math
import sys


def clamp(v):
    return max(0, min(255, v))


COSINE = [round(64 - 64 * math.cos(i * math.pi / 255)) for i in range(256)]  # ties to even


def soft_light(s, d):
    a, b = s / 255.0, d / 255.0
    if a < 0.5:
        v = b * b * (1 - 2 * a) + 2 * b * a
    else:
        v = math.sqrt(b) * (2 * a - 1) + 2 * b * (1 - a)
    return math.trunc(v * 255)


def soft_light2(s, d):
    m = (s * d) >> 8
    c = 255 - (((255 - d) * (255 - s)) >> 8) - m
    return m + ((c * d) >> 8)


def color_dodge(s, d):
    return 255 if s == 255 else min((d * 256) // (255 - s), 255)


def color_burn(s, d):
    return 0 if s == 0 else max(255 - ((255 - d) * 256) // s, 0)


def reverse_dodge(s, d):
    return 255 if d == 255 else min((s * 256) // (255 - d), 255)


def reverse_burn(s, d):
    return 0 if d == 0 else max(255 - ((255 - s) * 256) // d, 0)


def soft_dodge(s, d):
    if s + d < 256:
        return 255 if s == 255 else min((d * 128) // (255 - s), 255)
    return max(255 - ((255 - s) * 128) // d, 0)


def soft_burn(s, d):
    if s + d < 256:
        return 255 if d == 255 else min((s * 128) // (255 - d), 255)
    return max(255 - ((255 - d) * 128) // s, 0)


def reflect(s, d):
    return 255 if s == 255 else min((d * d) // (255 - s), 255)


def glow(s, d):
    return 255 if d == 255 else min((s * s) // (255 - d), 255)


def freeze(s, d):
    return 0 if s == 0 else max(255 - ((255 - d) * (255 - d)) // s, 0)


def heat(s, d):
    return 0 if d == 0 else max(255 - ((255 - s) * (255 - s)) // d, 0)


CHANNEL = [
    lambda s, d: s,
    lambda s, d: clamp(d + s),
    lambda s, d: abs(d - s),
    lambda s, d: clamp(d // max(s, 1)),
    lambda s, d: (s * d) >> 8,
    lambda s, d: d | s,
    lambda s, d: d & s,
    lambda s, d: d ^ s,
    lambda s, d: max(d, s),
    lambda s, d: min(d, s),
    lambda s, d: (d + s) >> 1,
    lambda s, d: 255 - (((255 - d) * (255 - s)) >> 8),
    lambda s, d: 255 - abs(255 - s - d),
    lambda s, d: (d + s - ((s * d) >> 7)) % 256,
    lambda s, d: (s * d) >> 7 if d < 128 else 255 - (((255 - d) * (255 - s)) >> 7),
    lambda s, d: (s * d) >> 7 if s < 128 else 255 - (((255 - d) * (255 - s)) >> 7),
    soft_light,
    soft_light2,
    color_dodge,
    color_burn,
    reverse_dodge,
    reverse_burn,
    soft_dodge,
    soft_burn,
    reflect,
    glow,
    freeze,
    heat,
    lambda s, d: clamp(d + s - 256),
    lambda s, d: min(COSINE[s] + COSINE[d], 255),
    lambda s, d: clamp(d + 2 * s - 256),
]


def source_pixel(s):
    return (s, 255 - s, (s + 85) % 256)  # red, green, blue


def destination_pixel(d):
    return (d, 255 - d, (d + 170) % 256)


def blend(operation, src, dst):
    if operation < len(CHANNEL):
        f = CHANNEL[operation]
        return tuple(f(a, b) for a, b in zip(src, dst))
    channel = operation - 31  # 31 red, 32 green, 33 blue come from the source
    return tuple(src[i] if i == channel else dst[i] for i in range(3))


def main():
    out = bytearray()
    for operation in range(34):
        if operation < len(CHANNEL):
            # One table per operation, looked up per channel: far quicker than calling per pixel.
            f = CHANNEL[operation]
            table = [bytes(f(s, d) for d in range(256)) for s in range(256)]
            for s in range(256):
                rs, gs, bs = table[s], table[255 - s], table[(s + 85) % 256]
                for d in range(256):
                    out += bytes((bs[(d + 170) % 256], gs[255 - d], rs[d]))
        else:
            for s in range(256):
                for d in range(256):
                    r, g, b = blend(operation, source_pixel(s), destination_pixel(d))
                    out += bytes((b, g, r))
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
