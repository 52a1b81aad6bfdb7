#!/usr/bin/env python3
"""Writes the bundled example data of Kelmar.

The example is a six-year arable rotation on a sandy soil in a temperate
maritime climate (comparable to the south-east of the Netherlands):

  year 1  ware potatoes (cattle slurry, ploughing, CAN)
  year 1-2 winter wheat (CAN twice, straw incorporated)
  year 2-3 yellow mustard as green manure, incorporated in March
  year 3  sugar beet (pig slurry, ploughing, CAN; leaves left on the field)
  year 4  spring barley (CAN; straw removed)
  year 4-5 grass-clover ley (N fixation; cut and removed, ploughed in November)
  year 6  silage maize (cattle slurry, CAN)

Files written into the examples directory:
  SANDY6.DAT  the scenario             SANDY6.ENV  weekly weather, 6 years
  STARIN.SOI  soil library             ARABLE.CRO  crop library
  MANURE.APP  application library
The measured mineral N (SANDY6.MIN) is made by make_measurements.py from a
model run, so that it is consistent with the model.

The weather is not measured: it is drawn from a seeded stochastic generator
whose weekly means follow the seasonal course of a temperate site (weekly
mean temperature from about 2 degC in January to 18 degC in July, 780 mm rain
a year spread over the seasons, Makkink reference evapotranspiration of about
2 mm a week in winter and 25 mm a week in June and July). Run it again to get
the same files: `python3 examples/tools/make_examples.py`.
"""
import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.dirname(HERE)
CRLF = "\r\n"


def fr(v, w, d):
    return "%*.*f" % (w, d, v)


def fi(v, w):
    return "%*d" % (w, v)


class Line:
    """Fields of one line; a number that fills its field gets a blank in front."""

    def __init__(self):
        self.s = ""

    def num(self, text):
        if text and text[0] != " " and self.s and self.s[-1] != " ":
            self.s += " "
        self.s += text
        return self

    def r(self, v, w, d):
        return self.num(fr(v, w, d))

    def i(self, v, w):
        return self.num(fi(v, w))

    def t(self, text):
        self.s += text
        return self

    def name(self, n):
        self.s += n[:20].rjust(20)
        return self


def write(name, lines):
    with open(os.path.join(OUT, name), "w", newline="") as f:
        f.write(CRLF.join(lines) + CRLF)


def header(ident, title, path):
    return [ident + "    " + title.lstrip()[:20].ljust(20) + "    ", path]


# ---------------------------------------------------------------- weather
def weather(years, seed=1996):
    rnd = random.Random(seed)
    rows = []
    for y in range(years):
        for wk in range(1, 53):
            phase = 2 * math.pi * (wk - 16.5) / 52
            tc = 10.0 + 8.3 * math.sin(phase) + rnd.gauss(0, 1.8)
            # Rain: wetter late summer and autumn, about a quarter of the weeks (nearly) dry.
            mean_rain = 15.0 + 3.5 * math.sin(2 * math.pi * (wk - 22) / 52)
            rain = 0.0 if rnd.random() < 0.18 else rnd.gammavariate(1.6, mean_rain / 1.6 / 0.82)
            et0 = 13.0 + 11.5 * math.sin(2 * math.pi * (wk - 13.5) / 52)
            et0 = max(0.8, et0 * (1.0 + rnd.gauss(0, 0.15)) - (0.15 * rain if rain > 25 else 0))
            rows.append((round(tc, 1) + 0.0, round(rain, 1) + 0.0, round(et0, 1) + 0.0))  # no "-0.0"
    return rows


def write_env():
    rows = weather(6)
    lines = header("Kelmar 400 Envi File", "Sandy site 6 yr", "SANDY6.ENV")
    lines += ["Year  week weeks", fi(1, 4) + fi(1, 6) + fi(len(rows), 6), "  wk    Tc  Rain   ET0", "-" * 70]
    for k, (tc, rain, et0) in enumerate(rows, 1):
        lines.append(Line().r(k, 4, 0).r(tc, 6, 1).r(rain, 6, 1).r(et0, 6, 1).s)
    write("SANDY6.ENV", lines)


