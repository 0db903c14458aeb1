#!/usr/bin/env python3
"""Writes the small DXF drawings in samples/ that Plendor opens on first start.

They are our own drawings, written as plain R12 DXF so that any reader takes
them: a floor plan, a flange with arcs and dimensions, a title sheet with
Chinese text (GBK, code page ANSI_936), and a parking layout that places one
block many times. Run it from anywhere: python3 tools/make-samples/make_samples.py
"""

import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.normpath(os.path.join(HERE, "..", "..", "samples"))


class Dxf:
    def __init__(self, codepage="ANSI_1252"):
        self.codepage = codepage
        self.entities = []
        self.blocks = []  # (name, base, [entity tag lists])
        self.layers = {"0": (7, "CONTINUOUS")}
        self.extmin = [0.0, 0.0]
        self.extmax = [0.0, 0.0]

    def layer(self, name, colour, ltype="CONTINUOUS"):
        self.layers[name] = (colour, ltype)

    @staticmethod
    def _fmt(v):
        if isinstance(v, float):
            s = ("%.6f" % v).rstrip("0").rstrip(".")
            return s if s not in ("", "-0") else "0"
        return str(v)

    def _add(self, target, kind, layer, pairs):
        target.append([(0, kind), (8, layer)] + pairs)

    # -- entities -------------------------------------------------------
    def line(self, a, b, layer="0", target=None):
        self._add(self.entities if target is None else target, "LINE", layer,
                  [(10, a[0]), (20, a[1]), (30, 0.0), (11, b[0]), (21, b[1]), (31, 0.0)])

    def circle(self, c, r, layer="0", target=None):
        self._add(self.entities if target is None else target, "CIRCLE", layer,
                  [(10, c[0]), (20, c[1]), (30, 0.0), (40, r)])

    def arc(self, c, r, a0, a1, layer="0", target=None):
        self._add(self.entities if target is None else target, "ARC", layer,
                  [(10, c[0]), (20, c[1]), (30, 0.0), (40, r), (50, a0), (51, a1)])

    def text(self, p, h, s, layer="0", rot=0.0, target=None):
        self._add(self.entities if target is None else target, "TEXT", layer,
                  [(10, p[0]), (20, p[1]), (30, 0.0), (40, h), (1, s), (50, rot)])

    def polyline(self, pts, closed=False, layer="0", bulges=None):
        self.entities.append([(0, "POLYLINE"), (8, layer), (66, 1), (10, 0.0), (20, 0.0), (30, 0.0),
                              (70, 1 if closed else 0)])
        for i, p in enumerate(pts):
            v = [(0, "VERTEX"), (8, layer), (10, p[0]), (20, p[1]), (30, 0.0)]
            if bulges and bulges[i]:
                v.append((42, bulges[i]))
            self.entities.append(v)
        self.entities.append([(0, "SEQEND"), (8, layer)])

    def insert(self, name, p, layer="0", scale=1.0, rot=0.0):
        self._add(self.entities, "INSERT", layer,
                  [(2, name), (10, p[0]), (20, p[1]), (30, 0.0), (41, scale), (42, scale), (43, scale), (50, rot)])

    def block(self, name, base, entities, flags=0):
        self.blocks.append((name, base, entities, flags))

    def aligned_dimension(self, name, p1, p2, offset, text, layer="DIM"):
        """A horizontal or vertical linear dimension drawn through its own block."""
        ents = []
        horizontal = abs(p2[1] - p1[1]) < 1e-9
        if horizontal:
            y = p1[1] + offset
            d1, d2 = (p1[0], y), (p2[0], y)
            self.line(p1, (p1[0], y + 1.5 * math.copysign(1, offset)), layer, ents)
            self.line(p2, (p2[0], y + 1.5 * math.copysign(1, offset)), layer, ents)
            mid = ((p1[0] + p2[0]) / 2, y + 1.0)
            rot = 0.0
        else:
            x = p1[0] + offset
            d1, d2 = (x, p1[1]), (x, p2[1])
            self.line(p1, (x + 1.5 * math.copysign(1, offset), p1[1]), layer, ents)
            self.line(p2, (x + 1.5 * math.copysign(1, offset), p2[1]), layer, ents)
            mid = (x - 1.0, (p1[1] + p2[1]) / 2)
            rot = 90.0
        self.line(d1, d2, layer, ents)
        for tip, other in ((d1, d2), (d2, d1)):
            dx, dy = other[0] - tip[0], other[1] - tip[1]
            n = math.hypot(dx, dy) or 1.0
            ux, uy = dx / n * 3.0, dy / n * 3.0
            ents.append([(0, "SOLID"), (8, layer),
                         (10, tip[0]), (20, tip[1]), (30, 0.0),
                         (11, tip[0] + ux - uy * 0.3), (21, tip[1] + uy + ux * 0.3), (31, 0.0),
                         (12, tip[0] + ux + uy * 0.3), (22, tip[1] + uy - ux * 0.3), (32, 0.0),
                         (13, tip[0] + ux + uy * 0.3), (23, tip[1] + uy - ux * 0.3), (33, 0.0)])
        self._add(ents, "TEXT", layer, [(10, mid[0]), (20, mid[1]), (30, 0.0), (40, 2.5), (1, text), (50, rot),
                                        (72, 1), (11, mid[0]), (21, mid[1]), (31, 0.0)])
        self.block(name, (0.0, 0.0), ents, flags=1)
        self._add(self.entities, "DIMENSION", layer,
                  [(2, name), (10, d2[0]), (20, d2[1]), (30, 0.0), (11, mid[0]), (21, mid[1]), (31, 0.0),
                   (70, 0 if horizontal else 0), (1, text),
                   (13, p1[0]), (23, p1[1]), (33, 0.0), (14, p2[0]), (24, p2[1]), (34, 0.0),
                   (50, 0.0 if horizontal else 90.0)])

    # -- output ---------------------------------------------------------
    def write(self, path, extmin, extmax):
        encoding = "gbk" if self.codepage == "ANSI_936" else "cp1252"
        lines = []

        def tag(code, value):
            lines.append("%3d" % code)
            lines.append(self._fmt(value))

        def section(name):
            tag(0, "SECTION")
            tag(2, name)

        section("HEADER")
        for k, v in (("$ACADVER", "AC1009"), ("$DWGCODEPAGE", self.codepage)):
            tag(9, k)
            tag(3 if k == "$DWGCODEPAGE" else 1, v)
        tag(9, "$INSUNITS"); tag(70, 4)
        tag(9, "$LTSCALE"); tag(40, 1.0)
        tag(9, "$EXTMIN"); tag(10, float(extmin[0])); tag(20, float(extmin[1])); tag(30, 0.0)
        tag(9, "$EXTMAX"); tag(10, float(extmax[0])); tag(20, float(extmax[1])); tag(30, 0.0)
        tag(0, "ENDSEC")

        section("TABLES")
        tag(0, "TABLE"); tag(2, "LTYPE"); tag(70, 3)
        for name, desc, pattern in (("CONTINUOUS", "Solid line", []),
                                    ("DASHED", "__ __ __", [6.0, -3.0]),
                                    ("CENTER", "____ _ ____ _", [12.0, -3.0, 3.0, -3.0])):
            tag(0, "LTYPE"); tag(2, name); tag(70, 0); tag(3, desc); tag(72, 65); tag(73, len(pattern))
            tag(40, float(sum(abs(x) for x in pattern)))
            for x in pattern:
                tag(49, float(x))
        tag(0, "ENDTAB")
        tag(0, "TABLE"); tag(2, "LAYER"); tag(70, len(self.layers))
        for name, (colour, ltype) in self.layers.items():
            tag(0, "LAYER"); tag(2, name); tag(70, 0); tag(62, colour); tag(6, ltype)
        tag(0, "ENDTAB")
        tag(0, "TABLE"); tag(2, "STYLE"); tag(70, 1)
        tag(0, "STYLE"); tag(2, "STANDARD"); tag(70, 0); tag(40, 0.0); tag(41, 1.0); tag(50, 0.0); tag(71, 0)
        tag(42, 2.5); tag(3, "txt"); tag(4, "")
        tag(0, "ENDTAB")
        tag(0, "ENDSEC")

        section("BLOCKS")
        for name, base, ents, flags in self.blocks:
            tag(0, "BLOCK"); tag(8, "0"); tag(2, name); tag(70, flags)
            tag(10, float(base[0])); tag(20, float(base[1])); tag(30, 0.0); tag(3, name)
            for e in ents:
                for c, v in e:
                    tag(c, v)
            tag(0, "ENDBLK"); tag(8, "0")
        tag(0, "ENDSEC")

        section("ENTITIES")
        for e in self.entities:
            for c, v in e:
                tag(c, v)
        tag(0, "ENDSEC")
        tag(0, "EOF")
        data = ("\r\n".join(lines) + "\r\n").encode(encoding)
        with open(path, "wb") as f:
            f.write(data)


