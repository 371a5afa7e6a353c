// Dialog units to pixels, with Windows' rounding.
#include <gtest/gtest.h>

#include "win32qt/dialog_units.h"

using namespace win32qt;

TEST(DialogUnits, MulDivRoundsHalfAwayFromZero) {
    const struct {
        int number, numerator, denominator, result;
    } cases[] = {
        {331, 6, 4, 497}, {1, 6, 4, 2},  {3, 6, 4, 5},   {178, 13, 8, 289}, {-3, 6, 4, -5},
        {3, -6, 4, -5},   {5, 1, 2, 3},  {7, 13, 8, 11}, {0, 5, 3, 0},      {5, 3, 0, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mul_div(c.number, c.numerator, c.denominator), c.result)
            << c.number << " * " << c.numerator << " / " << c.denominator;
}

TEST(DialogUnits, BaseUnitsAreTheRoundedAverageWidthAndTheHeight) {
    // 52 letters: the average rounds to nearest, as Windows rounds it.
    EXPECT_EQ(base_units_from(52 * 6, 13).x, 6);
    EXPECT_EQ(base_units_from(300, 13).x, 6);   // 5.77
    EXPECT_EQ(base_units_from(285, 13).x, 5);   // 5.48
    EXPECT_EQ(base_units_from(286, 13).x, 6);   // 5.5
    EXPECT_EQ(base_units_from(300, 13).y, 13);
}

TEST(DialogUnits, RectanglesScaleByAQuarterAndAnEighth) {
    const BaseUnits base{6, 13};
    EXPECT_EQ(dialog_units_to_pixels(115, 7, 213, 166, base), (PixelRect{173, 11, 320, 270}));
    EXPECT_EQ(dialog_units_to_pixels(13, 23, 99, 14, base), (PixelRect{20, 37, 149, 23}));
    EXPECT_EQ(points_to_pixels(8), 11);
}
