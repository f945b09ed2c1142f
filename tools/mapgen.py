#!/usr/bin/env python3
"""Map sketching kit for the big maps: terrain, platforms and props are drawn into a
grid, then the bot route marks the walls call for are added and the .krm file is
written. The .krm files in assets/maps/ stay the shipped source; this only helps to
lay them out.

    python3 tools/mapgen.py wilds      # writes assets/maps/wilds.krm
    python3 tools/mapgen.py all

How bots move (what the automatic marks rely on): a bot walks its route direction,
jumps when a wall blocks it (so it climbs any step up to 4 cells), falls off edges,
and changes its route only on a mark it reads at its top-left corner while it stands
exactly on a 16-pixel column: the cell two rows above the floor it walks on.
"""
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EMPTY = "."
MAX_CLIMB = 4  # cells a walking bot gets up by jumping against the step


def solid(ch):
    return ch >= "a" and ch <= "z" or ch in "{|}~"


class Grid:
    def __init__(self, cols, rows):
        self.cols, self.rows = cols, rows
        self.cell = [[EMPTY] * cols for _ in range(rows)]
        self.fixed = set()  # marks placed by hand; the automatic ones keep off them

    def get(self, c, r):
        if c < 0 or c >= self.cols or r < 0 or r >= self.rows:
            return "a"
        return self.cell[r][c]

    def put(self, c, r, ch):
        if 0 <= c < self.cols and 0 <= r < self.rows:
            self.cell[r][c] = ch

    def solid(self, c, r):
        return solid(self.get(c, r))

    def rect(self, c0, r0, c1, r1, ch):
        """Fills columns c0..c1 and rows r0..r1 (inclusive)."""
        for r in range(min(r0, r1), max(r0, r1) + 1):
            for c in range(min(c0, c1), max(c0, c1) + 1):
                self.put(c, r, ch)

    def clear(self, c0, r0, c1, r1):
        self.rect(c0, r0, c1, r1, EMPTY)

    def ground(self, c0, c1, top, bottom, skin, body, skin_rows=1):
        """Solid ground from row `top` down to `bottom`, its top rows in `skin`."""
        for c in range(c0, c1 + 1):
            for r in range(top, bottom + 1):
                self.put(c, r, skin if r < top + skin_rows else body)

    def mark(self, c, floor, ch):
        """A route mark or spawn for bots walking on the floor row `floor`."""
        self.put(c, floor - 2, ch)
        self.fixed.add((c, floor - 2))

    def air(self, c, r, ch):
        """A mark read in flight (by a bot jumping or falling past this cell)."""
        self.put(c, r, ch)
        self.fixed.add((c, r))

    def prop(self, c, floor, ch):
        self.put(c, floor - 1, ch)

    def ladder(self, c, floor, steps, width, first, tile, entry="I"):
        """Climbing platforms for bots: from `floor`, a jump at column c (mark `entry`)
        and a turn in the air put the bot on a platform 4 rows up, beside column c on
        the `first` side (+1 right, -1 left); each platform leads to the next one up on
        the other side. Returns the top platform's floor row and columns."""
        lift, side, f = c, first, floor
        for k in range(steps):
            self.mark(lift, f, entry if k == 0 else "I")
            if k > 0:
                # A bot coming off the jump below passes this column still in the air;
                # this mark stops it over the platform so that it lands here.
                self.air(lift, f - 3, "I")
            top = f - 4
            self.air(lift, top - 3, "J" if side > 0 else "K")
            if side > 0:
                c0, c1 = lift + 1, lift + width
                nxt = lift + 1
            else:
                c0, c1 = lift - width, lift - 1
                nxt = lift - 1
            self.rect(c0, top, c1, top, tile)
            lift, side, f = nxt, -side, top
        return f, c0, c1

    def stamp(self, c0, r0, lines, transparent=" "):
        for j, line in enumerate(lines):
            for i, ch in enumerate(line):
                if ch != transparent:
                    self.put(c0 + i, r0 + j, ch)

    # --- automatic marks -------------------------------------------------------

    def floors(self):
        """Every cell a bot can stand on: (column, floor row)."""
        for c in range(self.cols):
            for r in range(2, self.rows):
                if self.solid(c, r) and not self.solid(c, r - 1) and not self.solid(c, r - 2):
                    yield c, r

    def climbable(self, c, r, step):
        """From floor (c, r), can a bot walking towards c+step get past the next column?"""
        n = c + step
        if not self.solid(n, r - 1) and not self.solid(n, r - 2):
            return True  # level or a drop
        # The wall must be solid from the floor up to its top, with room to stand there.
        t = r - 1
        while t >= 0 and self.solid(n, t):
            t -= 1
        if t < 0:
            return False
        top = t + 1
        if self.solid(n, top - 1) or self.solid(n, top - 2):
            return False
        if r - top > MAX_CLIMB:
            return False
        # Room to jump in the column the bot stands in.
        return all(not self.solid(c, k) for k in range(top - 3, r))

    def automark(self, skip=""):
        """Turns bots around in front of every wall they cannot climb (except on the
        floors made of the tiles in `skip`, which bots never reach)."""
        problems = []
        for c, r in self.floors():
            if self.get(c, r) in skip:
                continue
            m = (c, r - 2)
            here = self.get(*m)
            if m in self.fixed or here not in (EMPTY,):
                continue
            right = self.climbable(c, r, 1)
            left = self.climbable(c, r, -1)
            if right and left:
                continue
            if not right and not left:
                problems.append("pit at column %d, floor row %d" % (c, r))
                self.put(*m, "H")
            else:
                # Also a row or two up, for bots that pass this column in a jump.
                turn = "K" if not right else "J"
                for k in range(3):
                    cell = (c, r - 2 - k)
                    if k == 0 or (cell not in self.fixed and self.get(*cell) == EMPTY):
                        self.put(*cell, turn)
        return problems

    def write(self, path, size_rgb, relief, tiles):
        w, h = self.cols * 16, self.rows * 16
        top, bottom = size_rgb
        with open(path, "w") as f:
            f.write("%d %d\n" % (w, h))
            f.write("%d %d %d\n" % top)
            f.write("%d %d %d\n" % bottom)
            f.write("%d\n%d\n" % (1 if relief else 0, len(tiles)))
            for t in tiles:
                f.write(t + "\n")
            for row in self.cell:
                f.write("".join(row) + "\n")


