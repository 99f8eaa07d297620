// Drawing operations and the draw target.
#pragma once

// Makes a graph, -2 (back screen) or -4 (front screen) the draw target (-3
// and -5 act as -2): 0, or -1 before graphics start or for another value.
int SelectDrawTarget(int target);
