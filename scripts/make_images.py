#!/usr/bin/env python3
"""Draws Ripwell's own pictures and writes them into src/res/:

  icons/ripwell-N.png  the program icon (resource 128) at N x N pixels, N = 16 ... 256; the same
                       files are the icon installed in the desktop's hicolor theme
  icons/175.png        the icon of the "CD-ROM device status" dialog, 32 x 32
  avi/162.avi          the About box animation: two frames of 32 x 32, ten frames a second
  avi/136.avi          the clip of the "Working..." dialog: twelve frames of 272 x 60, twelve a second

The animations are uncompressed AVI files with 8-bit palette frames, the kind an animation
control plays. Their top-left pixel has the background colour, which a transparent control leaves
out. The files are committed; run this again only to change them (python3, no other packages).
"""
import math
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "res")
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
BACKGROUND = (236, 236, 236)  # the key colour of the animations


class Canvas:
    """RGBA pixels, painted with shapes whose edges are smoothed by sampling each pixel on a grid."""

    def __init__(self, width, height, background=(0, 0, 0, 0), samples=4):
        self.width, self.height, self.samples = width, height, samples
        self.pixels = [list(background) for _ in range(width * height)]
        offsets = [(i + 0.5) / samples for i in range(samples)]
        self.grid = [(dx, dy) for dy in offsets for dx in offsets]

    def fill(self, inside, colour, box=None):
        """Paints colour (RGBA or a function of x, y giving RGBA) where inside(x, y) holds."""
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1)))
        for py in range(y0, y1):
            for px in range(x0, x1):
                hits = sum(1 for dx, dy in self.grid if inside(px + dx, py + dy))
                if not hits:
                    continue
                c = colour(px + 0.5, py + 0.5) if callable(colour) else colour
                self.blend(px, py, c, hits / len(self.grid))

    def blend(self, px, py, c, coverage):
        alpha = c[3] / 255.0 * coverage
        dst = self.pixels[py * self.width + px]
        out_a = alpha + dst[3] / 255.0 * (1 - alpha)
        for i in range(3):
            mixed = c[i] * alpha + dst[i] * (dst[3] / 255.0) * (1 - alpha)
            dst[i] = mixed / out_a if out_a > 0 else 0
        dst[3] = out_a * 255.0

    def rgba(self):
        return [tuple(int(round(max(0, min(255, v)))) for v in p) for p in self.pixels]


# Shapes: functions of a point.
def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, inner, outer):
    return lambda x, y: inner * inner <= (x - cx) ** 2 + (y - cy) ** 2 <= outer * outer


def wedge(cx, cy, r, start, span):
    """A slice of a circle from angle start (degrees, counter-clockwise from 3 o'clock) over span."""
    def inside(x, y):
        if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
            return False
        angle = math.degrees(math.atan2(cy - y, x - cx)) % 360
        return (angle - start) % 360 <= span
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def sine_stroke(x0, x1, base, amplitude, period, width):
    """A wave y = base - amplitude * sin(2 pi (x - x0) / period) from x0 to x1, width thick."""
    def inside(x, y):
        if x < x0 or x > x1:
            return False
        k = 2 * math.pi / period
        f = base - amplitude * math.sin(k * (x - x0))
        slope = -amplitude * k * math.cos(k * (x - x0))
        return abs(y - f) / math.sqrt(1 + slope * slope) <= width / 2
    return inside


def radial(cx, cy, r, stops):
    """A colour function: stops are (position 0..1, RGBA) from the centre outwards."""
    def colour(x, y):
        t = min(1.0, math.hypot(x - cx, y - cy) / r)
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if t <= p1:
                u = (t - p0) / (p1 - p0) if p1 > p0 else 0
                return tuple(a + (b - a) * u for a, b in zip(c0, c1))
        return stops[-1][1]
    return colour


