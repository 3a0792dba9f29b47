#!/usr/bin/env python3
"""Draws the pictures and writes the help files installed beside the program.

    scripts/make_pictures.py [DATA_DIR]     (default: data/ of this checkout)

Pictures/*.bmp: 24-bit bitmaps shown by the settings pages (one per transmission type,
one per drive configuration). Help/*.rtf: the tuning help the settings pages open; the
tire size help embeds a PNG drawing in a \\pict group.

Standard library only: the drawings are made of rectangles, polygons, circles and a
5 x 7 pixel font, so they can be remade anywhere.
"""
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "data")

FONT = {  # 5 x 7, one string of five bits a row
    "A": "01110 10001 10001 11111 10001 10001 10001", "B": "11110 10001 10001 11110 10001 10001 11110",
    "C": "01110 10001 10000 10000 10000 10001 01110", "D": "11110 10001 10001 10001 10001 10001 11110",
    "E": "11111 10000 10000 11110 10000 10000 11111", "F": "11111 10000 10000 11110 10000 10000 10000",
    "G": "01110 10001 10000 10111 10001 10001 01111", "H": "10001 10001 10001 11111 10001 10001 10001",
    "I": "01110 00100 00100 00100 00100 00100 01110", "K": "10001 10010 10100 11000 10100 10010 10001",
    "L": "10000 10000 10000 10000 10000 10000 11111", "M": "10001 11011 10101 10101 10001 10001 10001",
    "N": "10001 11001 10101 10011 10001 10001 10001", "O": "01110 10001 10001 10001 10001 10001 01110",
    "P": "11110 10001 10001 11110 10000 10000 10000", "R": "11110 10001 10001 11110 10100 10010 10001",
    "S": "01111 10000 10000 01110 00001 00001 11110", "T": "11111 00100 00100 00100 00100 00100 00100",
    "U": "10001 10001 10001 10001 10001 10001 01110", "V": "10001 10001 10001 10001 10001 01010 00100",
    "W": "10001 10001 10001 10101 10101 10101 01010", "Y": "10001 10001 01010 00100 00100 00100 00100",
    "0": "01110 10001 10011 10101 11001 10001 01110", "1": "00100 01100 00100 00100 00100 00100 01110",
    "2": "01110 10001 00001 00010 00100 01000 11111", "4": "00010 00110 01010 10010 11111 00010 00010",
    "5": "11111 10000 11110 00001 00001 10001 01110", "6": "00110 01000 10000 11110 10001 10001 01110",
    "7": "11111 00001 00010 00100 01000 01000 01000", "8": "01110 10001 10001 01110 10001 10001 01110",
    "-": "00000 00000 00000 11111 00000 00000 00000", "=": "00000 00000 11111 00000 11111 00000 00000",
    "X": "10001 10001 01010 00100 01010 10001 10001", "3": "11110 00001 00001 01110 00001 00001 11110",
    "9": "01110 10001 10001 01111 00001 00010 01100", "+": "00000 00100 00100 11111 00100 00100 00000", "/": "00001 00010 00010 00100 01000 01000 10000",
    " ": "00000 00000 00000 00000 00000 00000 00000", ".": "00000 00000 00000 00000 00000 01100 01100",
}


