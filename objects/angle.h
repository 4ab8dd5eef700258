// Angles of the swinging arm and the turntable are in degrees.
#pragma once

// With 3.1415, not a closer pi: at 90 and 180 degrees an arm then falls just
// short of its full length, and the truncation that follows takes a whole
// pixel off (49, not 50, for an arm of 50).
inline double degrees_to_radians(double degrees) { return degrees * 3.1415 / 180; }
