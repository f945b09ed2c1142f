# Walk frame 2: legs opening.
size 15 12
pixels
.....0vBBb0....
.....0vBBb0....
.....0vBBBb0...
....0vBb0vBb0..
....0vBb0vBb0..
....0vB0.0vBb0.
...0vBb0.0vBb0.
...0vB0...0vB0.
...0vB0...0vB0.
..0vBb0...0vBb0
..01220...01220
..00000...00000
