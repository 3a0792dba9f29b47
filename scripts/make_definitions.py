#!/usr/bin/env python3
"""Writes the definition sets installed beside the program.

    scripts/make_definitions.py [DATA_DIR]     (default: data/ of this checkout)

Writes, for each controller family, PID<device>/<firmware>/generic.init, one .def per
transmission type and TransReadback.sig; then OldTypetoDef.map, Package.ver and the
older-format sample calibrations under samples/.

The definition files are plain text that the program reads at run time. They are made
here from one table per transmission type, so that the seven files keep one layout of
variables (generic.init's) and one set of windows, and differ only where the
transmissions differ. Edit this script, then run it again; do not edit the output.

Rules the output keeps (the definition engine's search rules make them necessary):
  - no "[" inside a value (it ends the section) and no "//" (it starts a comment);
  - section keys (LogicalName, DisplayName, BitValFixed, DisplayPic, Description) come
    before the section's blocks, because keys are found by the first occurrence;
  - help and tip texts come last in each block and name no key followed by a blank.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "data")

# mph per output shaft rpm is 0.002975 * tire diameter (in) / axle ratio:
# rpm * pi * diameter / (axle * 1056 in/min per mph).
MPH_PER_RPM_PER_INCH = 0.002975


def rpm_for_mph(mph, tire, axle):
    """Output shaft rpm at mph, rounded to the controller's 16-rpm steps."""
    rpm = mph * axle / (MPH_PER_RPM_PER_INCH * tire)
    return min(int(round(rpm / 16.0)) * 16, 255 * 16)


def byte_for_mph(mph, tire, axle):
    """An 8-bit speed (output shaft rpm / 16)."""
    return min(int(round(mph * axle / (MPH_PER_RPM_PER_INCH * tire) / 16.0)), 255)


# ---------------------------------------------------------------------------------------
# Controller families: one definition directory each.

FAMILIES = {
    "PID2/3": dict(
        prod="VEXA TCS-2", prodid="TCS2-EE", schema="2.3", minfw="3.0", maxfw="3.9", minhw="1",
        nvm=0, total=256, dyn_start=0, dyn_size=152, cells=19, interp=2, stride=19,
        static_start=152, static_size=104, cal_rev=0x23, memory_note=(
            "EEPROM controller: one 256-byte table, written byte by byte.",
            "Curves: 19 one-byte cells each (points and the means between them),",
            "then the static block of scalars from byte 152 on."),
        extra=[]),
    "PID3/1": dict(
        prod="VEXA TCS-3", prodid="TCS3-FL", schema="3.1", minfw="1.0", maxfw="1.9", minhw="1",
        nvm=2, total=4096, dyn_start=0, dyn_size=1024, cells=37, interp=4, stride=64,
        static_start=2048, static_size=512, cal_rev=0x31, memory_note=(
            "Flash controller: a 4 KiB table moved in 256-byte chunks through the",
            "RAM buffer at 0x1200 (1 KiB) and programmed in 128-byte flash blocks.",
            "Curves: 37 one-byte cells each (three interpolated cells between points),",
            "64 bytes apart; scalars from byte 2048 on; unused bytes stay erased (0xFF)."),
        extra=[("$CalBufferStart", "0x1200"), ("$CalBufferSize", "0x400"),
               ("$CalNVMStart", "0x8000"), ("$CalNVMPageSize", "0x1000"),
               ("$FlashBlockSize", "0x80")]),
}

# Curves: (name, curve number). 0..5 are the shift schedules in the order the older
# application's tables land in (upshift, its downshift companion, ...), 6 line pressure.
COMMON_CURVES = [("Shift12", 0), ("Shift21", 1), ("Shift23", 2), ("Shift32", 3),
                 ("Shift34", 4), ("Shift43", 5), ("LinePressure", 6)]
FAMILY_CURVES = {
    "PID2/3": COMMON_CURVES + [("ShiftTime", 7)],
    "PID3/1": COMMON_CURVES + [("TCCApply", 7), ("TCCRelease", 8), ("ShiftTime", 9)],
}

# Shift speeds (mph) at the ten throttle points, 0 % (point 0) to 100 % (point 9).
BASE_SCHEDULE = {
    "Shift12": [11, 12, 13, 15, 17, 20, 24, 29, 35, 40],
    "Shift21": [6, 6, 7, 8, 10, 12, 15, 19, 24, 28],
    "Shift23": [19, 20, 22, 25, 29, 34, 40, 48, 57, 65],
    "Shift32": [12, 12, 13, 15, 18, 22, 27, 34, 42, 50],
    "Shift34": [27, 28, 30, 33, 37, 43, 51, 60, 70, 80],
    "Shift43": [21, 22, 23, 25, 28, 33, 40, 48, 58, 68],
    "TCCApply": [36, 36, 38, 41, 45, 50, 56, 63, 70, 76],
    "TCCRelease": [32, 32, 34, 37, 41, 46, 52, 59, 66, 72],
}
BASE_PRESSURE = [70, 78, 88, 100, 114, 130, 148, 168, 190, 210]
BASE_SHIFT_TIME = [420, 400, 372, 340, 312, 280, 252, 220, 200, 180]


# ---------------------------------------------------------------------------------------
# Transmission types.

def gm_four_speed(**kw):
    t = dict(subtype=None, speed_scale=1.0, pressure_add=0, time_scale=1.0, sycfg=0x0009,
             sycfg2=0x0002, psom=1, drive=8, driven=19, tcc_on=45, tcc_off=40, min_gear=3,
             auto43=0, gap=320, ssf=10.0, four_wd=0, low_ratio=2.72, tire_size=(245, 75, 16),
             isolated=False)
    t.update(kw)
    return t


