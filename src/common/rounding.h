#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// Rounding to the nearest integer with ties to even (2.5 -> 2, 3.5 -> 4), as
// report coordinates and double-to-integer conversions use it. Values outside
// the 32-bit range saturate.
inline std::int32_t roundHalfEven(double value) {
    if (std::isnan(value))
        return 0;
    const double r = std::nearbyint(value); // default rounding mode: to nearest, ties to even
    if (r >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (r <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

inline std::int64_t roundHalfEven64(double value) {
    if (std::isnan(value))
        return 0;
    const double r = std::nearbyint(value);
    if (r >= 9.2233720368547758e18)
        return std::numeric_limits<std::int64_t>::max();
    if (r <= -9.2233720368547758e18)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(r);
}
