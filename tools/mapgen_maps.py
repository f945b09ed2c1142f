"""The big maps, drawn with the kit in mapgen.py."""
from mapgen import Grid, builder, finish


def slope(profile, c0, top, steps, direction):
    """Stepped hillside: from column c0 going `direction` (+1 right, -1 left), each
    (width, drop) step lowers the ground by `drop` rows after `width` columns. Returns
    the column after the last step and the row reached."""
    c, r = c0, top
    for width, drop in steps:
        for _ in range(width):
            profile[c] = r
            c += direction
        r += drop
    return c, r


def mirror_profile(profile, cols):
    for c in range(cols // 2, cols - 1):
        profile[c] = profile[cols - 1 - c]


@builder
def wilds():
    # The valley of the great oak: between two mountains, grassy shoulders step down
    # to a meadow with a hollow under it; the oak in the middle carries a walk across
    # the valley and a nest under its crown.
    cols = rows = 128
    g = Grid(cols, rows)
    a, log, moss, grass, dirt, grass_r, grass_l, wood, planks, leaves, bark = "abcdefghijk"
    walk = 88  # the row of the shoulders and the walk across the oak
    profile = [0] * cols
    steps = [(10, 4), (5, 4), (6, 4)]
    end, meadow = slope(profile, 10, walk, steps, 1)
    for c in range(end, cols // 2):
        profile[c] = meadow
    # Mountains at both sides.
    for c, top in ((1, 8), (2, 8), (3, 10), (4, 14), (5, 18), (6, 22), (7, 28), (8, 34),
                   (9, 40), (10, 48), (11, 56), (12, 66), (13, 74)):
        profile[c] = top
    mirror_profile(profile, cols)
    for c in range(1, cols - 1):
        top = profile[c]
        rocky = top < walk
        g.ground(c, c, top, rows - 1, moss if rocky else grass, a if rocky else dirt)
        if not rocky and profile[c - 1] > top:
            g.put(c, top, grass_l)
        if not rocky and profile[c + 1] > top:
            g.put(c, top, grass_r)
    for r in range(meadow + 5, rows - 1, 6):
        for c in range(1, cols - 1):
            if (c * 7 + r * 3) % 23 < 3 and g.get(c, r) == dirt:
                g.put(c, r, a)
    g.rect(0, 0, 0, rows - 1, a)
    g.rect(cols - 1, 0, cols - 1, rows - 1, a)
    g.rect(0, rows - 3, cols - 1, rows - 1, a)

    # The great oak: a trunk on an arch of roots over the meadow path.
    t0, t1 = 62, 65
    g.rect(t0, 20, t1, meadow - 6, bark)
    g.rect(t0 - 2, meadow - 7, t0 - 1, meadow - 6, log)
    g.rect(t1 + 1, meadow - 7, t1 + 2, meadow - 6, log)
    g.ladder(t0 - 5, meadow, (meadow - walk) // 4, 4, 1, wood, "N")
    g.ladder(t1 + 5, meadow, (meadow - walk) // 4, 4, -1, wood, "L")
    # The walk across the valley, through the trunk.
    g.rect(end - 8, walk, cols - end + 7, walk, planks)
    # Gaps to drop through to the meadow, and to see through.
    g.clear(44, walk, 48, walk)
    g.clear(cols - 49, walk, cols - 45, walk)
    g.clear(t0 - 5, walk, t0 - 5, walk)  # the boughs' last jump goes up through here
    g.clear(t1 + 5, walk, t1 + 5, walk)
    # Up from the walk to the nest under the crown.
    nest = walk - 8
    g.ladder(t0 - 5, walk, 2, 4, 1, wood, "O")
    g.ladder(t1 + 5, walk, 2, 4, -1, wood, "O")
    g.rect(t0 - 14, nest, t0 - 5, nest, planks)
    g.rect(t1 + 5, nest, t1 + 14, nest, planks)
    # The crown: an oval of leaves over the nest.
    cx, cy, rx, ry = 63.5, 40, 34, 26
    for r in range(2, nest - 6):
        for c in range(1, cols - 1):
            d = ((c - cx) / rx) ** 2 + ((r - cy) / ry) ** 2
            wob = 0.12 * ((c * 5 + r * 3) % 7) / 7
            if d < 1 - wob:
                g.put(c, r, leaves)
    for r in range(cy, nest - 2):
        g.put(t0 + 1, r, bark)
        g.put(t1 - 1, r, bark)
    for c in range(t0, t1 + 1):
        g.put(c, walk, planks)

    for c, ch in ((18, "1"), (20, "0"), (36, "0"), (49, "1"), (63, "0"), (64, "0"), (78, "1"),
                  (91, "0"), (106, "0"), (108, "1")):
        g.prop(c, profile[c], ch)
    g.prop(30, walk, "1")
    g.prop(97, walk, "0")
    g.prop(52, nest, "1")

    for c in (16, 30, 46, 54, 58, 69, 73, 81, 97, 111):
        g.mark(c, profile[c], "F")
    for c in (35, 92):
        g.mark(c, walk, "F")
    g.mark(55, nest, "F")
    g.mark(72, nest, "F")
    for c in (30, 97):
        g.mark(c, profile[c], "M")

    finish(g, "wilds", ((70, 130, 210), (236, 214, 160)), True,
           ["rock.bmp", "log.bmp", "rock_moss.bmp", "grass.bmp", "dirt.bmp", "grass_r.bmp",
            "grass_l.bmp", "wood_top.bmp", "planks.bmp", "leaves.bmp", "bark.bmp"], "jak")


@builder
def foundry():
    # The foundry hall: a furnace hangs over the middle of the floor, catwalks climb
    # to it from both walls, and a gantry crosses the hall under the roof.
    cols, rows = 100, 75
    g = Grid(cols, rows)
    dark, grate, top, metal, pipe, vent = "abcdef"
    floor = 70
    g.rect(0, 0, 0, rows - 1, dark)
    g.rect(cols - 1, 0, cols - 1, rows - 1, dark)
    g.ground(1, cols - 2, floor, rows - 1, top, metal)
    g.rect(1, rows - 2, cols - 2, rows - 1, dark)
    # The roof, with beams and a hood over the furnace.
    g.rect(1, 0, cols - 2, 17, metal)
    g.rect(1, 17, cols - 2, 17, dark)
    # Pipes and vents in the roof.
    for r in (4, 10):
        g.rect(1, r, cols - 2, r + 1, pipe)
    for c in range(6, cols - 6, 9):
        g.rect(c, 6, c + 2, 8, vent)
        g.rect(c + 4, 12, c + 6, 15, dark)
    for c in range(4, cols - 4, 12):
        g.rect(c, 18, c + 1, 21, dark)
    for k, half in enumerate((12, 10, 8, 6)):
        g.rect(49 - half, 18 + k, 50 + half, 18 + k, vent if k % 2 else dark)

    # The furnace, hung over the floor path.
    g.rect(45, 54, 54, 63, vent)
    g.rect(45, 54, 54, 54, top)
    g.rect(45, 63, 54, 63, dark)

    a_row, b_row, c_row = floor - 12, floor - 24, floor - 36
    for side in (1, -1):
        def col(c):
            return c if side > 0 else cols - 1 - c
        # Catwalk A: ladder up from the floor by the wall, then to the furnace.
        g.ladder(col(8), floor, 3, 4, side, grate, "L" if side > 0 else "N")
        g.rect(col(9), a_row, col(44), a_row, grate)
        g.clear(col(24), a_row, col(26), a_row)
        # Catwalk B, reached from A.
        g.ladder(col(14), a_row, 3, 4, side, grate, "O")
        g.rect(col(15), b_row, col(36), b_row, grate)
        # The gantry across the hall, reached from B.
        g.ladder(col(29), b_row, 3, 4, side, grate, "O")
    g.rect(30, c_row, 69, c_row, metal)
    g.rect(30, c_row, 69, c_row, top)

    for c, ch in ((2, "1"), (20, "0"), (33, "1"), (40, "0"), (59, "0"), (66, "1"), (79, "0"),
                  (86, "1")):
        g.prop(c, floor, ch)
    for c, ch in ((20, "0"), (38, "1"), (61, "1"), (79, "0")):
        g.prop(c, a_row, ch)
    for c, ch in ((22, "0"), (77, "0")):
        g.prop(c, b_row, ch)
    g.prop(49, 54, "1")
    g.prop(40, c_row, "0")
    g.prop(59, c_row, "0")

    for c in (3, 30, 43, 56, 69, 96):
        g.mark(c, floor, "F")
    for c in (12, 35, 64, 87):
        g.mark(c, a_row, "F")
    for c in (25, 74):
        g.mark(c, b_row, "F")
    for c in (44, 55):
        g.mark(c, c_row, "F")
    g.mark(50, 54, "F")
    for c in (20, 49, 79):
        g.mark(c, floor, "M")

    finish(g, "foundry", ((18, 20, 30), (92, 74, 58)), False,
           ["metal_dark.bmp", "grate.bmp", "metal_top.bmp", "metal.bmp", "pipe.bmp",
            "metal_vent.bmp"])


@builder
def glacier():
    # Under the glacier's peak: a cavern of ice ledges round a crevasse, icicles
    # hanging from its roof; the peak itself towers over the cavern.
    cols, rows = 50, 128
    g = Grid(cols, rows)
    rock, snow, brick, ice, icicle = "abcde"
    floor, roof = 110, 62  # roof: the top of the cavern's roof, walkable outside
    g.rect(0, 0, 0, rows - 1, rock)
    g.rect(cols - 1, 0, cols - 1, rows - 1, rock)
    # The peak: 4-row steps two columns wide up from the roof to the summit.
    profile = {}
    for c in range(8, cols // 2):
        profile[c] = roof - 3 * ((c - 8) // 2 + 1)
        profile[cols - 1 - c] = profile[c]
    for c, t in profile.items():
        g.rect(c, t, c, roof + 1, rock)
        g.put(c, t, snow)
    # Ice bands in the peak.
    for r in range(roof - 6, 20, -7):
        for c, t in profile.items():
            if t < r and (c * 3 + r) % 11 < 8:
                g.put(c, r, ice)
    g.rect(1, roof, cols - 2, roof + 1, ice)
    # Holes in the roof by the walls, with boughs of ice up to it from the high ledges.
    g.clear(1, roof, 4, roof + 1)
    g.clear(cols - 5, roof, cols - 2, roof + 1)
    # Icicles hang from the roof.
    for c, n in ((9, 2), (13, 4), (21, 2), (28, 2), (36, 4), (40, 2)):
        g.rect(c, roof + 2, c, roof + 1 + n, icicle)
    # Floor and bedrock.
    g.ground(1, cols - 2, floor, rows - 1, snow, rock)
    g.rect(1, floor + 1, cols - 2, floor + 2, ice)
    g.rect(0, rows - 2, cols - 1, rows - 1, rock)

    low, mid, high = floor - 12, floor - 24, floor - 36
    for side in (1, -1):
        def col(c):
            return c if side > 0 else cols - 1 - c
        # Low ledges by the walls, climbed from the floor.
        g.ladder(col(19), floor, 3, 4, -side, brick, "N" if side > 0 else "L")
        g.rect(col(1), low, col(18), low, brick)
        # The bridge over the crevasse, climbed from the low ledges.
        g.ladder(col(13), low, 3, 4, side, brick, "O")
        # High ledges, climbed from the bridge.
        g.ladder(col(17), mid, 3, 4, -side, ice, "O")
        g.rect(col(1), high, col(16), high, ice)
        g.ladder(col(4), high, 3, 4, side, ice, "O")
    g.rect(14, mid, 35, mid, ice)

    for c, ch in ((4, "1"), (12, "0"), (24, "1"), (25, "0"), (37, "0"), (43, "1")):
        g.prop(c, floor, ch)
    for c, ch in ((6, "0"), (43, "0")):
        g.prop(c, low, ch)
    g.prop(24, mid, "1")
    g.prop(11, high, "1")
    g.prop(38, high, "0")

    for c in (7, 22, 27, 42):
        g.mark(c, floor, "F")
    for c in (9, 40):
        g.mark(c, low, "F")
    for c in (20, 29):
        g.mark(c, mid, "F")
    # The high ledges take no spawns: a bot born up there waits long for a fight.
    for c in (8, 41):
        g.mark(c, high, "M")
    g.mark(24, floor, "M")

    finish(g, "glacier", ((14, 26, 70), (150, 200, 236)), True,
           ["frost_rock.bmp", "snow.bmp", "ice_brick.bmp", "ice.bmp", "icicle.bmp"])