TYPES = {
    "PID2/3": [
        gm_four_speed(
            file="4l60e.def", code=1, ttype="4L60E", logical="GM4L60E",
            desc="GM 4L60E four-speed overdrive, 1993 on, light trucks and passenger cars",
            pic="Pictures\\4l60e.bmp", axle=3.73, tire=28.0,
            choice="4L60E (standard duty)"),
        gm_four_speed(
            file="4l60ehd.def", code=1, ttype="4L60E-HD", logical="GM4L60EHD", subtype="HD",
            desc="GM 4L60E with heavy-duty internals (4L65E/4L70E clutch packs), towing",
            pic="Pictures\\4l60ehd.bmp", axle=4.10, tire=30.0, speed_scale=1.05,
            pressure_add=15, time_scale=0.9, tcc_on=42, tcc_off=38, min_gear=2, auto43=1,
            tire_size=(265, 75, 16), choice="4L60E-HD (heavy-duty internals)"),
        gm_four_speed(
            file="4r70w.def", code=2, ttype="4R70W", logical="FORD4R70W",
            desc="Ford 4R70W (and AODE) four-speed overdrive, cars and F-150",
            pic="Pictures\\4r70w.bmp", axle=3.55, tire=27.5, speed_scale=0.97,
            pressure_add=5, psom=0, drive=7, driven=20, sycfg=0x0001, ssf=8.0,
            tire_size=(235, 70, 16)),
        gm_four_speed(
            file="4l80e.def", code=3, ttype="4L80E", logical="GM4L80E",
            desc="GM 4L80E heavy-duty four-speed overdrive, 3/4 and 1 ton trucks",
            pic="Pictures\\4l80e.bmp", axle=4.10, tire=31.5, speed_scale=1.03,
            pressure_add=25, time_scale=0.85, sycfg2=0x0003, psom=0, tcc_on=40, tcc_off=36,
            min_gear=2, auto43=1, gap=384, ssf=16.0, four_wd=1, tire_size=(265, 75, 16)),
    ],
    "PID3/1": [
        gm_four_speed(
            file="4l80e.def", code=3, ttype="4L80E", logical="GM4L80E-FL",
            desc="GM 4L80E heavy-duty four-speed overdrive, flash controller",
            pic="Pictures\\4l80e.bmp", axle=4.10, tire=33.0, speed_scale=1.03,
            pressure_add=25, time_scale=0.85, sycfg2=0x0003, psom=0, tcc_on=40, tcc_off=36,
            min_gear=2, auto43=1, gap=384, ssf=16.0, four_wd=1, tire_size=(285, 75, 16)),
        gm_four_speed(
            file="e4od.def", code=4, ttype="E4OD", logical="FORDE4OD",
            desc="Ford E4OD four-speed overdrive, 1989 to 1997 F-250/F-350 and E-series",
            pic="Pictures\\e4od.bmp", axle=3.73, tire=31.0, speed_scale=1.0,
            pressure_add=20, psom=0, drive=7, driven=21, sycfg=0x0001, sycfg2=0x0002,
            ssf=8.0, four_wd=1, low_ratio=2.69, tire_size=(265, 75, 16),
            choice="E4OD (1989 to 1997)"),
        gm_four_speed(
            file="4r100.def", code=4, ttype="4R100", logical="FORD4R100",
            desc="Ford 4R100 four-speed overdrive, 1998 on Super Duty and Excursion",
            pic="Pictures\\4r100.bmp", axle=4.10, tire=32.5, speed_scale=1.02,
            pressure_add=30, time_scale=0.9, psom=0, drive=7, driven=21, sycfg=0x0001,
            sycfg2=0x0003, ssf=8.0, four_wd=1, low_ratio=2.72, auto43=1,
            tire_size=(275, 70, 18), choice="4R100 (1998 on)"),
    ],
}


def curve_defaults(name, t):
    tire, axle = t["tire"], t["axle"]
    if name in BASE_SCHEDULE:
        return [rpm_for_mph(v * t["speed_scale"], tire, axle) for v in BASE_SCHEDULE[name]]
    if name == "LinePressure":
        return [min(v + t["pressure_add"], 255) for v in BASE_PRESSURE]
    if name == "ShiftTime":
        return [int(round(v * t["time_scale"] / 4.0)) * 4 for v in BASE_SHIFT_TIME]
    raise KeyError(name)


# ---------------------------------------------------------------------------------------
# Text helpers.

class Text:
    def __init__(self):
        self.lines = []

    def comment(self, *lines):
        for line in lines:
            self.lines.append("// " + line if line else "//")

    def key(self, key, value, indent=""):
        value = str(value)
        assert "[" not in value and "//" not in value, (key, value)
        self.lines.append(f"{indent}{key} {value}".rstrip())

    def section(self, name):
        self.lines.append("")
        self.lines.append(f"[{name}]")

    def block(self, keyword, kind, pairs):
        self.lines.append(f"{keyword} {kind} {{")
        for key, value in pairs:
            if value is None:
                continue
            self.key(key, value, "    ")
        self.lines.append("}")

    def text(self):
        return "\n".join(self.lines).lstrip("\n") + "\n"


def hexv(v, digits=2):
    return f"0x{v:0{digits}X}"


# ---------------------------------------------------------------------------------------
# Sections.

def application_id(out, fam, logical, ttype, desc, subtype=None, pic=None):
    out.section("ApplicationID")
    out.key("LogicalName", logical)
    out.key("TransmissionType", ttype)
    out.key("ProdName", fam["prod"])
    out.key("ProdID", fam["prodid"])
    out.key("Schema", fam["schema"])
    out.key("Description", desc)
    out.key("MinFWVer", fam["minfw"])
    out.key("MaxFWVer", fam["maxfw"])
    out.key("MinHWVer", fam["minhw"])
    if subtype:
        out.key("SubType", subtype)
    if pic:
        out.key("DisplayPic", pic)


