"""Runs `quervik-batch contours` on generated terrains and reads its files
back with real readers: ezdxf (the drawing's structure, its audit, header,
layers, polylines and labels), GDAL's ogrinfo (one feature per polyline with
its elevation, in the DXF and in the GeoJSON file) and LibreCAD's dxf2pdf
(the drawing renders, in both layer colours). Also the tool's output and its
refusals."""
import io
import logging
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zlib

try:
    import ezdxf
except ImportError:
    sys.exit("ezdxf fehlt: apt-get install python3-ezdxf")
for tool, package in (("ogrinfo", "gdal-bin"), ("librecad", "librecad")):
    if not shutil.which(tool):
        sys.exit("%s fehlt: apt-get install %s" % (tool, package))

failures = []
checks = 0


def check(cond, what):
    global checks
    checks += 1
    if not cond:
        failures.append(what)


# UTM-like coordinates: 7 digits before the point, millimetres must survive.
X0, Y0 = 512345.678, 5401234.567


def write_obj(path, nx, ny, height):
    with open(path, "w") as f:
        for j in range(ny + 1):
            for i in range(nx + 1):
                f.write("v %r %r %r\n" % (X0 + i, Y0 + j, height(i, j)))
        for j in range(ny):
            for i in range(nx):
                a = j * (nx + 1) + i + 1
                f.write("f %d %d %d\nf %d %d %d\n" % (a, a + 1, a + nx + 2, a, a + nx + 2, a + nx + 1))


def hills(i, j):
    return 120 + 15 * math.sin(i * 0.21) * math.cos(j * 0.17) + 0.4 * i


def batch(tool, *args):
    return subprocess.run([tool, "contours", *args], capture_output=True, text=True)


def pairs(path):
    """The (group code, value) pairs of a DXF file; every line ends with CR LF."""
    data = open(path, "rb").read().decode("ascii")
    check(data.endswith("\r\n") and "\n" not in data.replace("\r\n", ""), "CR LF line ends")
    lines = data.split("\r\n")[:-1]
    return [(int(lines[k]), lines[k + 1]) for k in range(0, len(lines) - 1, 2)]


def check_structure(path):
    """Handles unique, owners known, $HANDSEED above every handle."""
    p = pairs(path)
    at = p.index((9, "$HANDSEED")) + 1
    seed = p[at][1]
    handles = [v for k, (c, v) in enumerate(p) if c in (5, 105) and k != at]
    check(len(handles) == len(set(handles)), "handles unique")
    check(int(seed, 16) > max(int(h, 16) for h in handles), "handle seed above every handle")
    owners = {v for c, v in p if c == 330}
    check(owners <= set(handles) | {"0"}, "every owner exists: %s" % (owners - set(handles)))
    check([v for c, v in p if c == 0][-1] == "EOF", "ends with EOF")
    # What AutoCAD needs in a drawing of 2000 or later, whether or not a
    # lenient reader would make it up: every table with its standard
    # entries, both spaces as block records and blocks, the group dictionary.
    named = set()
    for k, (c, v) in enumerate(p):
        if c == 0 and k + 1 < len(p):
            names = [w for c2, w in p[k + 1:k + 12] if c2 == 2]
            named.add((v, names[0] if names else ""))
    required = {("TABLE", t) for t in ("VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID",
                                       "DIMSTYLE", "BLOCK_RECORD")}
    required |= {("VPORT", "*ACTIVE"), ("LTYPE", "ByBlock"), ("LTYPE", "ByLayer"),
                 ("LTYPE", "Continuous"), ("LAYER", "0"), ("STYLE", "Standard"), ("APPID", "ACAD"),
                 ("DIMSTYLE", "Standard"), ("BLOCK_RECORD", "*Model_Space"),
                 ("BLOCK_RECORD", "*Paper_Space"), ("BLOCK", "*Model_Space"), ("BLOCK", "*Paper_Space")}
    check(required <= named, "missing: %s" % sorted(required - named))
    check((3, "ACAD_GROUP") in p, "group dictionary")


def read_dxf(path):
    """The document, after checking that ezdxf reads it without a warning and
    its audit finds nothing to fix and no error."""
    log = io.StringIO()
    handler = logging.StreamHandler(log)
    handler.setLevel(logging.WARNING)
    logging.getLogger("ezdxf").addHandler(handler)
    try:
        doc = ezdxf.readfile(path)
    finally:
        logging.getLogger("ezdxf").removeHandler(handler)
    check(log.getvalue() == "", "ezdxf warnings: %s" % log.getvalue())
    auditor = doc.audit()
    check(not auditor.has_errors, "audit errors: %s" % [e.message for e in auditor.errors])
    check(not auditor.has_fixes, "audit fixes: %s" % [e.message for e in auditor.fixes])
    return doc


