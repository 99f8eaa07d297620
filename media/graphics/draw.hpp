// Drawing operations and the draw target.
#pragma once

// Makes a graph, -2 (back screen) or -4 (front screen) the draw target: 0 or -1.
int SelectDrawTarget(int target);