def crowded_props(g):
    """Props a bot jumps over too near a mark on its floor: it would be in the air
    when it passes the mark and miss it."""
    found = []
    for r in range(1, g.rows):
        for c in range(g.cols):
            if g.get(c, r) not in "01":
                continue
            for d in range(-4, 5):
                ch = g.get(c + d, r - 1)
                if ch in "BEGHILNOK":
                    found.append("prop at column %d row %d is %d from mark %s" % (c, r, d, ch))
    return found


def finish(g, name, colours, relief, tiles, unreached=""):
    problems = g.automark(unreached) + crowded_props(g)
    for p in problems:
        print("%s: %s" % (name, p), file=sys.stderr)
    path = os.path.join(ROOT, "assets", "maps", name + ".krm")
    g.write(path, colours, relief, tiles)
    counts = {"spawns": 0, "boxes": 0, "barrels": 0}
    for row in g.cell:
        for ch in row:
            if "A" <= ch <= "G":
                counts["spawns"] += 1
            elif ch == "0":
                counts["boxes"] += 1
            elif ch == "1":
                counts["barrels"] += 1
    print("%s: %s" % (path, counts))


MAPS = {}


def builder(fn):
    MAPS[fn.__name__] = fn
    return fn


if __name__ == "__main__":
    sys.path.insert(0, os.path.join(ROOT, "tools"))
    import mapgen as kit  # the builders register themselves with this module
    import mapgen_maps  # noqa: F401

    MAPS = kit.MAPS
    names = sys.argv[1:] or ["all"]
    if names == ["all"]:
        names = sorted(MAPS)
    for n in names:
        if n not in MAPS:
            sys.exit("unknown map %s (have %s)" % (n, ", ".join(sorted(MAPS))))
        MAPS[n]()