def rect(d, x0, y0, x1, y1, layer):
    d.polyline([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], closed=True, layer=layer)


def floor_plan():
    d = Dxf()
    d.layer("WALLS", 7)
    d.layer("DOORS", 3)
    d.layer("WINDOWS", 4)
    d.layer("TEXT", 2)
    d.layer("AXES", 1, "CENTER")
    # Outer and inner wall lines of a 12 x 9 m flat, in millimetres / 100.
    rect(d, 0, 0, 120, 90, "WALLS")
    rect(d, 2.4, 2.4, 117.6, 87.6, "WALLS")
    for x in (50.0, 52.4):
        d.line((x, 2.4), (x, 40), "WALLS")
        d.line((x, 50), (x, 87.6), "WALLS")
    for y in (45.0, 47.4):
        d.line((52.4, y), (85, y), "WALLS")
        d.line((95, y), (117.6, y), "WALLS")
    # Doors: leaf and swing.
    for (hx, hy, a0, a1, lx, ly) in ((50, 40, 0, 90, 60, 40), (85, 47.4, 0, 90, 95, 47.4)):
        d.line((hx, hy), (lx, ly), "DOORS")
        d.arc((hx, hy), 10, a0, a1, "DOORS")
    # Windows on the outer walls.
    for x0 in (15, 75):
        for y in (0.0, 1.2, 2.4):
            d.line((x0, y), (x0 + 20, y), "WINDOWS")
    for y0 in (20, 60):
        for x in (117.6, 118.8, 120):
            d.line((x, y0), (x, y0 + 15), "WINDOWS")
    for x in (0, 51.2, 120):
        d.line((x, -8), (x, 98), "AXES")
    d.text((15, 65), 3.5, "LIVING ROOM", "TEXT")
    d.text((65, 65), 3.5, "BEDROOM", "TEXT")
    d.text((65, 20), 3.5, "KITCHEN", "TEXT")
    d.text((0, -14), 2.5, "FLOOR PLAN 1:100", "TEXT")
    d.write(os.path.join(OUT, "floor-plan.dxf"), (-2, -16), (122, 100))