def declarations(out, fam_name, fam, t):
    """The shared layout; t is None for generic.init."""
    out.section("Declarations")
    for line in fam["memory_note"]:
        out.comment(line)
    curves = FAMILY_CURVES[fam_name]
    out.key("$TotalBlockSize", fam["total"])
    out.key("$DynamicBlockSize", fam["dyn_size"])
    out.key("$NumDynamicTableCells", fam["cells"])
    out.key("$NumDynamicTableEntries", len(curves))
    out.key("$DynamicBlockStart", fam["dyn_start"])
    out.key("$DynamicBlockLayout", 0)
    out.key("$DynamicInterpolation", fam["interp"])
    out.key("$StaticBlockSize", fam["static_size"])
    out.key("$StaticBlockStart", fam["static_start"])
    out.key("$NVMType", fam["nvm"])
    for key, value in fam["extra"]:
        out.key(key, value)

    g = t or gm_four_speed(axle=3.73, tire=28.0, code=0)
    tw, ta, rim = g["tire_size"]
    tcc_on = byte_for_mph(g["tcc_on"], g["tire"], g["axle"])
    tcc_off = byte_for_mph(g["tcc_off"], g["tire"], g["axle"])
    override = byte_for_mph(55, g["tire"], g["axle"])
    man21 = byte_for_mph(15, g["tire"], g["axle"])
    man12 = byte_for_mph(45, g["tire"], g["axle"])

    out.comment("")
    out.comment("Identification bytes: TransReadback.sig recognises a table read back from")
    out.comment("the controller by them, so they are fixed on every load.")
    out.key("TransCode", f"U8 1:0:x Fix:{g['code']}")
    out.key("CalRevision", f"U8 1:1:x Fix:{hexv(fam['cal_rev'])}")
    out.comment("Configuration bits. SYCONFIG: 0x01 fluid temperature sensor fitted, 0x02")
    out.comment("tow/haul switch input, 0x08 overdrive cancel switch input, 0x20 manual")
    out.comment("(tap) shift mode. SYCONFIG2: 0x01 input speed sensor fitted, 0x02 brake")
    out.comment("switch releases the converter clutch.")
    out.key("SYCONFIG", f"I16 1:2:x Def:{hexv(g['sycfg'], 4)}")
    out.key("SYCONFIG2", f"I16 1:4:x Def:{hexv(g['sycfg2'], 4)}")
    out.comment("Throttle sensor counts at closed and wide-open throttle (0 = learn).")
    out.key("BaseTPS", "U8 1:6:x Def:20")
    out.key("WOTTPS", "U8 1:7:x Def:0")
    out.comment("Converter clutch: speeds in output shaft rpm / 16, throttle in percent.")
    out.key("CCOssOn", f"U8 1:8:x Def:{tcc_on}")
    out.key("CCOssOff", f"U8 1:9:x Def:{tcc_off}")
    out.key("CCMinGear", f"U8 1:10:x Def:{g['min_gear']}")
    out.key("CCMinTpsOn", "U8 1:11:x Def:5")
    out.key("CCMinTpsOff", "U8 1:12:x Def:2")
    out.key("CCMaxTpsOn", "U8 1:13:x Def:60")
    out.key("CCMaxTpsOff", "U8 1:14:x Def:75")
    out.key("CCOssMinTpsOR", f"U8 1:15:x Def:{override}")
    out.comment("Manual mode limits (output shaft rpm / 16).")
    out.key("MANDownshift21", f"U8 1:16:x Def:{man21}")
    out.key("MANUpshift12", f"U8 1:17:x Def:{man12}")
    out.key("DriveGearTeeth", f"U8 1:18:x Def:{g['drive']}")
    out.key("DrivenGearTeeth", f"U8 1:19:x Def:{g['driven']}")
    out.key("PSOM", f"U8 1:20:x Def:{g['psom']}")
    out.key("FourWheelDrive", f"U8 1:21:x Def:{g['four_wd']}")
    out.key("LowRangeCal", "U8 1:22:x Def:0")
    out.comment("Added to the upper line pressure points when the image is built.")
    out.key("LinePressureAdj", "U8 1:23:x Def:10")
    out.key("AxleRatio", f"F32 1:24:x Def:{g['axle']:.2f}")
    out.key("TireDiam", f"F32 1:28:x Def:{g['tire']:.1f}")
    out.key("SSFactor", f"F32 1:32:x Def:{g['ssf']:.1f}")
    out.key("LowRangeRatio", f"F32 1:36:x Def:{g['low_ratio']:.2f}")
    out.key("AuxRangeRatio", "F32 1:40:x Def:1.0")
    out.comment("mph per 1000 output shaft rpm x 100, computed by the store formula.")
    out.key("VssCal", "I16 1:44:x")
    out.key("UpshiftRate", "U8 1:46:x Def:12")
    out.key("FTDownshiftRate", "U8 1:47:x Def:20")
    out.key("PTDownshiftRate", "U8 1:48:x Def:8")
    out.key("TCCDelay", "U8 1:49:x Def:15")
    out.key("TCCColdLockout", "U8 1:50:x Def:60")
    out.comment("Calibration version: major in the high 16 bits, minor in the low 16 bits.")
    out.key("CalVersion", "I32 1:52:x Def:0x00010002")
    out.comment("")
    out.comment("Kept in the calibration file only.")
    out.key("UserComment", "STR 0:0:x")
    out.key("VehicleName", "STR 0:0:x Def:My vehicle")
    out.key("AdvancedTuning", "I16 0:0:x Def:0")
    out.key("AutoDownshift43", f"I16 0:0:x Def:{g['auto43']}")
    out.key("DownshiftGap43", f"I16 0:0:x Def:{g['gap']}")
    out.key("TireWidthMM", f"I16 0:0:x Def:{tw}")
    out.key("TireAspect", f"I16 0:0:x Def:{ta}")
    out.key("RimDiam", f"I16 0:0:x Def:{rim}")
    out.key("SpeedoRatio", "F32 0:0:x")
    out.comment("")
    out.comment("Curves: name, T8 points:curve, NVM:cells:offset:width, defaults.")
    for name, number in curves:
        offset = fam["dyn_start"] + number * fam["stride"]
        value = f"T8 10:{number}:x NVM:{fam['cells']}:{hexv(offset, 3)}:1"
        if t is not None:
            value += " Def:" + ",".join(str(v) for v in curve_defaults(name, t)) + ","
        out.key(name, value)
    out.comment("")
    out.key("StoreFormulae:", "")
    out.key("I@VssCal", "= 297.5*F:TireDiam:/F:AxleRatio:")
    out.key("LoadFormulae:", "")
    out.key("F@SpeedoRatio", "= I:DrivenGearTeeth:/I:DriveGearTeeth:")


SPEED_TO_INT = "x*F:AxleRatio:/(0.0476*F:TireDiam:)"
INT_TO_SPEED = "x*0.0476*F:TireDiam:/F:AxleRatio:"


def speed_trace(name, display, num, colour, enable, extra=()):
    pairs = [("LogicalName", name), ("DisplayName", display), ("TraceNum", num),
             ("TraceColor", hexv(colour, 8)), ("EnableButton", enable),
             ("CallOutFmt", "TPS %s: %.0f mph"), ("TraceMode", 1),
             ("StoreToIntFormula", "x/16"), ("IntToStoreFormula", "x*16"),
             ("DispToIntFormula", SPEED_TO_INT), ("IntToDispFormula", INT_TO_SPEED)]
    pairs += list(extra)
    return pairs


