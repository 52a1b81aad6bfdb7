#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Seeds are small: excerpts of the example scenario, its series and libraries,
of the measured weather, and files written in the formats the readers expect.
The targets that take a leading control byte get it here too, so that every
seed is a valid input of its target. Run it from the repository root after a
format changes; the output is kept in the repository.
"""
import math
import os
import random
import re
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT = os.path.join(ROOT, "fuzz", "corpus")
CRLF = "\r\n"


def read(rel):
    with open(os.path.join(ROOT, rel), "rb") as f:
        return f.read()


def head(data, lines):
    return b"".join(data.splitlines(keepends=True)[:lines])


def write(target, name, data):
    d = os.path.join(OUT, target)
    os.makedirs(d, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def scenario_seeds():
    dat = read("examples/SANDY6.DAT")
    write("fuzz_scenario", "sandy6.dat", dat)
    # The same scenario in two years: fewer weeks reach the same code faster.
    write("fuzz_scenario", "sandy6-short.dat", dat.replace(b"  312  0.50", b"  104  0.50", 1))


def series_seeds():
    env = read("examples/SANDY6.ENV")
    kinds = {"env": (0, head(env, 40)), "min": (2, read("examples/SANDY6.MIN"))}
    for name, (kind, text) in kinds.items():
        write("fuzz_series", name, bytes([kind, 1]) + text)
        write("fuzz_series", name + "-insert", bytes([kind, 140]) + text)
    brus = read("data/weather/brussels/BRUS1996.ENV")
    write("fuzz_series", "brussels-env", bytes([0, 1]) + head(brus, 30))


def library_seeds():
    for kind, name in ((0, "STARIN.SOI"), (1, "ARABLE.CRO"), (2, "MANURE.APP")):
        data = read("examples/" + name)
        write("fuzz_library", name.lower(), bytes([kind, 9]) + data)
        write("fuzz_library", name.lower() + "-last", bytes([kind | 0xC0, 12]) + data)


def par_seeds():
    lines = ["Kelmar 430 Parm File", "Nr Name        Value    BPRL    BPRU Fit"]
    values = [("ETBare", 0.5, 0, 1, 1), ("MWU", 0.75, 0, 1, 1), ("pH", 7, 1, 14, 0), ("CNM", 8.3, 0, 99, 0)]
    for i, (name, v, lo, hi, fit) in enumerate(values, 1):
        lines.append(f"{i:2d} {name:<8s} {v:8.2f}{lo:8.2f}{hi:8.2f}{fit:4d}")
    text = CRLF.join(lines) + CRLF
    write("fuzz_par", "four", b"\x0f" + text.encode())
    write("fuzz_par", "four-values", b"\x01" + text.encode())


def weather_seeds():
    # Format byte: 0 auto, 1 CSV, 2 CABO, 3 APSIM .met, 4 DSSAT .WTH; bits 3-4 the ET0 method.
    cabo = head(read("data/weather/wageningen/daily/NL1.997"), 40)
    write("fuzz_weather", "cabo", bytes([2]) + cabo)
    write("fuzz_weather", "cabo-auto", bytes([0 | 8]) + cabo)
    brus = head(read("data/weather/brussels/daily/brussels_climate.txt"), 30)
    write("fuzz_weather", "tabbed-csv", bytes([1]) + brus)
    csv = "Date;Tmin(C);Tmax(C);Prcp(mm);Rad(kJ/m2);VP(hPa);Wind(km/h)\n"
    met = ("[weather.met.weather]\nlatitude = 51.97 (DECIMAL DEGREES)\nelevation = 7\ntav = 10\n"
           "year day radn maxt mint rain vp wind\n() () (MJ/m^2) (oC) (oC) (mm) (hPa) (m/s)\n")
    wth = ("*WEATHER DATA : Wageningen\n\n@ INSI      LAT     LONG  ELEV   TAV   AMP\n"
           "  WAGE   51.970    5.670     7  10.0  14.0\n\n@DATE  SRAD  TMAX  TMIN  RAIN  WIND  VAPR\n")
    for day in range(1, 22):
        tn, tx, rain, rad, vp, u = 1.0 + day % 5, 6.0 + day % 7, (day * 7) % 11 * 0.5, 2.0 + day % 3, 0.7, 3.0
        csv += f"{day:02d}/01/1997;{tn:.1f};{tx:.1f};{rain:.1f};{rad * 1000:.0f};{vp * 10:.1f};{u * 3.6:.1f}\n"
        met += f"1997 {day} {rad} {tx:.1f} {tn:.1f} {rain:.1f} {vp * 10:.1f} {u}\n"
        wth += f"{1997 * 1000 + day} {rad} {tx:.1f} {tn:.1f} {rain:.1f} {u * 86.4:.1f} {vp}\n"
    write("fuzz_weather", "semicolon-csv", bytes([1 | 16]) + csv.encode())
    write("fuzz_weather", "apsim-met", bytes([3]) + met.encode())
    write("fuzz_weather", "dssat-wth", bytes([4 | 24]) + wth.encode())


def ini_seeds():
    text = CRLF.join([
        "[Kelmar Options]", "Version=4.59", "SoilFile=/data/STARIN.SOI", "CropFile=ARABLE.CRO",
        "ApplFile=MANURE.APP", "DataFile=/data/SANDY6.DAT", "PrntType=1", "KelmOpti=$8130",
        "CorrOpti=1", "CorrRng1=10", "CorrRng2=20", "GraphPrintScale=100", "KelmOpt2=0x0003", "",
        "[Price Options]", "Targets=111110000", "Weight1=1.00", "Weight2=2.50", "Weight3=0.01",
        "Weight4=100.00", "Weight5=1.00", "Weight6=1.00", "Weight7=1.00", "Weight8=1.00", "Weight9=1.00",
        "QTType=2", "AutoWeigh=1", "KeepOM=0", "NIterPSet=6", "Ftol=0.001", "",
        "[MultiRun Options]", "SummItems=" + "1" * 20 + "0" * 40 + "1" * 16, "EnviDir=/data/env",
        "Overwrite=1", "SaveRslts=0", "",
        "[Parameter Options]", "Value=1", "BPRL=0", "BPRU=1", "Fit=1", "",
        "[Window Position]", "TMainForm=200,153,640,481,0", "TGraphForm=10,10,300,200,2", ""])
    write("fuzz_ini", "all-sections.ini", text)
    write("fuzz_ini", "unix-odd.ini", "[kelmar options]\nCorrOpti=7\nGraphPrintScale=49\n"
          "[ Price Options ]\nweight3=nan\nFtol=-1\n")


def price_state_text(state, rng):
    # Two fitted parameters (ETBare and MWU, both 0..1), ten sets each.
    nparms, nsets, rows = 2, 20, 10
    sets = []
    for _ in range(nsets):
        p = [rng.random() for _ in range(nparms)]
        qt = [rng.random() for _ in range(9)]
        sets.append((p, [sum(qt[:5])] + qt))
    lines = ["Kelmar 459 PStt File", "State NParms NSets", f"{state} {nparms} {nsets}",
             "StepCount Iterations Retries Turn SetsDone Runs Random",
             f"{nsets + 3} 1 0 1 {nsets} {nsets + 3} 12345",
             "Targets QTType AutoWeigh KeepOM NIterPSet Ftol", "111110000 0 0 1 6 0.00100000005",
             "Weight", " ".join(["1"] * 9), "AutoWeight", " ".join(["1"] * 9),
             "Parameters: number lower upper live", "1 0 1 0.5", "2 0 1 0.75",
             "Sets: values, then QT0..QT9"]
    g = lambda v: f"{v:.9g}"
    for p, qt in sets:
        lines.append(" ".join(g(v) for v in p + qt))
    lines.append("QT statistics: min max sum sumsq avg lowset highset")
    for k in range(rows):
        col = [qt[k] for _, qt in sets]
        lo = min(range(nsets), key=lambda s: col[s]) + 1
        hi = max(range(nsets), key=lambda s: col[s]) + 1
        lines.append(" ".join([g(min(col)), g(max(col)), g(sum(col)), g(sum(v * v for v in col)),
                               g(sum(col) / nsets), str(lo), str(hi)]))
    lines.append("Parameter statistics: min max sum sumsq")
    for j in range(nparms):
        col = [p[j] for p, _ in sets]
        lines.append(" ".join([g(min(col)), g(max(col)), g(sum(col)), g(sum(v * v for v in col))]))
    return CRLF.join(lines) + CRLF


def price_seeds():
    rng = random.Random(7)
    write("fuzz_price", "initialised", b"\x00" + price_state_text(4, rng).encode())
    write("fuzz_price", "initialised-go-on", b"\x83" + price_state_text(4, rng).encode())
    write("fuzz_price", "iterated-go-on", b"\x85" + price_state_text(8, rng).encode())


def summary_items():
    src = read("src/core/report/Summary.h").decode()
    block = src[src.index("kSummaryItems{{"):]
    return [(n, int(d)) for n, d in re.findall(r'\{"([^"]*)", (\d+)\}', block)][:76]


def sum_text(rng, lines, name="SANDY6"):
    items = summary_items()
    out = ["Kelmar 459 Summ File", "/data/", "/data/env/",
           "Scenario             Environment          Year   Week   Weeks " + "".join(" " + n.ljust(6) for n, _ in items)]
    for i in range(lines):
        t = f"{name:<21s}{'SANDY6':<21s}{1 + i:6d} {1:6d} {312:6d}"
        for _, d in items:
            t += " " + f"{rng.uniform(0, 500):6.{d}f}"[-6:].rjust(6)
        out.append(t)
    return CRLF.join(out) + CRLF


def sum_seeds():
    rng = random.Random(3)
    write("fuzz_sum", "plain", b"\x02" + sum_text(rng, 3).encode())
    shard = lambda s, runs: f"Kelmar MultiRun shard {s} of 2, 4 runs, complete{CRLF}" + "".join(f"{r}{CRLF}" for r in runs)
    joined = sum_text(rng, 2, "PART1") + "\f" + shard(1, [1, 3]) + "\f" + sum_text(rng, 2, "PART2") + "\f" + shard(2, [2, 4])
    write("fuzz_sum", "two-shards", b"\x01" + joined.encode())
    write("fuzz_sum", "concatenate", b"\x00" + (sum_text(rng, 1) + "\f\f" + sum_text(rng, 2)).encode())


def pstr(s, cap):
    s = s.encode()[:cap]
    return bytes([len(s)]) + s + bytes(cap - len(s))


def graph_record(title, rng):
    r = pstr(title, 79) + pstr("Week", 32) + pstr("kg N/ha", 32) + bytes(2)
    r += struct.pack("<I", 0x000000) + struct.pack("<4f", 0, 520, 0, 200)
    r += bytes([1, 0, 1, 2]) + struct.pack("<II", 0xC0C0C0, 0xFFFFFF)
    r += pstr("Arial", 32) + bytes(3) + struct.pack("<i", 10) + bytes([1]) + bytes(3) + struct.pack("<I", 0)
    for k in range(4):
        s = bytes([1 if k < 2 else 0]) + pstr(f"Series {k + 1}", 32) + bytes([1, 0])
        s += struct.pack("<i", 1 + k) + bytes([k]) + bytes(3) + struct.pack("<I", rng.randrange(1 << 24))
        s += bytes([k % 2]) + bytes(3) + struct.pack("<i", 3) + bytes([k]) + bytes(3)
        s += struct.pack("<I", rng.randrange(1 << 24)) + bytes([1]) + bytes(3)
        assert len(s) == 68
        r += s
    assert len(r) == 500, len(r)
    return r


def graph_seeds():
    rng = random.Random(11)
    one = pstr("zkGraph101 Grph Cust", 20) + graph_record("Mineral N", rng)
    write("fuzz_graph_setup", "one.GSU", one)
    every = pstr("Kelmar 421 Grph Cust", 20) + b"".join(graph_record(f"Graph {k}", rng) for k in range(11))
    write("fuzz_graph_setup", "all.GSA", every)


def model_seeds():
    dat = read("examples/SANDY6.DAT").replace(b"  312  0.50", b"  104  0.50", 1)
    env = head(read("examples/SANDY6.ENV"), 6 + 104)
    mineral = read("examples/SANDY6.MIN")
    write("fuzz_model", "sandy6-2yr", b"\x00" + dat + b"\f" + env + b"\f" + mineral)
    write("fuzz_model", "sandy6-2yr-repeat", b"\x2b" + dat + b"\f" + env + b"\f" + mineral)
    write("fuzz_model", "sandy6-no-env", b"\xc6" + dat)


for f in (scenario_seeds, series_seeds, library_seeds, par_seeds, weather_seeds, ini_seeds, price_seeds,
          sum_seeds, graph_seeds, model_seeds):
    f()


# --- Dictionaries ------------------------------------------------------------
# The identifiers, section names, column headers and keywords of each format,
# gathered from the seeds (words with letters in them) and listed by hand.

EXTRA = {
    "fuzz_scenario": ["Kelmar 459 Data File", "Kelmar 420 Data File", "Kelmar 410 Data File",
                      "Kelmar 403 Data File", "Kelmar 400 Data File", "PARAMETERS", "WATERTABLE", "SOIL",
                      "CROPS", "APPLICATIONS", "NMIN", "------"],
    "fuzz_series": ["Kelmar 400 Envi File", "Kelmar 400 Irri File", "Kelmar 400 Nmin File",
                    "Kelmar 430 OMon File", "Year  week weeks", "  wk    Tc  Rain   ET0", "  wk   Ni1   Ni2"],
    "fuzz_library": ["Kelmar 459 Soil File", "Kelmar 459 Crop File", "Kelmar 459 Appl File"],
    "fuzz_par": ["Kelmar 430 Parm File"],
    "fuzz_weather": ["[weather.met.weather]", "latitude =", "tav =", "amp =", "*WEATHER DATA :", "@DATE",
                     "@ INSI", "SRAD", "TMAX", "TMIN", "RAIN", "WIND", "VAPR", "Tmin(C)", "Tmax(C)",
                     "Prcp(mm)", "Et0(mm)", "-99", "-99.9", "-9999"],
    "fuzz_ini": ["[Kelmar Options]", "[Price Options]", "[MultiRun Options]", "[Parameter Options]",
                 "[Window Position]", "0x", "$", "nan", "inf", "1e39", "-0", "=", "\r\n"],
    "fuzz_price": ["Kelmar 459 PStt File", "State NParms NSets",
                   "StepCount Iterations Retries Turn SetsDone Runs Random",
                   "Targets QTType AutoWeigh KeepOM NIterPSet Ftol", "Weight", "AutoWeight",
                   "Parameters: number lower upper live", "Sets: values, then QT0..QT9",
                   "QT statistics: min max sum sumsq avg lowset highset",
                   "Parameter statistics: min max sum sumsq", "inf", "nan", "1e38", "4294967295"],
    "fuzz_sum": ["Kelmar 459 Summ File", "Kelmar MultiRun shard ", " of ", " runs, ", "complete", "incomplete",
                 "\f", "\r\n"],
    "fuzz_model": ["Kelmar 459 Data File", "Kelmar 400 Envi File", "Kelmar 400 Nmin File", "Kelmar 400 Irri File",
                   "Kelmar 430 OMon File", "PARAMETERS", "WATERTABLE", "SOIL", "APPLICATIONS", "\f", "9999",
                   "-1", "0.00", "1e30"],
}


def dict_escape(word):
    out = ""
    for b in word.encode("latin-1"):
        c = chr(b)
        out += c if 32 <= b < 127 and c not in '"\\' else f"\\x{b:02X}"
    return f'"{out}"'


def write_dicts():
    d = os.path.join(ROOT, "fuzz", "dict")
    os.makedirs(d, exist_ok=True)
    for target in sorted(os.listdir(OUT)):
        words = set(EXTRA.get(target, []))
        for fn in os.listdir(os.path.join(OUT, target)):
            text = open(os.path.join(OUT, target, fn), "rb").read()[1:].decode("latin-1")
            for w in re.findall(r"[A-Za-z][A-Za-z0-9_().%/\[\]-]{2,24}", text):
                words.add(w)
        if target == "fuzz_graph_setup":
            words = {"\x14Kelmar 421 Grph Cust", "\x14zkGraph101 Grph Cust", "\x00\x00\x00\x00",
                     "\xff\xff\xff\xff", "\x00\x00\x80\x7f", "\x00\x00\xc0\x7f", "\x20", "\x4f", "\x50"}
        with open(os.path.join(d, target + ".dict"), "w") as f:
            f.write("# Identifiers and keywords of the format, made by fuzz/tools/make_corpus.py.\n")
            for i, w in enumerate(sorted(words)[:400]):
                f.write(f"kw{i}={dict_escape(w)}\n")


write_dicts()