def ogr_features(path):
    """ogrinfo's features: (layer, text, geometry kind, coordinates)."""
    out = subprocess.run(["ogrinfo", "-ro", "-al", path], capture_output=True, text=True)
    check(out.returncode == 0, "ogrinfo %s: %s" % (path, out.stderr))
    features = []
    for line in out.stdout.splitlines():
        if line.startswith("OGRFeature("):
            features.append({})
        elif features and "=" in line and line.startswith("  ") and " (" in line:
            name, value = line.strip().split(" = ", 1) if " = " in line else (line.strip(), "")
            features[-1][name.split(" (")[0]] = value
        elif features and re.match(r"  (LINESTRING|POINT) Z \(", line):
            kind, coords = line.strip().split(" Z (", 1)
            features[-1]["kind"] = kind
            features[-1]["coords"] = [tuple(map(float, c.split())) for c in coords.rstrip(")").split(",")]
    return features


def main():
    tool = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="quervik-contours-") as d:
        terrain = os.path.join(d, "gelaende.obj")
        write_obj(terrain, 80, 60, hills)
        r = batch(tool, terrain, "2", "--major", "5", "--geojson")
        check(r.returncode == 0, "contours: %s" % r.stderr)
        out = r.stdout.splitlines()
        m = re.fullmatch(r"(\d+) Polylinien, davon (\d+) geschlossen", out[0])
        check(m is not None, "summary line: %r" % out[0])
        polylines, closed = int(m.group(1)), int(m.group(2))
        dxf = os.path.join(d, "Hoehenlinien.dxf")
        geojson = os.path.join(d, "Hoehenlinien.geojson")
        check(out[1:] == [dxf, geojson], "files named: %s" % out[1:])

        # ezdxf: structure, header, layers, polylines, labels.
        check_structure(dxf)
        doc = read_dxf(dxf)
        check(doc.dxfversion == "AC1015", "AC1015")
        check(doc.header["$INSUNITS"] == 6, "meters")
        layers = {layer.dxf.name: layer.dxf.color for layer in doc.layers}
        check(layers.get("HL_MINOR") == 8 and layers.get("HL_MAJOR") == 1, "layer colours %s" % layers)
        msp = doc.modelspace()
        lines = msp.query("LWPOLYLINE")
        texts = msp.query("TEXT")
        check(len(msp) == len(lines) + len(texts), "only polylines and labels")
        check(len(lines) == polylines and polylines > 10, "polylines: %d" % len(lines))
        check(sum(1 for e in lines if e.closed) == closed and 0 < closed < polylines, "closed")
        zs = set()
        box = []
        for e in lines:
            z = e.dxf.elevation
            zs.add(z)
            check(z % 2 == 0 and (e.dxf.layer == "HL_MAJOR") == (z % 10 == 0),
                  "height %r on %s" % (z, e.dxf.layer))
            check(len(e) >= (3 if e.closed else 2), "vertices")
            box += [(x, y, z) for x, y in e.get_points("xy")]
        levels = sorted(zs)
        check(levels == [float(z) for z in range(int(levels[0]), int(levels[-1]) + 1, 2)],
              "every level: %s" % levels)
        majors = [e for e in lines if e.dxf.layer == "HL_MAJOR"]
        check(len(texts) == len(majors) > 0, "one label per major polyline")
        for t in texts:
            check(t.dxf.layer == "HL_MAJOR" and t.dxf.insert.z in zs and t.dxf.height > 0,
                  "label %s" % t.dxf.text)
            check(t.dxf.text == "%d" % t.dxf.insert.z, "label text %r" % t.dxf.text)
            box.append(tuple(t.dxf.insert))
        lo = tuple(min(p[k] for p in box) for k in range(3))
        hi = tuple(max(p[k] for p in box) for k in range(3))
        check(tuple(doc.header["$EXTMIN"]) == lo and tuple(doc.header["$EXTMAX"]) == hi,
              "extents %s %s, drawn %s %s" % (doc.header["$EXTMIN"], doc.header["$EXTMAX"], lo, hi))

        # GDAL: one LineString per polyline, at its elevation; the labels as points.
        feats = ogr_features(dxf)
        gl = [f for f in feats if f.get("kind") == "LINESTRING"]
        check(len(gl) == polylines, "ogrinfo polylines: %d" % len(gl))
        check(all(len({c[2] for c in f["coords"]}) == 1 for f in gl), "ogrinfo: one height each")
        check(sorted((f["coords"][0][2], f["Layer"]) for f in gl)
              == sorted((e.dxf.elevation, e.dxf.layer) for e in lines), "ogrinfo heights and layers")
        gp = [f for f in feats if f.get("kind") == "POINT"]
        check(sorted(f["Text"] for f in gp) == sorted(t.dxf.text for t in texts), "ogrinfo labels")

        # GeoJSON: the same polylines, 3D, closed rings repeating their start.
        feats = ogr_features(geojson)
        check(len(feats) == polylines and all(f.get("kind") == "LINESTRING" for f in feats),
              "geojson features: %d" % len(feats))
        check(sum(1 for f in feats if f["coords"][0] == f["coords"][-1]) == closed, "geojson rings")
        check(all(float(f["elevation"]) == f["coords"][0][2] and
                  (f["major"] == "1") == (float(f["elevation"]) % 10 == 0) for f in feats),
              "geojson properties")
        check(sorted(len(f["coords"]) for f in feats)
              == sorted(len(e) + (1 if e.closed else 0) for e in lines), "geojson positions")

        # LibreCAD renders it: a PDF with both layer colours and every segment.
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=d, XDG_RUNTIME_DIR=d)
        r = subprocess.run(["librecad", "dxf2pdf", "-a", "Hoehenlinien.dxf"], cwd=d, env=env,
                           capture_output=True, text=True, timeout=120)
        pdf = os.path.join(d, "Hoehenlinien.pdf")
        check(r.returncode == 0 and os.path.exists(pdf), "dxf2pdf: %s" % r.stderr)
        if os.path.exists(pdf):
            data = open(pdf, "rb").read()
            drawn = b"".join(zlib.decompress(s) for s in
                             re.findall(rb"stream\r?\n(.*?)\r?\nendstream", data, re.S))
            check(b"1 0 0 SCN" in drawn and b"0.501960784 0.501960784 0.501960784 SCN" in drawn,
                  "dxf2pdf: red major and grey minor contours")
            segments = sum(len(e) - (0 if e.closed else 1) for e in lines)
            check(len(re.findall(rb" l\n", drawn)) >= segments, "dxf2pdf: every segment drawn")

        # Millimetres at UTM coordinates: on the slope z = (x - X0) / 10 + 0.05
        # the contour at L runs exactly along x = X0 + 10 L - 0.5.
        plane = os.path.join(d, "hang.obj")
        write_obj(plane, 100, 30, lambda i, j: i / 10 + 0.05)
        r = batch(tool, plane, "1")
        check(r.returncode == 0, "plane: %s" % r.stderr)
        doc = read_dxf(dxf)
        worst = max(abs(x - (X0 + 10 * e.dxf.elevation - 0.5))
                    for e in doc.modelspace().query("LWPOLYLINE") for x, y in e.get_points("xy"))
        check(worst < 1e-6, "UTM precision: off by %g" % worst)
        check(len(doc.modelspace().query("LWPOLYLINE")) == 10, "the slope's ten contours")

        # One level; refusals leave no file behind.
        r = batch(tool, terrain, "2", "--level", "131.5", "--geojson")
        check(r.returncode == 0 and r.stdout.splitlines()[1:] == [
            os.path.join(d, "Hoehenlinie_131_5.dxf"), os.path.join(d, "Hoehenlinie_131_5.geojson")],
            "one level: %s %s" % (r.stdout, r.stderr))
        read_dxf(os.path.join(d, "Hoehenlinie_131_5.dxf"))
        for args, text in ((["0"], "Die Schrittweite muss größer als 0 sein"),
                           (["1", "--major", "0"], "Der Abstand der Haupthöhenlinien muss mindestens 1 sein"),
                           (["1", "--major", "fünf"], "'fünf' ist kein gültiger Integerwert"),
                           (["0.00001"], "Die Schrittweite ist zu klein: mehr als 1000000 Höhenlinien")):
            fresh = os.path.join(d, "neu")
            os.mkdir(fresh)
            shutil.copy(terrain, fresh)
            r = batch(tool, os.path.join(fresh, "gelaende.obj"), *args)
            check(r.returncode == 1 and r.stderr == text + "\n", "%s: %r" % (args, r.stderr))
            check(sorted(os.listdir(fresh)) == ["gelaende.obj"], "%s: no file" % args)
            shutil.rmtree(fresh)

    for f in failures:
        print("FAILED:", f)
    print("%d passed, %d failed" % (checks - len(failures), len(failures)))
    return 1 if failures else 0


sys.exit(main())
