# Walk frame 3: widest stride.
size 17 12
pixels
.......0vBBb0....
......0vvBBBb0...
......0vB00vBb0..
.....0vBb0.0vBb0.
.....0vB0..0vBb0.
....0vBb0...0vB0.
....0vB0....0vBb0
...0vBb0.....0vB0
...0vB0......0vB0
..0vBb0......0vB0
.0220........0120
.0000........0000
