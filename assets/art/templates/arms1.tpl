# One-handed arm: shoulder pivot at (0,1), hand at the right end.
size 8 3
pixels
00000000
vBBBbSs0
0000000.
