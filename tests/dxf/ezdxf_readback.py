"""Reads the files of dxf_sample_writer back with ezdxf, a real DXF reader,
and checks entity counts, coordinates and layers."""
import os
import subprocess
import sys
import tempfile

try:
    import ezdxf
except ImportError:
    sys.exit("ezdxf fehlt: apt-get install python3-ezdxf")

failures = []
checks = 0


def check(cond, what):
    global checks
    checks += 1
    if not cond:
        failures.append(what)


def close(a, b, tol=1e-12):
    return all(abs(x - y) <= tol * max(1.0, abs(y)) for x, y in zip(a, b))


def entities(path):
    doc = ezdxf.readfile(path)
    return list(doc.modelspace())


def main():
    writer = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="quervik-ezdxf-") as d:
        subprocess.run([writer, d], check=True)

        e = entities(os.path.join(d, "entities.dxf"))
        check([x.dxftype() for x in e] == ["LINE", "POINT", "TEXT", "TEXT"], "entity kinds")
        line, point, text, big = e
        check(line.dxf.layer == "L1" and line.dxf.linetype == "CONTINUOUS", "line layer")
        check(close(line.dxf.start, (1.5, -0.25, 0)), "line start")
        check(close(line.dxf.end, (345.678, 2 / 3, 100), 1e-14), "line end")
        check(point.dxf.layer == "Punkte" and close(point.dxf.location, (-3, 4.25, 0)), "point")
        check(text.dxf.text == "Hallo Welt" and text.dxf.layer == "Texte", "text")
        check(close(text.dxf.insert, (1, 2, 3)), "text insert")
        check(text.dxf.height == 2.5 and text.dxf.rotation == 90, "text height and rotation")
        check(big.dxf.rotation == 1234567.5 and big.dxf.height == 1e6, "wide rotation")

        e = entities(os.path.join(d, "teil.DXF"))
        check(len(e) == 18 and all(x.dxftype() == "LINE" for x in e), "mesh: 3 lines per face")
        check(all(x.dxf.layer == "FACE" for x in e), "mesh layer")
        check(not any(close(x.dxf.start, (0, 0, 0)) and close(x.dxf.end, (0, 0, 0)) for x in e),
              "mesh: no zero-length line at the origin")
        # Face 1 = (1, 2, 5): A-B, A-C, B-C with x and y exchanged.
        check(close(e[0].dxf.start, (0, 0, 0)) and close(e[0].dxf.end, (0, 4, 0)), "mesh A-B")
        check(close(e[1].dxf.end, (2, 2, 4)), "mesh A-C")
        check(close(e[2].dxf.start, (0, 4, 0)) and close(e[2].dxf.end, (2, 2, 4)), "mesh B-C")

        e = entities(os.path.join(d, "S3_000.dxf"))
        check(len(e) == 4 and all(x.dxf.layer == "SCHNITT   3.000" for x in e), "section")
        pts = sorted({(round(p.x, 9), round(p.y, 9)) for x in e for p in (x.dxf.start, x.dxf.end)})
        check(pts == [(1.5, 1.5), (1.5, 2.5), (2.5, 1.5), (2.5, 2.5)], "section square")
        check(all(x.dxf.start.z == 3 and x.dxf.end.z == 3 for x in e), "section height")

        e = entities(os.path.join(d, "Schnitte.dxf"))
        layers = [x.dxf.layer for x in e]
        expected = []
        for k in range(8):  # levels 0, 0.5, ..., 3.5 cut; 4 cuts nothing
            expected += ["S   %.3fd" % (k / 2)] * 4
        check(layers == expected, "series layers in order: %s" % sorted(set(layers)))
        check(all(x.dxf.start.z == float(x.dxf.layer[1:-1]) for x in e), "series heights")

        e = entities(os.path.join(d, "Bruchkanten.dxf"))
        check(len(e) == 3 and all(x.dxf.layer == "Bruchkante" for x in e), "creases")
        check(close(e[1].dxf.start, (4, 0, 0)) and close(e[1].dxf.end, (2, 2, 4)), "crease 2-5")

    for f in failures:
        print("FAILED:", f)
    print("%d passed, %d failed" % (checks - len(failures), len(failures)))
    return 1 if failures else 0


sys.exit(main())
