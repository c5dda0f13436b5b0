// The short amounts of the compact labels: at most four characters, rounded as shown, and
// nothing that passes for a reading when the amount is not one.
#include "platform/statusbar/TrayHeadline.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace orb;

TEST(TrayHeadline, shortAmountsFitFourCharacters)
{
    struct Case {
        double amount;
        double step;
        const char *text;
    };
    const Case cases[] = {
        {0, 1024, "0"},
        {-5, 1024, "0"},
        {std::nan(""), 1024, "0"},
        {std::numeric_limits<double>::infinity(), 1024, "0"},
        {512, 1024, "512"},
        {999.4, 1024, "999"},
        {999.6, 1024, "1.0K"}, // rounds to four digits: the next prefix
        {1024, 1024, "1.0K"},
        {1228.8, 1024, "1.2K"},
        {10189, 1024, "10K"}, // 9.95K shows as 10K, not 9.9K or 10.0K
        {40960, 1024, "40K"},
        {1023.9 * 1024, 1024, "1.0M"},
        {1.2 * 1024 * 1024, 1024, "1.2M"},
        {3.0 * 1024 * 1024 * 1024, 1024, "3.0G"},
        {2400, 1000, "2.4K"},
        {999999, 1000, "1.0M"},
        {250000, 1000, "250K"},
        {1e30, 1000, "999E"},
        {2048, 0, "2.0K"}, // a step that is no step counts in 1024s
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = TrayHeadline::shortAmount(c.amount, c.step);
        EXPECT_EQ(text, QLatin1String(c.text));
        EXPECT_LE(text.size(), 4);
    }
}
