# Walk frame 4: legs passing, back foot lifted.
size 16 12
pixels
......0vBBb0....
......0vBBb0....
......0vBBBb0...
.....0vBb0vBb0..
.....0vBb0vBb0..
....0vBb00vBb0..
...0vBb0..0vB0..
..0vBb0...0vB0..
..0vB0....0vB0..
.0120.....0vBb0.
.000......01220.
..........00000.