def draw_disc(canvas, cx, cy, r, shine_angle=None):
    """A compact disc: silver face, a darker rim, the clear hub and the hole."""
    box = (cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1)
    canvas.fill(circle(cx, cy, r), radial(cx, cy, r, [(0, (240, 240, 255, 255)), (0.6, (170, 190, 230, 255)),
                                                     (1, (120, 120, 170, 255))]), box)
    if shine_angle is not None:
        canvas.fill(wedge(cx, cy, r * 0.95, shine_angle, 40), (252, 252, 255, 230), box)
        canvas.fill(wedge(cx, cy, r * 0.95, shine_angle + 180, 25), (150, 170, 210, 230), box)
    edge = max(1.0, r / 16)
    canvas.fill(ring(cx, cy, r - edge, r), (60, 60, 90, 255), box)
    canvas.fill(circle(cx, cy, r * 0.3), (225, 228, 236, 255), box)
    canvas.fill(ring(cx, cy, r * 0.3 - edge, r * 0.3), (110, 110, 140, 255), box)
    canvas.fill(circle(cx, cy, r * 0.12), (255, 255, 255, 255), box)


def program_icon(size):
    """Resource 128: a disc with the red wave of the sound read off it."""
    canvas = Canvas(size, size, samples=4 if size <= 64 else 3)
    s = size / 32.0
    draw_disc(canvas, 16 * s, 16 * s, 15 * s)
    canvas.fill(sine_stroke(2 * s, 30 * s, 22.5 * s, 4 * s, 14 * s, max(1.2, 2.2 * s)), (200, 30, 30, 255))
    return canvas


def device_status_icon():
    """Resource 175: a CD-ROM drive with its disc half out, and an information sign."""
    canvas = Canvas(32, 32)
    canvas.fill(rect(1, 15, 27, 28), (90, 90, 100, 255))
    canvas.fill(rect(2, 16, 26, 27), lambda x, y: (220 - (y - 16) * 4, 220 - (y - 16) * 4, 228 - (y - 16) * 4, 255))
    canvas.fill(rect(4, 19, 24, 21), (60, 60, 70, 255))          # the tray slot
    canvas.fill(rect(20, 24, 23, 25.5), (40, 190, 60, 255))       # the busy light
    draw_disc(canvas, 14, 11, 9, shine_angle=120)
    canvas.fill(rect(1, 19.6, 27, 20.4), (60, 60, 70, 255))       # the slot's front edge over the disc
    canvas.fill(circle(25, 7, 6.5), (20, 70, 170, 255))
    canvas.fill(ring(25, 7, 5.6, 6.5), (255, 255, 255, 200))
    canvas.fill(circle(25, 4, 1.1), (255, 255, 255, 255))
    canvas.fill(rect(24, 6, 26, 11), (255, 255, 255, 255))
    return canvas


def about_frame(frame):
    """AVI 162: a turning disc with a note that hops from one side to the other."""
    canvas = Canvas(32, 32, background=BACKGROUND + (255,))
    draw_disc(canvas, 14, 17, 12, shine_angle=110 if frame == 0 else 290)
    nx, ny = (22, 9) if frame == 0 else (27, 5)
    colour = (200, 30, 30, 255)
    canvas.fill(circle(nx, ny + 6, 2.3), colour)
    canvas.fill(rect(nx + 1.4, ny - 1, nx + 2.4, ny + 6), colour)
    canvas.fill(polygon([(nx + 1.4, ny - 1), (nx + 5, ny + 1), (nx + 5, ny + 2.6), (nx + 1.4, ny + 0.8)]), colour)
    return canvas