def graphical_tuning(out, fam_name, t):
    out.section("GraphicalTuning")
    out.comment("Shift curves are kept in output shaft rpm and shown in mph for the")
    out.comment("tire diameter and axle ratio of the Vehicle page.")
    out.block("GraphElement", "Label", [("LogicalName", "ShiftHeading"),
                                         ("DisplayName", "Shift Schedule")])
    # Colours (0x00BBGGRR) of equal lightness and well apart in hue: black label text on
    # each keeps a contrast of at least 5.7:1, and each curve at least 3.6:1 on the white
    # graph. An upshift and its downshift take neighbouring hues.
    shifts = [("Shift12", "1-2", "2-1", 0, 0x00453EF8, 0x00006FC9),
              ("Shift23", "2-3", "3-2", 2, 0x00089B20, 0x008B9707),
              ("Shift34", "3-4", "4-3", 4, 0x00D78D04, 0x00FA6D91)]
    for up, up_text, down_text, num, up_colour, down_colour in shifts:
        down = f"Shift{up_text[2]}{up_text[0]}"
        up_extra = [("HelpText", f"The {up_text} upshift speed at each throttle position. "
                                 "Drag a point or use the arrow keys to change it."),
                    ("StatusBarTxt", f"Show or hide the {up_text} upshift and {down_text} "
                                     "downshift curves"),
                    ("ToolTip", f"{up_text} upshift / {down_text} downshift")]
        down_extra = [("HelpText", f"The {down_text} downshift speed at each throttle "
                                   "position; keep it below the upshift curve."),
                      ("StatusBarTxt", f"The {down_text} downshift curve"),
                      ("ToolTip", f"{down_text} downshift")]
        if up == "Shift34":
            # The 4-3 downshift may follow the 3-4 upshift at a fixed distance.
            up_extra.insert(0, ("SingleLabelEnable", "@AutoDownshift43 I:1"))
            down_extra[0:0] = [("ProxyEnable", "@AutoDownshift43 I:1"),
                               ("ProxyFormula", "T:Shift34:-I:DownshiftGap43:")]
        out.block("GraphElement", "Trace",
                  speed_trace(up, f"{up_text} Up", num, up_colour, 1, up_extra))
        out.block("GraphElement", "Trace",
                  speed_trace(down, f"{down_text} Down", num + 1, down_colour, 2, down_extra))

    if fam_name == "PID3/1":
        out.block("GraphElement", "Label", [("LogicalName", "TCCHeading"),
                                             ("DisplayName", "Converter Clutch")])
        out.block("GraphElement", "Trace", speed_trace(
            "TCCApply", "TCC Apply", 7, 0x00018990, 1,
            [("HelpText", "Lowest speed at which the converter clutch applies, by throttle."),
             ("StatusBarTxt", "Show or hide the converter clutch apply and release curves"),
             ("ToolTip", "Converter clutch apply / release")]))
        out.block("GraphElement", "Trace", speed_trace(
            "TCCRelease", "TCC Release", 8, 0x00AD930F, 2,
            [("HelpText", "Speed below which the converter clutch releases, by throttle."),
             ("StatusBarTxt", "The converter clutch release curve"),
             ("ToolTip", "Converter clutch release")]))

    out.block("GraphElement", "Label", [("LogicalName", "PressureHeading"),
                                         ("DisplayName", "Line Pressure")])
    pressure = [("LogicalName", "LinePressure"), ("DisplayName", "Line Pressure"),
                ("TraceNum", 6), ("TraceColor", hexv(0x00B73DE8, 8)),
                ("EnableButton", 0), ("CallOutFmt", "TPS %s: %.0f")]
    if fam_name == "PID3/1":
        # Counts as the controller keeps them; the table gives the psi each count means
        # on a standard pump.
        pressure += [("TraceMode", 3),
                     ("ConvTable", "0 40.0,64 75.0,128 110.0,192 145.0,255 180.0,")]
    else:
        pressure += [("TraceMode", 2)]
    pressure += [("PadEnable", "1:6:LinePressureAdj 5 6 7 8 9"),
                 ("HelpText", "Line pressure command (0 to 255) at each throttle position. "
                              "The shift firmness setting is added to the upper half."),
                 ("StatusBarTxt", "Show or hide the line pressure curve"),
                 ("ToolTip", "Line pressure command")]
    out.block("GraphElement", "Trace", pressure)

    shift_time_num = 9 if fam_name == "PID3/1" else 7
    out.comment("Shift overlap time is fixed for these units: configured so the image")
    out.comment("carries it, never offered on the bar.")
    out.block("GraphElement", "Trace", [
        ("LogicalName", "ShiftTime"), ("DisplayName", "Shift Time"),
        ("TraceNum", shift_time_num), ("TraceColor", hexv(0x00868686, 8)),
        ("EnableButton", -1), ("CallOutFmt", "TPS %s: %.0f ms"), ("TraceMode", 1),
        ("StoreToIntFormula", "x/4"), ("IntToStoreFormula", "x*4"),
        ("DispToIntFormula", "x/4"), ("IntToDispFormula", "x*4")])

    out.block("GraphElement", "Label", [("LogicalName", "AidsHeading"),
                                         ("DisplayName", "Tuning Aids")])
    out.block("GraphElement", "TraceLinkButton", [
        ("LogicalName", "LinkCurves"), ("DisplayName", "Edit Up/Down Together"),
        ("BackColor", hexv(0x00C0E0FF, 8)), ("EnableCondition", "@AdvancedTuning I:1"),
        ("HelpText", "When checked, moving a point of an upshift curve moves the same point "
                     "of its downshift curve by the same amount."),
        ("StatusBarTxt", "Edit each upshift curve together with its downshift curve"),
        ("ToolTip", "Linked editing of upshift and downshift curves")])
    out.block("GraphElement", "ControlButton", [
        ("LogicalName", "Auto43"), ("DisplayName", "Auto 4-3 Downshift"),
        ("BackColor", hexv(0x00E0E0E0, 8)),
        ("BitValState0", "@AutoDownshift43 I:0"), ("BitValState1", "@AutoDownshift43 I:1"),
        ("HelpText", "When checked, the 4-3 downshift follows the 3-4 upshift at the distance "
                     "set on the Shift Feel page and its curve is hidden."),
        ("StatusBarTxt", "Derive the 4-3 downshift from the 3-4 upshift"),
        ("ToolTip", "Automatic 4-3 downshift curve")])
    out.block("GraphElement", "ControlButton", [
        ("LogicalName", "TowHaul"), ("DisplayName", "Tow/Haul Switch"),
        ("BackColor", hexv(0x00E0E0E0, 8)),
        ("BitValState0", "@SYCONFIG M:0x02 I:0"), ("BitValState1", "@SYCONFIG M:0x02 I:0x02"),
        ("HelpText", "When checked, the controller reads a tow/haul switch and raises shift "
                     "speeds and line pressure while it is on."),
        ("StatusBarTxt", "Enable the tow/haul switch input"),
        ("ToolTip", "Tow/haul switch input")])


