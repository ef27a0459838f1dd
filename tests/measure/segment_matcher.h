// Compares chart segments coordinate by coordinate within a few ulps, since
// levels such as 5 + 0.03 + 0.5 need not be the literal 5.53 to the last bit.
#pragma once

#include "chart_geometry.h"

#include <gmock/gmock.h>

#include <ostream>

namespace zentor {

inline void PrintTo(const LineSegment& s, std::ostream* os) {
    *os << "(" << s.x1 << ", " << s.y1 << ") -> (" << s.x2 << ", " << s.y2 << ")";
}

namespace test {

MATCHER_P(SegmentIs, expected, "") {
    using ::testing::DoubleEq;
    return ::testing::Matches(DoubleEq(expected.x1))(arg.x1) &&
           ::testing::Matches(DoubleEq(expected.y1))(arg.y1) &&
           ::testing::Matches(DoubleEq(expected.x2))(arg.x2) &&
           ::testing::Matches(DoubleEq(expected.y2))(arg.y2);
}

inline auto segmentIs(double x1, double y1, double x2, double y2) {
    return SegmentIs(LineSegment{x1, y1, x2, y2});
}

} // namespace test
} // namespace zentor
