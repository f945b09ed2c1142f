# Head facing right, drawn in black hair (variants.txt recolours a/A).
size 6 7
pixels
.0000.
0aAAa0
0AaSs0
0aSs0s
0azSsS
.0zSS0
..000.