def flange():
    d = Dxf()
    d.layer("OUTLINE", 7)
    d.layer("CENTER", 1, "CENTER")
    d.layer("HIDDEN", 5, "DASHED")
    d.layer("DIM", 3)
    d.circle((0, 0), 50, "OUTLINE")
    d.circle((0, 0), 20, "OUTLINE")
    d.circle((0, 0), 24, "HIDDEN")
    for i in range(6):
        a = math.radians(i * 60 + 30)
        d.circle((37 * math.cos(a), 37 * math.sin(a)), 5, "OUTLINE")
    d.circle((0, 0), 37, "CENTER")
    d.line((-58, 0), (58, 0), "CENTER")
    d.line((0, -58), (0, 58), "CENTER")
    # Keyway with rounded corners.
    d.polyline([(-4, 20), (-4, 26), (4, 26), (4, 20)], layer="OUTLINE", bulges=[0, 0, 0, 0])
    # Side view with fillets.
    x0 = 80
    d.polyline([(x0, -50), (x0 + 12, -50), (x0 + 12, -24), (x0 + 30, -24), (x0 + 30, 24), (x0 + 12, 24),
                (x0 + 12, 50), (x0, 50)], closed=True, layer="OUTLINE")
    d.arc((x0 + 14, -22), 2, 180, 270, "OUTLINE")
    d.arc((x0 + 14, 22), 2, 90, 180, "OUTLINE")
    d.line((x0 - 5, 0), (x0 + 35, 0), "CENTER")
    d.aligned_dimension("*D1", (-50, 0), (50, 0), -62, "%%c100")
    d.aligned_dimension("*D2", (x0, 50), (x0 + 30, 50), 8, "30")
    d.aligned_dimension("*D3", (x0 + 30, -24), (x0 + 30, 24), 10, "%%c48")
    d.text((-50, -80), 3.5, "FLANGE DN100  R12 DXF", "OUTLINE")
    d.write(os.path.join(OUT, "flange.dxf"), (-60, -85), (125, 62))


