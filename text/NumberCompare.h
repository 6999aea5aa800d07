#pragma once
// Numbers read from fields are compared with a tolerance of 0.0000001.

namespace kestrova {

inline constexpr double kNumberTolerance = 0.0000001;

inline bool NumberGreater(double x, double c) { return x - c > kNumberTolerance; }
inline bool NumberLess(double x, double c) { return x - c < -kNumberTolerance; }
inline bool NumberEqual(double x, double c) {
    const double d = x - c;
    return (d < 0 ? -d : d) <= kNumberTolerance;
}
inline bool NumberAtMost(double x, double c) { return x - c <= kNumberTolerance; }

}  // namespace kestrova