# ---------------------------------------------------------------- soils
# name, THL, IFi, NMIN, SMO, GAM, CRc, CRx, Text, NLF, FI, BPF
SOILS = [
    ("fine sand", 0.364, 0.029, 99.17, 22.37, 1.00, 1.00, 35.0, 0.00),
    ("coarse sand", 0.340, 0.036, 80.00, 18.00, 1.00, 1.00, 40.0, 0.00),
    ("loamy fine sand", 0.380, 0.025, 110.00, 25.00, 0.95, 0.95, 30.0, 0.02),
    ("peaty sand", 0.450, 0.022, 105.00, 24.00, 1.05, 0.90, 30.0, 0.05),
    ("sandy loam", 0.400, 0.020, 130.00, 30.00, 0.90, 0.90, 25.0, 0.05),
    ("silt loam", 0.440, 0.016, 160.00, 38.00, 0.85, 0.85, 20.0, 0.10),
    ("clay loam", 0.480, 0.014, 150.00, 35.00, 0.75, 0.80, 15.0, 0.20),
]


def write_soils():
    lines = ["Kelmar 459 Soil File    Standard soils", fi(len(SOILS), 20) + "   SMO   GAM   CRc   CRx  Text   NLF    FI   BPF"]
    for n, smo, gam, crc, crx, text, nlf, fi_, bpf in SOILS:
        lines.append(Line().name(n).r(smo, 6, 2).r(gam, 6, 3).r(crc, 6, 1).r(crx, 6, 1).r(text, 6, 2)
                     .r(nlf, 6, 2).r(fi_, 6, 1).r(bpf, 6, 2).s)
    write("STARIN.SOI", lines)


# ---------------------------------------------------------------- crops
# Each crop: name, YEAR, WEEK1..4, PRODi, DM%, NFIXi, DMdistr(3), N%dm(3), Applied(2), InitAge(3), ETMAX,
# DM% RESI, planting QUANT, DM%, N%dm, P2O5%(2), K2O%(2), planting P2O5%, K2O%, RDepth, Code
def crop(name, year, w1, w2, w3, w4, prod, dm, nfix, dist, npct, applied, age, etmax, dmresi, plant, p2o5, k2o,
         pp, pk, rdepth, code):
    return dict(name=name, year=year, w=(w1, w2, w3, w4), prod=prod, dm=dm, nfix=nfix, dist=dist, npct=npct,
                applied=applied, age=age, etmax=etmax, dmresi=dmresi, plant=plant, p2o5=p2o5, k2o=k2o, pp=pp, pk=pk,
                rdepth=rdepth, code=code)


ROTATION = [
    crop("ware potatoes", 1, 16, 25, 34, 38, 50000, 22.0, 0, (0.75, 0.15, 0.10), (1.40, 2.50, 1.50), (0.0, 1.0),
         (1.00, 1.00, 1.20), 1.10, 15.0, (2500, 22.0, 1.40), (0.60, 0.50), (2.40, 3.00), 0.60, 2.40, 60, 1),
    crop("winter wheat", 1, 43, 73, 82, 84, 9000, 85.0, 0, (0.45, 0.40, 0.15), (1.90, 0.60, 1.00), (0.0, 1.0),
         (1.00, 1.30, 1.20), 1.05, 85.0, (180, 85.0, 1.90), (0.80, 0.20), (0.55, 1.40), 0.80, 0.55, 100, 2),
    crop("yellow mustard GM", 2, 35, 45, 50, 62, 20000, 15.0, 0, (0.80, 0.00, 0.20), (3.00, 0.00, 2.00), (1.0, 0.0),
         (0.80, 0.80, 1.00), 1.00, 15.0, (10, 90.0, 4.00), (0.90, 0.00), (3.50, 0.00), 1.50, 1.00, 80, 6),
    crop("sugar beet", 3, 14, 27, 40, 43, 70000, 23.0, 0, (0.70, 0.22, 0.08), (0.70, 2.20, 1.20), (0.0, 1.0),
         (1.00, 0.80, 1.20), 1.15, 14.0, (3, 90.0, 3.00), (0.40, 0.70), (0.90, 4.50), 1.00, 1.00, 120, 3),
    crop("spring barley", 4, 12, 22, 30, 32, 6500, 85.0, 0, (0.45, 0.42, 0.13), (1.60, 0.60, 1.00), (0.0, 0.0),
         (1.00, 1.30, 1.20), 1.00, 85.0, (140, 85.0, 1.80), (0.80, 0.20), (0.55, 1.60), 0.80, 0.55, 80, 2),
    crop("grass-clover", 4, 34, 70, 92, 96, 45000, 20.0, 200, (0.60, 0.15, 0.25), (3.20, 3.00, 2.00), (0.0, 1.0),
         (1.00, 1.00, 1.50), 1.00, 20.0, (25, 90.0, 4.00), (0.80, 0.80), (3.20, 3.20), 1.00, 1.00, 70, 4),
    crop("silage maize", 6, 17, 28, 37, 39, 45000, 32.0, 0, (0.85, 0.05, 0.10), (1.20, 1.00, 1.00), (0.0, 1.0),
         (1.00, 1.00, 1.20), 1.10, 30.0, (25, 88.0, 1.80), (0.55, 0.40), (1.30, 1.50), 0.80, 0.50, 100, 5),
]