def chinese_title():
    d = Dxf(codepage="ANSI_936")
    d.layer("图框", 7)
    d.layer("文字", 2)
    d.layer("表格", 4)
    rect(d, 0, 0, 420, 297, "图框")
    rect(d, 25, 5, 415, 292, "图框")
    # Title block.
    rect(d, 235, 5, 415, 61, "表格")
    for y in (19, 33, 47):
        d.line((235, y), (415, y), "表格")
    for x in (265, 335, 365):
        d.line((x, 5), (x, 61), "表格")
    rows = (("设计", "张工", "比例", "1:50"),
            ("校对", "李工", "图号", "JG-01"),
            ("审核", "王工", "日期", "2026.12"),
            ("工程", "住宅楼", "阶段", "施工图"))
    for i, (a, b, c, e) in enumerate(rows):
        y = 9 + 14 * i
        d.text((240, y), 5, a, "文字")
        d.text((270, y), 5, b, "文字")
        d.text((340, y), 5, c, "文字")
        d.text((370, y), 5, e, "文字")
    d.text((60, 250), 12, "结构设计总说明", "文字")
    notes = ("一、本工程结构安全等级为二级，设计使用年限五十年。",
             "二、混凝土强度等级：基础 C30，梁板柱 C35。",
             "三、钢筋：HPB300 级、HRB400 级。",
             "四、图中尺寸以毫米计，标高以米计。")
    for i, s in enumerate(notes):
        d.text((60, 215 - 18 * i), 6, s, "文字")
    d.write(os.path.join(OUT, "chinese-notes.dxf"), (0, 0), (420, 297))


def parking():
    d = Dxf()
    d.layer("BAYS", 7)
    d.layer("CARS", 5)
    d.layer("TEXT", 2)
    car = []
    d.polyline  # the block holds plain entities
    outline = [(0.4, 0.3), (2.1, 0.3), (2.1, 4.5), (0.4, 4.5)]
    for i in range(4):
        d.line(outline[i], outline[(i + 1) % 4], "CARS", car)
    d.line((0.4, 3.2), (2.1, 3.2), "CARS", car)
    d.line((0.4, 1.3), (2.1, 1.3), "CARS", car)
    for cx, cy in ((0.5, 0.9), (2.0, 0.9), (0.5, 3.7), (2.0, 3.7)):
        d.circle((cx, cy), 0.25, "CARS", car)
    d.block("CAR", (0.0, 0.0), car)
    bay = []
    d.line((0, 0), (0, 5), "BAYS", bay)
    d.line((0, 5), (2.5, 5), "BAYS", bay)
    d.block("BAY", (0.0, 0.0), bay)
    n = 0
    for row in range(4):
        y = row * 12.0
        for col in range(16):
            x = col * 2.5
            rot = 0.0 if row % 2 == 0 else 180.0
            px, py = (x, y) if rot == 0 else (x + 2.5, y + 5)
            d.insert("BAY", (px, py), "BAYS", rot=rot)
            if (row * 16 + col) % 3 != 1:
                d.insert("CAR", (px, py), "CARS", rot=rot)
                n += 1
        d.line((0, y), (40, y), "BAYS")
    d.text((0, -4), 1.2, "PARKING LEVEL B1  -  %d CARS PLACED FROM ONE BLOCK" % n, "TEXT")
    d.write(os.path.join(OUT, "parking-blocks.dxf"), (-1, -5), (41, 42))


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    floor_plan()
    flange()
    chinese_title()
    parking()
    print("written to", OUT)