class Canvas:
    def __init__(self, width, height, background):
        self.w, self.h = width, height
        self.px = [[background] * width for _ in range(height)]

    def dot(self, x, y, colour):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(y0, 0), min(y1, self.h)):
            for x in range(max(x0, 0), min(x1, self.w)):
                self.px[y][x] = colour

    def frame(self, x0, y0, x1, y1, colour, width=1):
        self.rect(x0, y0, x1, y0 + width, colour)
        self.rect(x0, y1 - width, x1, y1, colour)
        self.rect(x0, y0, x0 + width, y1, colour)
        self.rect(x1 - width, y0, x1, y1, colour)

    def polygon(self, points, colour):
        ys = [p[1] for p in points]
        for y in range(max(min(ys), 0), min(max(ys) + 1, self.h)):
            crossings = []
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                if (ya <= y < yb) or (yb <= y < ya):
                    crossings.append(xa + (y - ya) * (xb - xa) / (yb - ya))
            crossings.sort()
            for a, b in zip(crossings[::2], crossings[1::2]):
                for x in range(int(round(a)), int(round(b))):
                    self.dot(x, y, colour)

    def disc(self, cx, cy, r, colour):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.dot(x, y, colour)

    def line(self, x0, y0, x1, y1, colour, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i // steps
            y = y0 + (y1 - y0) * i // steps
            self.rect(x - width // 2, y - width // 2, x + (width + 1) // 2, y + (width + 1) // 2,
                      colour)

    def text(self, x, y, text, colour, scale=2):
        for ch in text.upper():
            rows = FONT[ch].split()
            for r, bits in enumerate(rows):
                for c, bit in enumerate(bits):
                    if bit == "1":
                        self.rect(x + c * scale, y + r * scale, x + (c + 1) * scale,
                                  y + (r + 1) * scale, colour)
            x += 6 * scale

    def text_width(self, text, scale=2):
        return len(text) * 6 * scale - scale

    def bmp(self):
        """A 24-bit bottom-up Windows bitmap."""
        stride = (self.w * 3 + 3) & ~3
        rows = []
        for y in reversed(range(self.h)):
            row = bytearray()
            for r, g, b in self.px[y]:
                row += bytes((b, g, r))
            row += b"\0" * (stride - len(row))
            rows.append(bytes(row))
        pixels = b"".join(rows)
        header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(pixels), 2835,
                           2835, 0, 0)
        return header + info + pixels

    def png(self):
        raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        return (b"\x89PNG\r\n\x1a\n" +
                chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


WHITE, BLACK, GREY = (255, 255, 255), (0, 0, 0), (128, 128, 128)


def transmission(name, case, length, pan_depth, note):
    """A side view: bell housing, main case, extension housing, pan, output yoke."""
    c = Canvas(240, 150, (236, 240, 244))
    dark = tuple(max(v - 60, 0) for v in case)
    light = tuple(min(v + 40, 255) for v in case)
    left, top, bottom = 18, 48, 104
    bell = 46
    c.polygon([(left, top - 16), (left + bell, top), (left + bell, bottom),
               (left, bottom + 16)], dark)
    case_right = left + bell + length
    c.rect(left + bell, top, case_right, bottom, case)
    c.rect(left + bell, top, case_right, top + 6, light)
    for x in range(left + bell + 12, case_right - 4, 16):  # ribs
        c.rect(x, top + 8, x + 3, bottom - 4, dark)
    c.polygon([(case_right, top + 10), (case_right + 40, top + 20), (case_right + 40, bottom - 14),
               (case_right, bottom - 4)], case)
    c.rect(case_right + 40, top + 24, case_right + 52, bottom - 18, GREY)
    c.rect(left + bell + 8, bottom, case_right - 8, bottom + pan_depth, dark)
    for x in range(left + bell + 12, case_right - 8, 14):  # pan bolts
        c.disc(x, bottom + 2, 1, BLACK)
    c.text((240 - c.text_width(name, 3)) // 2, 8, name, (20, 30, 60), 3)
    c.text((240 - c.text_width(note, 1)) // 2, 136, note, (60, 60, 60), 1)
    return c


def drive_layout(four_wd):
    """Top view of the driveline."""
    c = Canvas(240, 150, (236, 244, 236))
    frame = (90, 90, 90)
    c.rect(40, 20, 46, 130, frame)
    c.rect(194, 20, 200, 130, frame)
    for y in (30, 116):  # axles with wheels
        c.rect(30, y, 210, y + 6, (60, 60, 60))
        for x in (14, 206):
            c.rect(x, y - 12, x + 20, y + 18, BLACK)
    c.rect(100, 36, 140, 58, (160, 40, 40))  # engine
    c.text(104, 43, "ENG", WHITE, 1)
    c.rect(104, 58, 136, 78, (40, 70, 140))  # transmission
    c.text(106, 65, "TRANS", WHITE, 1)
    if four_wd:
        c.rect(106, 80, 154, 92, (200, 140, 20))  # transfer case
        c.line(120, 92, 120, 116, (40, 40, 40), 3)
        c.line(148, 80, 148, 36, (40, 40, 40), 2)  # front drive shaft
        c.rect(142, 28, 154, 38, (60, 60, 60))
        title = "4WD TRANSFER CASE"
    else:
        c.line(120, 78, 120, 116, (40, 40, 40), 3)
        title = "2WD"
    c.text((240 - c.text_width(title, 1)) // 2, 138, title, (40, 40, 40), 1)
    c.rect(112, 114, 128, 124, (60, 60, 60))  # differential
    return c


def tire_drawing():
    """The tire side view the tire size help embeds: diameter, rim and sidewall."""
    c = Canvas(220, 170, WHITE)
    cx, cy = 90, 85
    c.disc(cx, cy, 70, (40, 40, 40))
    c.disc(cx, cy, 44, (190, 190, 200))
    c.disc(cx, cy, 12, (120, 120, 130))
    c.line(cx - 70, cy, cx + 70, cy, (200, 0, 0), 2)  # diameter
    c.polygon([(cx - 70, cy), (cx - 62, cy - 5), (cx - 62, cy + 5)], (200, 0, 0))
    c.polygon([(cx + 70, cy), (cx + 62, cy - 5), (cx + 62, cy + 5)], (200, 0, 0))
    c.line(cx, cy - 44, cx, cy - 70, (0, 90, 200), 3)  # sidewall height
    c.text(168, 78, "D", (200, 0, 0), 2)
    c.text(cx + 6, 4, "H", (0, 90, 200), 2)
    c.text(10, 158, "D = RIM + 2 X H", BLACK, 1)
    return c


def rtf_escape(text):
    return text.replace("\\", "\\\\").replace("{", "\\{").replace("}", "\\}")


def rtf(title, paragraphs, picture=None):
    out = ["{\\rtf1\\ansi\\ansicpg1252\\deff0",
           "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fmodern\\fcharset0 Courier New;}}",
           "{\\colortbl;\\red0\\green0\\blue128;\\red128\\green0\\blue0;}",
           "\\viewkind4\\uc1\\pard\\sa120\\f0\\fs20",
           f"{{\\cf1\\b\\fs28 {rtf_escape(title)}\\b0\\fs20}}\\par"]
    for para in paragraphs:
        if para == "<picture>":
            png = picture.png()
            hexed = png.hex()
            lines = [hexed[i:i + 128] for i in range(0, len(hexed), 128)]
            out.append("\\pard\\qc{\\pict\\pngblip\\picw%d\\pich%d\\picwgoal%d\\pichgoal%d" %
                       (picture.w, picture.h, picture.w * 15, picture.h * 15))
            out.extend(lines)
            out.append("}\\par\\pard\\sa120")
        elif para.startswith("# "):
            out.append(f"{{\\cf2\\b {rtf_escape(para[2:])}\\b0}}\\par")
        elif para.startswith("- "):
            out.append(f"\\pard\\fi-200\\li400\\sa60 \\bullet  {rtf_escape(para[2:])}\\par"
                       "\\pard\\sa120")
        else:
            out.append(rtf_escape(para) + "\\par")
    out.append("}")
    return "\r\n".join(out) + "\r\n"


HELP = {
    "TireSize.rtf": ("Tire Size and Axle Ratio", [
        "The controller measures the speed of the transmission output shaft. Everything shown "
        "in mph, the shift speeds on the graph included, is worked out from that speed with "
        "the tire diameter and the axle ratio on the Vehicle page. If either is wrong, every "
        "shift happens at a different road speed than the one you set.",
        "<picture>",
        "# Tire diameter",
        "Use the calculator: enter the three numbers of the size on the sidewall (for "
        "265/75R16: width 265 mm, aspect ratio 75 %, rim 16 in) and press Calculate Diameter. "
        "The sidewall height H is width x aspect ratio; the diameter D is the rim plus two "
        "sidewalls.",
        "To measure instead, mark the tire at the ground, roll the vehicle one full turn in a "
        "straight line, measure the distance travelled and divide it by 3.14. Measure with "
        "the tires at their normal pressure and the vehicle loaded as usual.",
        "# Axle ratio",
        "The ratio is stamped on a tag under a bolt of the differential cover, or printed on "
        "the build sheet (for example 3.73 or 4.10). To check it, raise one wheel, turn it "
        "two full turns and count the turns of the drive shaft; the ratio is the count "
        "divided by two (with an open differential).",
        "- After changing gears or tires, enter the new values before driving.",
        "- Shift points keep their road speed only if you also re-check the schedule.",
    ]),
    "ShiftTuning.rtf": ("Tuning the Shift Schedule", [
        "Each shift curve gives the road speed at which a shift happens for each throttle "
        "position: point 0 is closed throttle, point 9 wide-open throttle.",
        "# Upshifts and downshifts",
        "Every upshift curve has a downshift companion shown in a lighter colour. Keep each "
        "downshift curve at least 3 to 5 mph below its upshift curve at every point, or the "
        "transmission will hunt between gears.",
        "- Raise the upshift points at high throttle for more acceleration.",
        "- Lower the upshift points at light throttle for economy and quieter cruising.",
        "- Raise the downshift points at part throttle for quicker passing downshifts.",
        "# Shift firmness",
        "Comfort, Normal, Firm and Towing add 0, 10, 20 or 30 counts to the line pressure at "
        "medium and high throttle. Firmer shifts slip less and last longer under load; use "
        "Towing whenever a trailer is hitched.",
        "# Automatic 4-3 downshift",
        "With Follow the 3-4 upshift selected, the 4-3 curve is computed from the 3-4 curve "
        "minus the gap you enter, so you tune one curve instead of two.",
    ]),
    "ConverterClutch.rtf": ("Torque Converter Clutch", [
        "The converter clutch locks the engine to the transmission input in the upper gears, "
        "which lowers fluid temperature and improves economy.",
        "# Apply and release speeds",
        "The clutch applies above the apply speed and releases below the release speed. "
        "Keep the release speed 3 to 6 mph below the apply speed so that it does not cycle "
        "on and off at a steady cruise.",
        "# Throttle limits",
        "Below the minimum throttle (coasting) the clutch stays open for a smooth decel; "
        "above the maximum throttle it releases so the converter can multiply torque. Above "
        "the hold speed it stays applied at any throttle.",
        "# Cold lockout",
        "Until the coolant reaches the lockout temperature the clutch stays open, which helps "
        "the engine and the fluid warm up.",
    ]),
    "Inputs.rtf": ("Switches and Sensors", [
        "Check only the inputs that are wired to the controller: an input that is checked "
        "but not connected reads as off or as a fault.",
        "- Fluid temperature sensor: needed for the hot-fluid strategies.",
        "- Overdrive cancel switch: a dash switch that holds the transmission in third.",
        "- Pressure switch manifold: reports the selected range from the valve body.",
        "- Brake switch: releases the converter clutch when the pedal is pressed.",
        "- Input speed sensor: fitted to heavy-duty units; improves shift timing.",
        "# Throttle sensor",
        "Enter the throttle sensor counts shown on the dashboard with the pedal released as "
        "closed throttle. Leave wide-open throttle at 0 to let the controller learn it on the "
        "first full-throttle run.",
        "# Manual mode",
        "In manual (tap shift) mode the driver picks the gear. The controller still leaves "
        "first gear above the forced 1-2 speed and refuses a 2-1 request above its limit.",
    ]),
}


def main():
    pictures = {
        "4l60e.bmp": transmission("4L60E", (70, 100, 150), 96, 10, "GM FOUR SPEED OVERDRIVE"),
        "4l60ehd.bmp": transmission("4L60E HD", (60, 90, 130), 100, 12, "HEAVY DUTY INTERNALS"),
        "4r70w.bmp": transmission("4R70W", (40, 80, 90), 92, 10, "FORD FOUR SPEED OVERDRIVE"),
        "4l80e.bmp": transmission("4L80E", (90, 90, 110), 118, 14, "GM HEAVY DUTY"),
        "e4od.bmp": transmission("E4OD", (70, 70, 70), 116, 14, "FORD HEAVY DUTY"),
        "4r100.bmp": transmission("4R100", (50, 60, 80), 118, 14, "FORD SUPER DUTY"),
        "drive_2wd.bmp": drive_layout(False),
        "drive_4wd.bmp": drive_layout(True),
    }
    os.makedirs(os.path.join(DATA, "Pictures"), exist_ok=True)
    for name, canvas in pictures.items():
        with open(os.path.join(DATA, "Pictures", name), "wb") as f:
            f.write(canvas.bmp())
    os.makedirs(os.path.join(DATA, "Help"), exist_ok=True)
    for name, (title, paragraphs) in HELP.items():
        picture = tire_drawing() if "<picture>" in paragraphs else None
        with open(os.path.join(DATA, "Help", name), "w", newline="") as f:
            f.write(rtf(title, paragraphs, picture))


if __name__ == "__main__":
    main()