LIBRARY_CROPS = ROTATION[:2] + [
    crop("starch potatoes", 1, 17, 26, 38, 42, 45000, 24.0, 0, (0.78, 0.13, 0.09), (1.20, 2.40, 1.50), (0.0, 1.0),
         (1.00, 1.00, 1.20), 1.10, 15.0, (2200, 22.0, 1.30), (0.55, 0.50), (2.30, 3.00), 0.60, 2.40, 60, 1),
] + ROTATION[2:] + [
    crop("winter rye GM", 1, 41, 66, 70, 68, 15000, 18.0, 0, (0.75, 0.00, 0.25), (2.40, 0.00, 1.50), (1.0, 0.0),
         (0.90, 0.90, 1.10), 0.90, 18.0, (120, 85.0, 1.80), (0.80, 0.00), (2.80, 0.00), 0.80, 0.55, 70, 6),
    crop("field beans", 1, 12, 22, 32, 35, 4500, 85.0, 150, (0.40, 0.40, 0.20), (4.50, 1.20, 2.00), (0.0, 1.0),
         (1.00, 1.00, 1.20), 1.05, 85.0, (220, 85.0, 4.00), (1.20, 0.30), (1.40, 1.60), 1.20, 1.40, 80, 4),
    crop("winter oilseed rape", 1, 35, 66, 79, 81, 4000, 91.0, 0, (0.30, 0.55, 0.15), (3.20, 0.80, 1.20),
         (0.0, 1.0), (1.00, 1.30, 1.20), 1.10, 85.0, (5, 92.0, 3.50), (1.60, 0.30), (1.00, 2.00), 1.60, 1.00, 100, 2),
]


def crop_tables(crops):
    n = len(crops)
    t = []
    t.append("CROPS:                      sow  fcov  ripe  harv   kg/ha      kgN/ha")
    t.append(fi(n, 20) + "  YEAR WEEK1 WEEK2 WEEK3 WEEK4  PRODi   DM% NFIXi")
    for c in crops:
        ln = Line().name(c["name"]).i(c["year"], 6)
        for w in c["w"]:
            ln.i(w, 6)
        t.append(ln.r(c["prod"], 7, 0).r(c["dm"], 6, 1).r(c["nfix"], 6, 0).s)
    t.append("CROPS:                DMdistr [-]       N%dm              Applied")
    t.append(fi(n, 20) + "  PROD  RESI  ROOT  PROD  RESI  ROOT  PROD  RESI")
    for c in crops:
        ln = Line().name(c["name"])
        for v in c["dist"] + c["npct"] + c["applied"]:
            ln.r(v, 6, 2)
        t.append(ln.s)
    t.append("CROPS:                Initial Age      [-]    DM%  Planting")
    t.append(fi(n, 20) + "  PROD  RESI  ROOT ETMAX  RESI QUANT   DM%  N%dm")
    for c in crops:
        ln = Line().name(c["name"])
        for v in c["age"]:
            ln.r(v, 6, 2)
        q, pdm, pn = c["plant"]
        t.append(ln.r(c["etmax"], 6, 2).r(c["dmresi"], 6, 1).r(q, 6, 0).r(pdm, 6, 1).r(pn, 6, 2).s)
    t.append("CROPS:                P2O5%       K2O%       Planting    [cm]   Crop")
    t.append(fi(n, 20) + "  PROD  RESI  PROD  RESI P2O5%  K2O% RDepth Code")
    for c in crops:
        ln = Line().name(c["name"])
        for v in c["p2o5"] + c["k2o"] + (c["pp"], c["pk"]):
            ln.r(v, 6, 2)
        t.append(ln.r(c["rdepth"], 6, 0).i(c["code"], 6).s)
    return t


