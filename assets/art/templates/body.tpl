# Torso in a blue shirt (variants.txt recolours b/B/v).
size 8 10
pixels
.000000.
0vvBBBb0
0vBBBBb0
0vBBBBb0
0vBBBBb0
0BBBBBb0
0BBBBbb0
0bbbbbb0
0t2T6Tt0
.000000.
