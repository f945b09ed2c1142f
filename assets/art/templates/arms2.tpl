# Two-handed arms: shoulder pivot at (6,1); near arm reaching to the fore
# grip, far arm bent below it to the trigger hand.
size 14 6
pixels
....000000....
....0vBBBbbS00
....0vBBb000Ss
...0vBb0zSSss0
...0bb0zSsS00.
....00000000..