def write_crop_library():
    lines = ["Kelmar 459 Crop File    Arable crops",
             fi(len(LIBRARY_CROPS), 20) + "  YEAR WEEK1..4 PRODi DM% NFIXi DMdistr N%dm Applied Age ETMAX ... RDepth Code"]
    for c in LIBRARY_CROPS:
        ln = Line().name(c["name"]).i(c["year"], 6)
        for w in c["w"]:
            ln.i(w, 6)
        ln.r(c["prod"], 7, 0).r(c["dm"], 6, 1).r(c["nfix"], 6, 0)
        for v in c["dist"] + c["npct"] + c["applied"] + c["age"]:
            ln.r(v, 6, 2)
        q, pdm, pn = c["plant"]
        ln.r(c["etmax"], 6, 2).r(c["dmresi"], 6, 1).r(q, 6, 0).r(pdm, 6, 1).r(pn, 6, 2)
        for v in c["p2o5"] + c["k2o"] + (c["pp"], c["pk"]):
            ln.r(v, 6, 2)
        lines.append(ln.r(c["rdepth"], 6, 0).i(c["code"], 6).s)
    write("ARABLE.CRO", lines)


# ---------------------------------------------------------------- applications
# name, ACT, YR, WK, QUANT, DM%, OM%dm, N%dm, IAGE, P2O5%, K2O%, Nmin%
# ACT: 1 organic application, 2 cultivation, 3 initial organic matter, 4 fertiliser.
APPLICATIONS = [
    ("Old Organic Matter", 3, 1, 1, 100000, 100.0, 100.0, 5.80, 24.00, 0.00, 0.00, 0.00),
    ("Young Organic Matter", 3, 1, 1, 10000, 100.0, 100.0, 4.00, 4.00, 0.00, 0.00, 0.00),
    ("Fresh Organic Matter", 3, 1, 1, 3000, 100.0, 100.0, 3.00, 1.41, 0.00, 0.00, 0.00),
    ("cattle slurry", 1, 1, 14, 25000, 9.0, 70.0, 5.00, 1.50, 1.90, 6.50, 2.60),
    ("ploughing", 2, 1, 15, 1500, 100.0, 100.0, 5.00, 6.00, 0.00, 0.00, 0.00),
    ("CAN 27% N", 4, 1, 18, 300, 100.0, 0.0, 27.00, 1.00, 0.00, 0.00, 27.00),
    ("ploughing", 2, 1, 42, 1000, 100.0, 100.0, 5.00, 6.00, 0.00, 0.00, 0.00),
    ("CAN 27% N", 4, 2, 10, 400, 100.0, 0.0, 27.00, 1.00, 0.00, 0.00, 27.00),
    ("CAN 27% N", 4, 2, 17, 200, 100.0, 0.0, 27.00, 1.00, 0.00, 0.00, 27.00),
    ("pig slurry", 1, 3, 12, 20000, 6.0, 65.0, 12.00, 1.20, 6.70, 8.30, 7.00),
    ("ploughing", 2, 3, 11, 1000, 100.0, 100.0, 5.00, 6.00, 0.00, 0.00, 0.00),
    ("CAN 27% N", 4, 3, 13, 200, 100.0, 0.0, 27.00, 1.00, 0.00, 0.00, 27.00),
    ("CAN 27% N", 4, 4, 12, 250, 100.0, 0.0, 27.00, 1.00, 0.00, 0.00, 27.00),
    ("ploughing grass", 2, 5, 45, 2500, 100.0, 100.0, 5.00, 5.00, 0.00, 0.00, 0.00),
    ("cattle slurry", 1, 6, 15, 35000, 9.0, 70.0, 5.00, 1.50, 1.90, 6.50, 2.60),
    ("CAN 27% N", 4, 6, 16, 200, 100.0, 0.0, 27.00, 1.00, 0.00, 0.00, 27.00),
]