def progress_frame(frame, frames=12):
    """AVI 136: a spinning disc, data flying from it to a sheet of paper that fills line by line."""
    width, height = 272, 60
    canvas = Canvas(width, height, background=BACKGROUND + (255,), samples=3)
    middle = height / 2
    draw_disc(canvas, 34, middle, 24, shine_angle=-frame * 360 / frames)
    sheet_left, sheet_top, sheet_right, sheet_bottom = width - 62, middle - 26, width - 22, middle + 26
    start, end = 34 + 30, sheet_left - 12
    for dot in range(3):
        phase = ((frame + dot * frames // 3) % frames) / frames
        x = start + phase * (end - start)
        y = middle - 3 + (dot - 1) * 7
        canvas.fill(rect(x, y, x + 8, y + 5), (40, 80, 160, 255), (x - 1, y - 1, x + 9, y + 6))
    outline = [(sheet_left, sheet_top), (sheet_right - 8, sheet_top), (sheet_right, sheet_top + 8),
               (sheet_right, sheet_bottom), (sheet_left, sheet_bottom)]
    box = (sheet_left - 2, sheet_top - 2, sheet_right + 2, sheet_bottom + 2)
    canvas.fill(polygon([(x - 1, y - 1) for x, y in outline[:1]] + [(sheet_right - 8.4, sheet_top - 1),
                                                                     (sheet_right + 1, sheet_top + 7.6),
                                                                     (sheet_right + 1, sheet_bottom + 1),
                                                                     (sheet_left - 1, sheet_bottom + 1)]),
                (90, 90, 90, 255), box)
    canvas.fill(polygon(outline), (255, 255, 255, 255), box)
    for line in range(frame % 6 + 1):
        y = sheet_top + 10 + line * 6
        canvas.fill(rect(sheet_left + 5, y - 1, sheet_right - 6, y + 1), (40, 80, 160, 255), box)
    return canvas


def write_png(path, canvas):
    rows = b"".join(b"\x00" + bytes(v for p in canvas.rgba()[y * canvas.width:(y + 1) * canvas.width] for v in p)
                    for y in range(canvas.height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) +
                  chunk(b"IEND", b""))


def palette_frames(canvases):
    """One palette of at most 256 colours for all frames, coarsened until the colours fit."""
    frames = [[p[:3] for p in c.rgba()] for c in canvases]
    step = 1
    while True:
        def key(p):
            return tuple(min(255, (v + step // 2) // step * step) for v in p)
        colours = sorted({key(p) for f in frames for p in f} | {BACKGROUND})
        if len(colours) <= 256:
            break
        step *= 2
    # The background first: it is the top-left pixel of every frame.
    colours.remove(key(BACKGROUND))
    colours.insert(0, key(BACKGROUND))
    index = {c: i for i, c in enumerate(colours)}
    return colours, [[index[key(p)] for p in f] for f in frames]


def write_avi(path, canvases, frames_per_second):
    width, height = canvases[0].width, canvases[0].height
    colours, frames = palette_frames(canvases)
    stride = (width + 3) & ~3
    frame_size = stride * height

    def chunk(fourcc, data):
        return fourcc + struct.pack("<I", len(data)) + data + (b"\x00" if len(data) % 2 else b"")

    def listing(kind, data):
        return chunk(b"LIST", kind + data)

    def dib(pixels):
        # Bottom-up rows, each padded to four bytes.
        rows = [bytes(pixels[y * width:(y + 1) * width]) + b"\x00" * (stride - width) for y in range(height)]
        return b"".join(reversed(rows))

    micro = round(1000000 / frames_per_second)
    avih = struct.pack("<14I", micro, frame_size * frames_per_second, 0, 0x10, len(frames), 0, 1, frame_size,
                       width, height, 0, 0, 0, 0)
    strh = (b"vids" + b"DIB " + struct.pack("<IHHIIIIIIII", 0, 0, 0, 0, 1, frames_per_second, 0, len(frames),
                                             frame_size, 0xFFFFFFFF, 0) + struct.pack("<4h", 0, 0, width, height))
    strf = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, frame_size, 0, 0, len(colours), 0)
    strf += b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    header = listing(b"hdrl", chunk(b"avih", avih) + listing(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    movi_chunks = [chunk(b"00db", dib(f)) for f in frames]
    movi = listing(b"movi", b"".join(movi_chunks))
    index = b""
    offset = 4
    for c in movi_chunks:
        index += b"00db" + struct.pack("<III", 0x10, offset, frame_size)
        offset += len(c)
    body = b"AVI " + header + movi + chunk(b"idx1", index)
    with open(path, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def main():
    os.makedirs(os.path.join(ROOT, "icons"), exist_ok=True)
    os.makedirs(os.path.join(ROOT, "avi"), exist_ok=True)
    for size in ICON_SIZES:
        write_png(os.path.join(ROOT, "icons", "ripwell-%d.png" % size), program_icon(size))
    write_png(os.path.join(ROOT, "icons", "175.png"), device_status_icon())
    write_avi(os.path.join(ROOT, "avi", "162.avi"), [about_frame(0), about_frame(1)], 10)
    write_avi(os.path.join(ROOT, "avi", "136.avi"), [progress_frame(f) for f in range(12)], 12)


if __name__ == "__main__":
    main()