def data_items(out, t):
    out.section("DataItems")
    out.key("DashboardUpdatePeriod", 100)
    out.key("DataLogUpdatePeriod", 50)
    items = [
        ("NumericValue", [("LogicalName", "Speed"), ("DisplayName", "Speed (mph)"),
                          ("DefDisplayColor", "0x00800000"), ("DefMonState", 1),
                          ("DefLogState", 1), ("NumTicks", 1), ("MinValue", 0),
                          ("MaxValue", 254), ("MaxErrorTxt", "eH"), ("MinErrorTxt", "eL"),
                          ("DisplayFormula", "%3.0f = M:VSSFRQ:*0.6214"),
                          ("CrosshairMode", "Y"), ("CrosshairFormula", "x"),
                          ("HelpText", "Vehicle speed from the output shaft speed sensor."),
                          ("StatusBarTxt", "Vehicle speed"), ("ToolTip", "Vehicle speed")]),
        ("NumericValue", [("LogicalName", "Throttle"), ("DisplayName", "Throttle (%)"),
                          ("DefDisplayColor", "0x00008000"), ("DefMonState", 1),
                          ("DefLogState", 1), ("NumTicks", 1), ("MinValue", 0),
                          ("MaxValue", 255), ("DisplayFormula", "%3.0f = M:TPS:*100/255"),
                          ("CrosshairMode", "X"), ("CrosshairFormula", "x*9/100"),
                          ("HelpText", "Throttle opening; 0 is closed, 100 wide open."),
                          ("StatusBarTxt", "Throttle position"), ("ToolTip", "Throttle")]),
        ("EnumeratedText", [("LogicalName", "Gear"), ("DisplayName", "Gear"),
                            ("DefDisplayColor", "0x00000000"), ("DefMonState", 1),
                            ("DefLogState", 1), ("NumTicks", 2), ("MinValue", 0),
                            ("MaxValue", 4), ("MaxErrorTxt", "Err"),
                            ("DisplayFormula", "M:GEAR:"), ("EnumText0", "N"),
                            ("EnumText1", "1st"), ("EnumText2", "2nd"), ("EnumText3", "3rd"),
                            ("EnumText4", "4th"),
                            ("HelpText", "The gear the transmission is in."),
                            ("StatusBarTxt", "Gear engaged"), ("ToolTip", "Gear")]),
        ("EnumeratedText", [("LogicalName", "Commanded"), ("DisplayName", "Commanded"),
                            ("DefDisplayColor", "0x00404040"), ("DefMonState", 1),
                            ("NumTicks", 2), ("MinValue", 0), ("MaxValue", 4),
                            ("MaxErrorTxt", "Err"), ("DisplayFormula", "M:CGEAR:"),
                            ("EnumText0", "N"), ("EnumText1", "1st"), ("EnumText2", "2nd"),
                            ("EnumText3", "3rd"), ("EnumText4", "4th"),
                            ("HelpText", "The gear the controller is asking for; it leads "
                                         "the engaged gear during a shift."),
                            ("StatusBarTxt", "Gear commanded"), ("ToolTip", "Commanded gear")]),
        ("EnumeratedText", [("LogicalName", "TCC"), ("DisplayName", "Converter"),
                            ("DefDisplayColor", "0x00007070"), ("DefMonState", 1),
                            ("NumTicks", 2), ("MinValue", 0), ("MaxValue", 1),
                            ("DisplayFormula", "M:CCLUTCH:"), ("EnumText0", "Open"),
                            ("EnumText1", "Locked"),
                            ("HelpText", "Whether the torque converter clutch is applied."),
                            ("StatusBarTxt", "Converter clutch"), ("ToolTip", "Converter")]),
        ("NumericValue", [("LogicalName", "EngineRPM"), ("DisplayName", "Engine rpm"),
                          ("DefDisplayColor", "0x000000C0"), ("DefMonState", 1),
                          ("NumTicks", 2), ("MinValue", 0), ("MaxValue", 255),
                          ("DisplayFormula",
                           "%4.0f = 15000000/(M:CAPT_NEW_H:*256+M:CAPT_NEW_L:+1)"),
                          ("HelpText", "Engine speed from the ignition signal."),
                          ("StatusBarTxt", "Engine speed"), ("ToolTip", "Engine rpm")]),
        ("NumericValue", [("LogicalName", "Pressure"), ("DisplayName", "Line press."),
                          ("DefDisplayColor", "0x00800080"), ("DefMonState", 1),
                          ("NumTicks", 3), ("MinValue", 0), ("MaxValue", 255),
                          ("DisplayFormula", "%3.0f = M:MLPS:"),
                          ("HelpText", "The line pressure command, 0 to 255."),
                          ("StatusBarTxt", "Line pressure command"), ("ToolTip", "Line pressure")]),
        ("NumericValue", [("LogicalName", "OilTemp"), ("DisplayName", "Fluid (F)"),
                          ("DefDisplayColor", "0x000050A0"), ("DefMonState", 1),
                          ("NumTicks", 10), ("MinValue", 0), ("MaxValue", 200),
                          ("MaxErrorTxt", "HOT"), ("DisplayFormula", "%3.0f = (M:TOT:-40)*1.8+32"),
                          ("HelpText", "Transmission fluid temperature. Above 250 F the fluid "
                                       "ages quickly; check the cooler."),
                          ("StatusBarTxt", "Fluid temperature"), ("ToolTip", "Fluid temperature")]),
        ("NumericValue", [("LogicalName", "Coolant"), ("DisplayName", "Coolant (F)"),
                          ("DefDisplayColor", "0x00C06000"), ("DefMonState", 1),
                          ("NumTicks", 10), ("MinValue", 0), ("MaxValue", 200),
                          ("MaxErrorTxt", "HOT"), ("DisplayFormula", "%3.0f = (M:ECT:-40)*1.8+32"),
                          ("HelpText", "Engine coolant temperature; below the cold lockout "
                                       "the converter clutch stays open."),
                          ("StatusBarTxt", "Coolant temperature"), ("ToolTip", "Coolant")]),
        ("NumericValue", [("LogicalName", "Battery"), ("DisplayName", "Battery (V)"),
                          ("DefDisplayColor", "0x00404000"), ("DefMonState", 1),
                          ("NumTicks", 20), ("MinValue", 90), ("MaxValue", 160),
                          ("MaxErrorTxt", "High"), ("MinErrorTxt", "Low"),
                          ("DisplayFormula", "%4.1f = M:VBATX:/10"),
                          ("HelpText", "Supply voltage at the controller."),
                          ("StatusBarTxt", "Battery voltage"), ("ToolTip", "Battery")]),
        ("NumericValue", [("LogicalName", "Solenoids"), ("DisplayName", "Solenoids"),
                          ("DefMonState", 0), ("DefLogState", 1), ("NumTicks", 4),
                          ("MinValue", 0), ("MaxValue", 3), ("DisplayFormula", "%1.0f = M:SOLPATN1:"),
                          ("HelpText", "Shift solenoid pattern, logged only.")]),
    ]
    if t is not None and t["sycfg2"] & 0x01:
        items.insert(6, ("NumericValue", [
            ("LogicalName", "Turbine"), ("DisplayName", "Input rpm"),
            ("DefDisplayColor", "0x00606000"), ("DefMonState", 1), ("NumTicks", 2),
            ("MinValue", 0), ("MaxValue", 255), ("DisplayFormula", "%4.0f = M:CH7:*32"),
            ("HelpText", "Turbine (input shaft) speed from the input speed sensor."),
            ("StatusBarTxt", "Input shaft speed"), ("ToolTip", "Input rpm")]))
    for kind, pairs in items:
        out.block("DataItem", kind, pairs)


PAGES = [
    ("ApplicationID", "Transmission Type",
     "Scroll through the list to select the correct transmission model. Its picture and "
     "description are shown below the list."),
    ("VehicleSetup", "Vehicle",
     "Tire size, axle ratio and speed sensor: everything the speeds are computed from."),
    ("DriveConfiguration", "Drive",
     "Choose how the transmission drives the wheels."),
    ("ShiftFeel", "Shift Feel", "How firm and how quick the shifts are."),
    ("ConverterClutch", "Converter Clutch", "When the torque converter clutch applies."),
    ("Inputs", "Switches", "Which switches and sensors are wired to the controller."),
    ("Notes", "Notes", "Free text kept with the calibration."),
]


def dialog(out, name, pages):
    out.section(name)
    for n, (tab, text, help_text) in enumerate(pages):
        # Text%d before HelpText%d: a search for "Text1 " would otherwise find "HelpText1 ".
        out.key(f"Tab{n}", tab)
        out.key(f"Text{n}", text)
        out.key(f"HelpText{n}", help_text)


def edit(name, display, x, display_fmt, store, lo, hi, step, default, help_text, influence=None,
         y=None, extra=()):
    pairs = [("LogicalName", name), ("DisplayName", display), ("xPosition", x), ("ySpace", y),
             ("DisplayFormula", display_fmt), ("StoreFormula", store), ("MinValue", lo),
             ("MaxValue", hi), ("DeltaIncrement", step), ("DefValue", default),
             ("GlobalInfluence", influence)]
    pairs += list(extra)
    pairs.append(("HelpText", help_text))
    return pairs


def help_button(name, display, x, file_name, y=10):
    return ("PushButton", [("LogicalName", name), ("DisplayName", display), ("xPosition", x),
                           ("ySpace", y), ("Execute", file_name),
                           ("HelpText", "Opens the help for this page.")])


def check(name, display, x, bit_lists, default=0, help_text="", y=None):
    pairs = [("LogicalName", name), ("DisplayName", display), ("xPosition", x), ("ySpace", y),
             ("DefState", default)]
    pairs += [(f"BitValState{i}", v) for i, v in enumerate(bit_lists)]
    pairs.append(("HelpText", help_text))
    return ("CheckBox", pairs)