LIBRARY_APPLICATIONS = APPLICATIONS[3:6] + [APPLICATIONS[9], APPLICATIONS[13]] + [
    ("solid cattle manure", 1, 1, 44, 25000, 22.0, 75.0, 2.60, 2.00, 1.60, 3.60, 0.40),
    ("poultry manure", 1, 1, 12, 4000, 55.0, 65.0, 4.50, 1.30, 3.90, 2.90, 0.90),
    ("compost", 1, 1, 40, 15000, 60.0, 35.0, 1.50, 5.00, 0.90, 1.20, 0.05),
    ("urea 46% N", 4, 1, 12, 200, 100.0, 0.0, 46.00, 1.00, 0.00, 0.00, 46.00),
    ("NPK 12-10-18", 4, 1, 12, 500, 100.0, 0.0, 12.00, 1.00, 10.00, 18.00, 12.00),
    ("rotary harrow", 2, 1, 16, 500, 100.0, 100.0, 5.00, 6.00, 0.00, 0.00, 0.00),
]


def app_line(a):
    n, act, yr, wk, q, dm, om, npct, iage, p, k, nmin = a
    return (Line().name(n).i(act, 3).i(yr, 4).i(wk, 4).r(q, 7, 0).r(dm, 6, 1).r(om, 6, 1).r(npct, 6, 2)
            .r(iage, 6, 2).r(p, 6, 2).r(k, 6, 2).r(nmin, 6, 2).s)


def write_appl_library():
    lines = ["Kelmar 459 Appl File    Manures and fertilisers",
             fi(len(LIBRARY_APPLICATIONS), 20) + " ACT YR  WK  QUANT   DM% OM%dm  N%dm  IAGE  P2O5% K2O% Nmin%"]
    lines += [app_line(a) for a in LIBRARY_APPLICATIONS]
    write("MANURE.APP", lines)


# ---------------------------------------------------------------- scenario
def write_scenario():
    lines = header("Kelmar 459 Data File", "Sandy rotation 6 yr", "SANDY6.DAT")
    lines += ["SANDY6.ENV", "-" * 70, "PARAMETERS",
              " Year Week Weeks ETbare  MWU    pH   CNM   ADM  NDep NFix0   DN0   DNF"]
    lines.append(Line().i(1, 5).i(1, 5).i(312, 6).r(0.50, 6, 2).r(0.75, 6, 2).r(5.50, 6, 2).r(8.30, 6, 2)
                 .r(0.50, 6, 2).r(25.0, 6, 1).r(10.0, 6, 1).r(25.0, 6, 1).r(0.10, 6, 2).s)
    lines.append("P2O5Dep K2ODep oOM2  oNc2 oAge2  DN02  DNF2")
    lines.append(Line().r(2.0, 6, 1).r(6.0, 6, 1).r(40000, 7, 0).r(4.50, 6, 2).r(24.0, 6, 2).r(50.0, 6, 1)
                 .r(0.30, 6, 2).s)
    lines += ["WATERTABLE", "  Week   GWT   NGW"]
    lines.append(Line().r(10, 6, 0).r(100.0, 6, 1).r(10.0, 6, 2).s)
    lines.append(Line().r(36, 6, 0).r(190.0, 6, 1).r(15.0, 6, 2).s)
    layers = [("fine sand", 30, 100, 30.0) + SOILS[0][1:], ("coarse sand", 60, 100, 15.0) + SOILS[1][1:]]
    lines.append("SOIL")
    lines.append(fi(2, 20) + "   THL   IFi  NMIN   SMO   GAM   CRc   CRx")
    for n, thl, ifi, nmin, smo, gam, crc, crx, *_ in layers:
        lines.append(Line().name(n).r(thl, 6, 0).r(ifi, 6, 0).r(nmin, 6, 1).r(smo, 6, 2).r(gam, 6, 3).r(crc, 6, 1)
                     .r(crx, 6, 1).s)
    lines.append(fi(2, 20) + "  Text   NLF    FI   BPF")
    for n, *_, text, nlf, fi_, bpf in layers:
        lines.append(Line().name(n).r(text, 6, 2).r(nlf, 6, 2).r(fi_, 6, 1).r(bpf, 6, 2).s)
    lines += crop_tables(ROTATION)
    lines.append("APPLICATIONS")
    lines.append(fi(len(APPLICATIONS), 20) + " ACT YR  WK  QUANT   DM% OM%dm  N%dm  IAGE  P2O5% K2O% Nmin%")
    lines += [app_line(a) for a in APPLICATIONS]
    write("SANDY6.DAT", lines)


if __name__ == "__main__":
    write_env()
    write_soils()
    write_crop_library()
    write_appl_library()
    write_scenario()
