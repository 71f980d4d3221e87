#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/OleDateTime.h"

namespace {

std::string Text(const COleDateTime& d) { return d.Format().ToUtf8(); }

COleDateTime FromFields(int y, int mo, int d, int h, int mi, int s, int ms) {
    COleDateTime dt;
    EXPECT_EQ(dt.SetDateTime(COleDateTime::Fields{y, mo, d, h, mi, s, ms}), 0);
    return dt;
}

}  // namespace

TEST(OleDateTime, EpochNegativeDatesAndFields) {
    EXPECT_EQ(Text(COleDateTime(2.5)), "1900-01-01 12:00:00");
    // Before the epoch the fraction is still the time of day.
    EXPECT_EQ(Text(COleDateTime(-1.25)), "1899-12-29 06:00:00");
    EXPECT_DOUBLE_EQ(COleDateTime(1899, 12, 29, 6, 0, 0).GetDATE(), -1.25);
    EXPECT_DOUBLE_EQ(COleDateTime(2000, 1, 1, 0, 0, 0).GetDATE(), 36526.0);

    COleDateTime::Fields f;
    ASSERT_TRUE(COleDateTime(2024, 2, 29, 13, 45, 30).GetAsFields(f));  // a leap day, Thursday
    EXPECT_EQ((std::vector<int>{f.year, f.month, f.day, f.hour, f.minute, f.second, f.dayOfWeek,
                                f.dayOfYear}),
              (std::vector<int>{2024, 2, 29, 13, 45, 30, 5, 60}));
    // Every millisecond survives the trip through the double, also before the epoch.
    for (int y : {100, 1899, 9999}) {
        ASSERT_TRUE(FromFields(y, 12, 30, 23, 59, 58, 999).GetAsFields(f)) << y;
        EXPECT_EQ((std::vector<int>{f.year, f.second, f.millisecond}),
                  (std::vector<int>{y, 58, 999}));
    }
}

TEST(OleDateTime, RangeLimitsAndInvalidValues) {
    EXPECT_EQ(COleDateTime(99, 12, 31, 0, 0, 0).GetStatus(), COleDateTime::invalid);
    COleDateTime d;
    EXPECT_EQ(d.SetDateTime(2023, 2, 29, 0, 0, 0), 1);  // not a leap year
    EXPECT_FALSE(d.IsValid());
    EXPECT_EQ(d.SetDateTime(2024, 1, 1, 24, 0, 0), 1);
    // A valid status with a value outside the range still has no fields or text.
    COleDateTime::Fields f;
    EXPECT_FALSE(COleDateTime(3000000.0).GetAsFields(f));
    EXPECT_TRUE(COleDateTime(3000000.0).Format().IsEmpty());
    EXPECT_FALSE((COleDateTime(9999, 12, 31, 0, 0, 0) + 1.0).IsValid());
    COleDateTime bad;
    bad.SetStatus(COleDateTime::invalid);
    EXPECT_TRUE(bad.Format().IsEmpty());
    EXPECT_TRUE(std::isnan(bad - d));
}

TEST(OleDateTime, FormatRoundsToNearestSecond) {
    EXPECT_EQ(Text(FromFields(2024, 5, 6, 7, 8, 9, 499)), "2024-05-06 07:08:09");
    EXPECT_EQ(Text(FromFields(2023, 12, 31, 23, 59, 59, 600)), "2024-01-01 00:00:00");
    // 1.5 s before midnight of 1899-12-29, written with the backward day count.
    EXPECT_EQ(Text(FromFields(1899, 12, 28, 23, 59, 59, 700)), "1899-12-29 00:00:00");
    // The last representable instant does not round into year 10000.
    EXPECT_EQ(Text(FromFields(9999, 12, 31, 23, 59, 59, 900)), "9999-12-31 23:59:59");

    COleDateTime d(2009, 3, 7, 15, 4, 5);  // a Saturday
    EXPECT_EQ(d.Format("%j|%p|%I|%#m/%#d").ToUtf8(), "066|PM|03|3/7");
    // Other text and unknown conversions are kept as they are.
    EXPECT_EQ(d.Format("\xE5\xB9\xB4%Y %Q").ToUtf8(), std::string("\xE5\xB9\xB4") + "2009 %Q");
}

TEST(OleDateTime, IsoMsAndParse) {
    const COleDateTime old = FromFields(1850, 1, 2, 3, 4, 5, 6);
    COleDateTime back;
    ASSERT_TRUE(back.ParseDateTime(old.FormatIsoMs()));
    EXPECT_EQ(back.FormatIsoMs(), "1850-01-02 03:04:05.006");

    const std::pair<const char*, const char*> accepted[] = {
        {"2024-01-02T03:04:05.5", "2024-01-02 03:04:05.500"},
        {"2024-01-02 03:04:05.9996", "2024-01-02 03:04:06.000"},
        {"  2024-1-2 3:04  ", "2024-01-02 03:04:00.000"},
    };
    for (const auto& [text, iso] : accepted) {
        COleDateTime p;
        EXPECT_TRUE(p.ParseDateTime(text)) << text;
        EXPECT_EQ(p.FormatIsoMs(), iso) << text;
    }
    for (const char* text :
         {"2024-02-30", "2024-01-02 03:04:05 extra", "9999-12-31 23:59:59.9999"}) {
        COleDateTime p(5.0);
        EXPECT_FALSE(p.ParseDateTime(text)) << text;
        EXPECT_EQ(p.GetStatus(), COleDateTime::invalid) << text;
    }
}

TEST(OleDateTime, CurrentTimeIsLocalTimeWithMilliseconds) {
    setenv("TZ", "XYZ-8", 1);  // eight hours east of UTC, without the zone database
    tzset();
    const double utcNow = 25569.0 + static_cast<double>(std::time(nullptr)) / 86400.0;
    EXPECT_NEAR(COleDateTime::GetCurrentTime().GetDATE() - utcNow, 8.0 / 24.0, 5.0 / 86400.0);
    bool subSecond = false;
    for (int i = 0; i < 50 && !subSecond; ++i) {
        COleDateTime::Fields f;
        ASSERT_TRUE(COleDateTime::GetCurrentTime().GetAsFields(f));
        subSecond = f.millisecond != 0;
    }
    EXPECT_TRUE(subSecond);
}