def pages(out, t):
    # Speeds kept as one byte (output shaft rpm / 16), shown in mph.
    speed_byte_display = "%.0f = x*0.0476*F:TireDiam:/F:AxleRatio:"
    speed_byte_store = "x*F:AxleRatio:/(0.0476*F:TireDiam:)"

    out.section("VehicleSetup")
    for kind, pairs in [
        ("EditBox", edit("AxleRatio", "Axle ratio", 0, "%.2f = x", "F@AxleRatio = x", 2.0, 6.5,
                         0.01, 3.73, "The rear axle (differential) ratio, for example 3.73.",
                         influence=1)),
        ("EditBox", edit("TireDiam", "Tire diameter (in)", 0, "%.1f = x", "F@TireDiam = x", 20,
                         40, 0.1, 28, "Loaded tire diameter in inches. Use the calculator "
                         "on the right, or measure: see the tire size help.", influence=1)),
        ("EditBox", edit("SSFactor", "Speed sensor factor", 0, "%.1f = x", "F@SSFactor = x", 1,
                         40, 0.5, 10, "Output speed sensor pulses per output shaft turn "
                         "divided by four.")),
        ("ComboBox", [("LogicalName", "DriveGear"), ("DisplayName", "Speedometer drive gear"),
                      ("xPosition", 0), ("ListTxt0", "7 teeth"), ("ListTxt1", "8 teeth"),
                      ("BitValState0", "@DriveGearTeeth I:7"),
                      ("BitValState1", "@DriveGearTeeth I:8"), ("DefState", 1),
                      ("HelpText", "Teeth on the drive gear of the output shaft.")]),
        ("EditBox", edit("DrivenGear", "Speedometer driven gear teeth", 0, "%.0f = x",
                         "I@DrivenGearTeeth = x", 15, 30, 1, 19,
                         "Teeth on the speedometer driven gear in the tail housing.")),
        ("EditBox", edit("TireWidth", "Tire width (mm)", 1, "%.0f = x", "I@TireWidthMM = x",
                         135, 395, 5, 245, "The first number of the tire size: 265 in "
                         "265/75R16.")),
        ("EditBox", edit("TireAspect", "Aspect ratio (%)", 1, "%.0f = x", "I@TireAspect = x",
                         25, 90, 5, 75, "The second number of the tire size: 75 in 265/75R16.")),
        ("EditBox", edit("RimDiam", "Rim diameter (in)", 1, "%.0f = x", "I@RimDiam = x", 13,
                         24, 1, 16, "The last number of the tire size: 16 in 265/75R16.")),
        ("PushButton", [("LogicalName", "CalcTire"), ("DisplayName", "Calculate &Diameter"),
                        ("xPosition", 1), ("TargetLName", "TireDiam"),
                        ("ActionFormula", "%.1f = I:TireWidthMM:*I:TireAspect:/1270+I:RimDiam:"),
                        ("ActionFailText", "The tire size could not be read from this "
                                           "calibration."),
                        ("RangeFailFmt", "The calculated diameter of %.1f in. is outside the "
                                         "range of %.1f to %.1f in. Please check the tire size."),
                        ("MinValue", 20), ("MaxValue", 40),
                        ("HelpText", "Computes the tire diameter from the size on the sidewall "
                                     "and enters it on the left.")]),
        help_button("TireHelp", "Tire Size Help", 1, "Help\\TireSize.rtf"),
    ]:
        out.block("UserOption", kind, pairs)

    drive_items = [
        ("TwoWD", "Two-wheel drive", "@FourWheelDrive I:0 @LowRangeCal I:0",
         "Pictures\\drive_2wd.bmp",
         "The transmission drives the rear axle directly. Speeds come from the output shaft."),
        ("FourWD", "Four-wheel drive with transfer case", "@FourWheelDrive I:1",
         "Pictures\\drive_4wd.bmp",
         "A transfer case follows the transmission. In low range the output shaft turns faster "
         "than the wheels; the controller can correct its speeds for that."),
    ]
    for logical, display, fixed, pic, desc in drive_items:
        out.section("DriveConfiguration")
        out.key("LogicalName", logical)
        out.key("DisplayName", display)
        out.key("BitValFixed", fixed)
        out.key("DisplayPic", pic)
        out.key("Description", desc)
        if logical == "FourWD":
            out.block("UserOption", "ComboBox", [
                ("LogicalName", "LowRangeCal"), ("DisplayName", "Low range speed correction"),
                ("xPosition", 0), ("ListTxt0", "Off"), ("ListTxt1", "On"),
                ("BitValState0", "@LowRangeCal I:0"), ("BitValState1", "@LowRangeCal I:1"),
                ("GlobalInfluence", 8),
                ("HelpText", "Correct the speeds for the transfer case ratio while the low "
                             "range is engaged.")])
            out.block("UserOption", "EditBox", edit(
                "LowRangeRatio", "Low range ratio", 1, "%.2f = x", "F@LowRangeRatio = x", 1.0,
                5.0, 0.01, t["low_ratio"] if t else 2.72,
                "The transfer case low range ratio, for example 2.72.",
                extra=[("StoreFormula2", "F@AuxRangeRatio = x"),
                       ("EnableCondition", "@LowRangeCal I:1")]))

    out.section("ShiftFeel")
    out.block("UserOption", "RadioButton", [
        ("LogicalName", "Firmness"), ("DisplayName", "Shift firmness"), ("xPosition", 0),
        ("DefState", 1), ("TxtState0", "Comfort"), ("TxtState1", "Normal"),
        ("TxtState2", "Firm"), ("TxtState3", "Towing"),
        ("BitValState0", "@LinePressureAdj I:0"), ("BitValState1", "@LinePressureAdj I:10"),
        ("BitValState2", "@LinePressureAdj I:20"), ("BitValState3", "@LinePressureAdj I:30"),
        ("HelpText", "Raises line pressure at medium and high throttle: firmer, shorter "
                     "shifts and less clutch slip under load.")])
    out.block("UserOption", "EditBox", edit(
        "UpshiftRate", "Upshift pressure ramp", 0, "%.0f = x", "I@UpshiftRate = x", 1, 40, 1,
        12, "How fast pressure rises during an upshift; higher is quicker.", y=10))
    out.block("UserOption", "EditBox", edit(
        "FTDownshiftRate", "Full throttle downshift ramp", 1, "%.0f = x",
        "I@FTDownshiftRate = x", 1, 40, 1, 20, "Pressure ramp of kickdown shifts."))
    out.block("UserOption", "EditBox", edit(
        "PTDownshiftRate", "Part throttle downshift ramp", 1, "%.0f = x",
        "I@PTDownshiftRate = x", 1, 40, 1, 8, "Pressure ramp of coasting and part throttle "
        "downshifts."))
    out.block("UserOption", "ComboBox", [
        ("LogicalName", "Auto43"), ("DisplayName", "4-3 downshift"), ("xPosition", 1),
        ("ListTxt0", "Own curve"), ("ListTxt1", "Follow the 3-4 upshift"),
        ("BitValState0", "@AutoDownshift43 I:0"), ("BitValState1", "@AutoDownshift43 I:1"),
        ("GlobalInfluence", 2),
        ("HelpText", "Follow: the 4-3 downshift is the 3-4 upshift less the gap below.")])
    out.block("UserOption", "EditBox", edit(
        "DownshiftGap43", "4-3 gap below the 3-4 (mph)", 1,
        "%.1f = x*0.002975*F:TireDiam:/F:AxleRatio:",
        "I@DownshiftGap43 = x*F:AxleRatio:/(0.002975*F:TireDiam:)", 0, 1600, 0.5, 320,
        "How far below the 3-4 upshift the 4-3 downshift happens.", influence=1))
    out.block("UserOption", "ComboBox", [
        ("LogicalName", "TuningMode"), ("DisplayName", "Tuning mode"), ("xPosition", 0),
        ("ySpace", 10), ("ListTxt0", "Basic"), ("ListTxt1", "Advanced"),
        ("BitValState0", "@AdvancedTuning I:0"), ("BitValState1", "@AdvancedTuning I:1"),
        ("GlobalInfluence", 2),
        ("HelpText", "Advanced adds linked editing of upshift and downshift curves to the "
                     "graph controls.")])
    kind, pairs = help_button("ShiftHelp", "Shift Tuning Help", 1, "Help\\ShiftTuning.rtf")
    out.block("UserOption", kind, pairs)

    out.section("ConverterClutch")
    for kind, pairs in [
        ("EditBox", edit("CCOssOn", "Apply above (mph)", 0, speed_byte_display,
                         "I@CCOssOn = " + speed_byte_store, 0, 255, 1, 120,
                         "Lowest speed at which the converter clutch applies in top gear.")),
        ("EditBox", edit("CCOssOff", "Release below (mph)", 0, speed_byte_display,
                         "I@CCOssOff = " + speed_byte_store, 0, 255, 1, 108,
                         "Speed below which it releases; keep it a few mph under the apply "
                         "speed.")),
        ("ComboBox", [("LogicalName", "MinGear"), ("DisplayName", "Lowest lock-up gear"),
                      ("xPosition", 0), ("ListTxt0", "2nd"), ("ListTxt1", "3rd"),
                      ("ListTxt2", "4th only"), ("BitValState0", "@CCMinGear I:2"),
                      ("BitValState1", "@CCMinGear I:3"), ("BitValState2", "@CCMinGear I:4"),
                      ("DefState", 1),
                      ("HelpText", "The lowest gear in which the converter clutch may apply.")]),
        ("EditBox", edit("CCMinTpsOn", "Apply above throttle (%)", 1, "%.0f = x",
                         "I@CCMinTpsOn = x", 0, 100, 1, 5, "Below this throttle the clutch does "
                         "not apply (coasting).")),
        ("EditBox", edit("CCMaxTpsOff", "Release above throttle (%)", 1, "%.0f = x",
                         "I@CCMaxTpsOff = x", 0, 100, 1, 75, "Above this throttle the clutch "
                         "releases for torque multiplication.")),
        ("EditBox", edit("CCOssMinTpsOR", "Hold at any throttle above (mph)", 1,
                         speed_byte_display, "I@CCOssMinTpsOR = " + speed_byte_store, 0, 255, 1,
                         150, "Above this speed the clutch stays applied at any throttle.")),
        ("EditBox", edit("TCCColdLockout", "Cold lockout below (F)", 0, "%.0f = (x-40)*1.8+32",
                         "I@TCCColdLockout = (x-32)/1.8+40", 0, 200, 1, 60,
                         "Below this coolant temperature the clutch stays open.", y=10)),
        ("EditBox", edit("TCCDelay", "Apply delay (s)", 1, "%.1f = x/10", "I@TCCDelay = x*10",
                         0, 100, 0.1, 15, "Time after a shift before the clutch may apply.",
                         y=10)),
        help_button("TCCHelp", "Converter Clutch Help", 1, "Help\\ConverterClutch.rtf"),
    ]:
        out.block("UserOption", kind, pairs)

    out.section("Inputs")
    for kind, pairs in [
        ("ComboBox", [("LogicalName", "ShiftMode"), ("DisplayName", "Shift mode"),
                      ("xPosition", 0), ("ListTxt0", "Automatic"),
                      ("ListTxt1", "Manual (tap shift)"),
                      ("BitValState0", "@SYCONFIG M:0x20 I:0"),
                      ("BitValState1", "@SYCONFIG M:0x20 I:0x20"), ("GlobalInfluence", 8),
                      ("HelpText", "Manual: the driver chooses the gear with the tap switch; "
                                   "the controller still protects the engine.")]),
        ("EditBox", edit("MANUpshift12", "Forced 1-2 above (mph)", 0, speed_byte_display,
                         "I@MANUpshift12 = " + speed_byte_store, 0, 255, 1, 100,
                         "In manual mode first gear is left above this speed.",
                         extra=[("EnableCondition", "@SYCONFIG M:0x20 I:0x20")])),
        ("EditBox", edit("MANDownshift21", "2-1 allowed below (mph)", 0, speed_byte_display,
                         "I@MANDownshift21 = " + speed_byte_store, 0, 255, 1, 34,
                         "In manual mode a 2-1 request is accepted only below this speed.",
                         extra=[("EnableCondition", "@SYCONFIG M:0x20 I:0x20")])),
        check("FluidTemp", "Fluid temperature sensor fitted", 1,
              ["@SYCONFIG M:0x01 I:0", "@SYCONFIG M:0x01 I:0x01"], 1,
              "Uncheck when the transmission has no fluid temperature sensor."),
        check("ODCancel", "Overdrive cancel switch", 1,
              ["@SYCONFIG M:0x08 I:0", "@SYCONFIG M:0x08 I:0x08"], 0,
              "A dash switch that keeps the transmission out of fourth gear."),
        check("PSOM", "Pressure switch manifold fitted", 1, ["@PSOM I:0", "@PSOM I:1"], 0,
              "The range switch on the valve body reports the selected range."),
        check("BrakeSwitch", "Brake switch releases converter clutch", 1,
              ["@SYCONFIG2 M:0x02 I:0", "@SYCONFIG2 M:0x02 I:0x02"], 1,
              "Releases the converter clutch as soon as the brake pedal is pressed."),
        check("InputSensor", "Input speed sensor fitted", 1,
              ["@SYCONFIG2 M:0x01 I:0", "@SYCONFIG2 M:0x01 I:0x01"], 0,
              "Heavy-duty units have a turbine speed sensor; it improves shift timing."),
        ("EditBox", edit("BaseTPS", "Closed throttle counts", 1, "%.0f = x", "I@BaseTPS = x",
                         0, 100, 1, 20, "Throttle sensor reading with the pedal released.",
                         y=10)),
        ("EditBox", edit("WOTTPS", "Wide-open throttle counts", 1, "%.0f = x", "I@WOTTPS = x",
                         0, 255, 1, 0, "Reading at wide-open throttle; 0 lets the controller "
                         "learn it.")),
        help_button("InputsHelp", "Switches Help", 1, "Help\\Inputs.rtf"),
    ]:
        out.block("UserOption", kind, pairs)

    out.section("Notes")
    out.block("UserOption", "TextBox", [
        ("LogicalName", "VehicleName"), ("DisplayName", "Vehicle"), ("xPosition", 1),
        ("TargetVar", "VehicleName"), ("HelpText", "A name for the vehicle, for your records.")])
    out.block("UserOption", "TextBox", [
        ("LogicalName", "Installer"), ("DisplayName", "Installed by"), ("xPosition", 0),
        ("HelpText", "Who installed and tuned the controller.")])
    out.block("UserOption", "TextBox", [
        ("LogicalName", "UserComment"), ("DisplayName", "Notes"), ("xPosition", 4),
        ("ySpace", 10), ("TargetVar", "UserComment"),
        ("HelpText", "Anything worth remembering about this calibration.")])


def definition(fam_name, t):
    fam = FAMILIES[fam_name]
    out = Text()
    out.comment(f"{t['ttype']} for the {fam['prod']} ({fam_name}).")
    out.comment("Generated by scripts/make_definitions.py: edit the script, not this file.")
    application_id(out, fam, t["logical"], t["ttype"], t["desc"], t["subtype"], t["pic"])
    declarations(out, fam_name, fam, t)
    graphical_tuning(out, fam_name, t)
    data_items(out, t)
    dialog(out, "QuickTuneDialog", [PAGES[0], PAGES[1], PAGES[2], PAGES[3]])
    dialog(out, "ConfigurationDialog", PAGES)
    pages(out, t)
    return out.text()


def generic(fam_name):
    fam = FAMILIES[fam_name]
    out = Text()
    out.comment(f"{fam['prod']} ({fam_name}) before a transmission type is chosen.")
    out.comment("Generated by scripts/make_definitions.py: edit the script, not this file.")
    application_id(out, fam, "Generic", "None", "No transmission type chosen yet")
    declarations(out, fam_name, fam, None)
    return out.text()


def signature_file(fam_name):
    fam = FAMILIES[fam_name]
    code_at = fam["static_start"]
    rev_at = code_at + 1
    rev = hexv(fam["cal_rev"])
    lines = [
        f"Transmission signatures of the {fam['prod']} ({fam_name}) calibration table.",
        f"Byte {code_at} is the transmission code, byte {rev_at} the layout revision.",
        "A line is terms, an equals sign and a definition file or a star and a list.",
    ]
    by_code = {}
    for t in TYPES[fam_name]:
        by_code.setdefault(t["code"], []).append(t)
    for code, types in sorted(by_code.items()):
        terms = f"@{code_at}:{hexv(code)}:0xFF @{rev_at}:{rev}:0xFF"
        if len(types) == 1:
            lines.append(f"{terms} = {types[0]['file']}")
        else:
            lines.append(f"{terms} = *")
            for t in types:
                lines.append(f"*{t['file']}*{t.get('choice', t['ttype'])}")
    # Comment lines carry no equals sign, so the reader skips them.
    for line in lines[:3]:
        assert "=" not in line
    return "\n".join(lines) + "\n"


OLD_TYPE_MAP = [
    # Shorter names first: a type takes the first line that begins with it.
    ("4L60E", "4l60e.def"), ("4L60E-HD", "4l60ehd.def"), ("4L65E", "4l60ehd.def"),
    ("4R70W", "4r70w.def"), ("AODE", "4r70w.def"), ("4L80E", "4l80e.def"),
    ("4L80E-HD", "4l80e.def"),
]


# ---------------------------------------------------------------------------------------
# Older-format samples.

def legacy_sample(comment_lines, ttype, subtype, desc, t, tweak, flags):
    """The older application's text format: one value a line, CR LF line ends."""
    tire, axle = flags.get("tire", t["tire"]), flags.get("axle", t["axle"])
    lines = ['"GVR01"']
    lines += comment_lines
    lines += [f'"{ttype}"', f'"{subtype}"', f'"{desc}"']
    lines += ["0"] * 5
    lines += [f"{axle:f}", f"{tire:f}", f"{t['ssf']:f}", "0"]
    # Tables 0-2 upshifts, 3-5 downshifts (internal bytes, rpm / 16), 6 line pressure.
    order = ["Shift12", "Shift23", "Shift34", "Shift21", "Shift32", "Shift43"]
    tables = []
    for name in order:
        tables.append([min(int(round(v * tweak * axle / (MPH_PER_RPM_PER_INCH * tire) / 16)), 255)
                       for v in BASE_SCHEDULE[name]])
    tables.append([min(v + t["pressure_add"] + flags.get("pressure", 0), 255)
                   for v in BASE_PRESSURE])
    for table in tables:
        for p in range(10):
            lines.append(str(table[p]))
            nxt = table[min(p + 1, 9)]
            lines.append(str((table[p] + nxt) // 2))
    lines.append(str(flags.get("base_tps", 18)))
    tcc_on = byte_for_mph(flags.get("tcc_on", t["tcc_on"]), tire, axle)
    lines += [str(v) for v in [
        tcc_on, tcc_on - 10, t["min_gear"], 5, 2, 60, 75, byte_for_mph(55, tire, axle),
        byte_for_mph(15, tire, axle), byte_for_mph(45, tire, axle)]]
    lines.append(str(flags.get("manual", 0)))
    lines += [str(t["drive"]), str(t["driven"])]
    lines.append(str(t["psom"]))
    lines.append(str(flags.get("od_cancel", 1)))
    lines.append(str(flags.get("four_wd", 0)))
    lines.append(str(flags.get("low_range", 0)))
    lines.append(f"{flags.get('low_ratio', 0.0):f}")
    lines.append(str(flags.get("brake", 1)))
    lines.append(str(flags.get("input_sensor", 0)))
    return "\r\n".join(lines) + "\r\n"


def samples():
    by_type = {t["ttype"]: t for t in TYPES["PID2/3"]}
    return {
        "4l60e_street.gvr": legacy_sample(
            ['"1996 Chevrolet S-10, 4.3 V6', 'street tune, firmer 1-2"'], "4L60E", "",
            "Street truck", by_type["4L60E"], 1.05, dict(tire=27.0)),
        "4l80e_towing.gvr": legacy_sample(
            ['"Tow rig: 1999 K2500, 5th wheel camper"'], "4L80E", "HD", "Towing, 4WD",
            by_type["4L80E"], 1.1,
            dict(pressure=10, four_wd=1, low_range=1, low_ratio=2.72, input_sensor=1,
                 base_tps=22)),
        "aode_mustang.gvr": legacy_sample(
            ['"1993 Mustang GT AODE swap"'], "AODE", "", "AODE in a Fox body",
            by_type["4R70W"], 1.15, dict(axle=3.27, tire=25.6, manual=1, od_cancel=0)),
    }


# ---------------------------------------------------------------------------------------

def write(path, text, newline="\n"):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline=newline) as f:
        f.write(text)


def main():
    for fam_name in FAMILIES:
        folder = os.path.join(DATA, *fam_name.split("/"))
        write(os.path.join(folder, "generic.init"), generic(fam_name), "\r\n")
        for t in TYPES[fam_name]:
            write(os.path.join(folder, t["file"]), definition(fam_name, t), "\r\n")
        write(os.path.join(folder, "TransReadback.sig"), signature_file(fam_name))
    # The header lines hold no equals sign and begin with no type name, so no type takes them.
    write(os.path.join(DATA, "OldTypetoDef.map"),
          "; Transmission types of files made by the older application, and the definition\n"
          "; file (in the controller's definition folder) that their values are imported into.\n" +
          "".join(f"{k}={v}\n" for k, v in OLD_TYPE_MAP), "\r\n")
    write(os.path.join(DATA, "Package.ver"), "c\n", "\r\n")
    for name, text in samples().items():
        with open(os.path.join(DATA, "samples", name), "w", newline="") as f:
            f.write(text)


if __name__ == "__main__":
    os.makedirs(os.path.join(DATA, "samples"), exist_ok=True)
    main()
