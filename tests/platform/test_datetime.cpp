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

TEST(OleDateTime, EpochAndNegativeDates) {
    EXPECT_EQ(Text(COleDateTime(0.0)), "1899-12-30 00:00:00");
    EXPECT_EQ(Text(COleDateTime(2.5)), "1900-01-01 12:00:00");
    // Before the epoch the fraction is still the time of day.
    EXPECT_EQ(Text(COleDateTime(-1.25)), "1899-12-29 06:00:00");
    EXPECT_EQ(Text(COleDateTime(-0.5)), "1899-12-30 12:00:00");

    EXPECT_DOUBLE_EQ(COleDateTime(1899, 12, 29, 6, 0, 0).GetDATE(), -1.25);
    EXPECT_DOUBLE_EQ(COleDateTime(2000, 1, 1, 0, 0, 0).GetDATE(), 36526.0);
}

TEST(OleDateTime, FieldsBothWays) {
    COleDateTime d(2024, 2, 29, 13, 45, 30);  // a leap day, a Thursday
    ASSERT_TRUE(d.IsValid());
    COleDateTime::Fields f;
    ASSERT_TRUE(d.GetAsFields(f));
    EXPECT_EQ((std::vector<int>{f.year, f.month, f.day, f.hour, f.minute, f.second,
                                f.millisecond, f.dayOfWeek, f.dayOfYear}),
              (std::vector<int>{2024, 2, 29, 13, 45, 30, 0, 5, 60}));
    EXPECT_EQ(COleDateTime(1899, 12, 30, 0, 0, 0).GetDayOfWeek(), 7);  // Saturday

    // Every millisecond survives the trip through the double, also before the epoch.
    for (int y : {100, 1899, 9999}) {
        ASSERT_TRUE(FromFields(y, 12, 30, 23, 59, 58, 999).GetAsFields(f)) << y;
        EXPECT_EQ((std::vector<int>{f.year, f.day, f.hour, f.second, f.millisecond}),
                  (std::vector<int>{y, 30, 23, 58, 999}));
    }
}

TEST(OleDateTime, RangeLimitsAndInvalidFields) {
    COleDateTime lo(100, 1, 1, 0, 0, 0);
    COleDateTime hi(9999, 12, 31, 23, 59, 59);
    EXPECT_TRUE(lo.IsValid());
    EXPECT_TRUE(hi.IsValid());
    EXPECT_EQ(Text(lo), "0100-01-01 00:00:00");
    EXPECT_EQ(Text(hi), "9999-12-31 23:59:59");

    EXPECT_EQ(COleDateTime(99, 12, 31, 0, 0, 0).GetStatus(), COleDateTime::invalid);
    COleDateTime d;
    EXPECT_EQ(d.SetDateTime(2023, 2, 29, 0, 0, 0), 1);  // not a leap year
    EXPECT_FALSE(d.IsValid());
    EXPECT_EQ(d.SetDateTime(2024, 1, 1, 24, 0, 0), 1);
    EXPECT_EQ(d.SetDate(2024, 1, 1), 0);
    EXPECT_TRUE(d.IsValid());

    // A valid status with a value outside the range still has no fields or text.
    COleDateTime::Fields f;
    EXPECT_FALSE(COleDateTime(3000000.0).GetAsFields(f));
    EXPECT_EQ(COleDateTime(3000000.0).GetYear(), -1);

    // Out-of-range or non-valid dates give empty texts.
    COleDateTime bad;
    bad.SetStatus(COleDateTime::invalid);
    EXPECT_TRUE(bad.Format().IsEmpty());
    EXPECT_TRUE(COleDateTime(3000000.0).Format().IsEmpty());
}

TEST(OleDateTime, FormatRoundsToNearestSecond) {
    EXPECT_EQ(Text(FromFields(2024, 5, 6, 7, 8, 9, 499)), "2024-05-06 07:08:09");
    EXPECT_EQ(Text(FromFields(2024, 5, 6, 7, 8, 9, 500)), "2024-05-06 07:08:10");
    EXPECT_EQ(Text(FromFields(2023, 12, 31, 23, 59, 59, 600)), "2024-01-01 00:00:00");
    // 1.5 s before midnight of 1899-12-29, written with the backward day count.
    COleDateTime before = FromFields(1899, 12, 28, 23, 59, 59, 700);
    EXPECT_LT(before.GetDATE(), -2.0);
    EXPECT_EQ(Text(before), "1899-12-29 00:00:00");
    // The last representable instant does not round into year 10000.
    EXPECT_EQ(Text(FromFields(9999, 12, 31, 23, 59, 59, 900)), "9999-12-31 23:59:59");
    // A value a hair below a whole second is that second.
    EXPECT_EQ(Text(COleDateTime(1.0 - 1e-9)), "1899-12-31 00:00:00");
}

TEST(OleDateTime, FormatConversions) {
    COleDateTime d(2009, 3, 7, 15, 4, 5);  // a Saturday
    EXPECT_EQ(d.Format("%y|%j|%A|%a|%B|%b|%p|%I|%%|%w").ToUtf8(),
              "09|066|Saturday|Sat|March|Mar|PM|03|%|6");
    EXPECT_EQ(d.Format("%#m/%#d/%Y %#H %#j").ToUtf8(), "3/7/2009 15 66");
    EXPECT_EQ(d.Format("%F %T").ToUtf8(), "2009-03-07 15:04:05");
    // Other text and unknown conversions are kept as they are.
    EXPECT_EQ(d.Format("\xE5\xB9\xB4%Y %Q").ToUtf8(), std::string("\xE5\xB9\xB4") + "2009 %Q");
    EXPECT_EQ(COleDateTime(2009, 3, 7, 0, 0, 0).Format("%p %I").ToUtf8(), "AM 12");
}

TEST(OleDateTime, IsoMsAndParseRoundTrip) {
    COleDateTime d = FromFields(2021, 11, 3, 4, 5, 6, 789);
    EXPECT_EQ(d.FormatIsoMs(), "2021-11-03 04:05:06.789");
    COleDateTime back;
    ASSERT_TRUE(back.ParseDateTime(d.FormatIsoMs()));
    EXPECT_EQ(back.FormatIsoMs(), "2021-11-03 04:05:06.789");
    EXPECT_NEAR(back.GetDATE(), d.GetDATE(), 1e-9);

    COleDateTime old = FromFields(1850, 1, 2, 3, 4, 5, 6);
    ASSERT_TRUE(back.ParseDateTime(old.FormatIsoMs()));
    EXPECT_EQ(back.FormatIsoMs(), "1850-01-02 03:04:05.006");

    struct Case {
        const char* text;
        const char* iso;
    };
    const Case accepted[] = {
        {"2024-01-02T03:04:05.5", "2024-01-02 03:04:05.500"},
        {"2024-01-02 03:04:05.9996", "2024-01-02 03:04:06.000"},
        {"  2024-1-2 3:04  ", "2024-01-02 03:04:00.000"},
    };
    for (const auto& c : accepted) {
        COleDateTime p;
        EXPECT_TRUE(p.ParseDateTime(c.text)) << c.text;
        EXPECT_EQ(p.FormatIsoMs(), c.iso) << c.text;
    }
    const char* rejected[] = {"2024-02-30", "2024-01-02 03:04:05 extra", "9999-12-31 23:59:59.9999"};
    for (const char* text : rejected) {
        COleDateTime p(5.0);
        EXPECT_FALSE(p.ParseDateTime(text)) << text;
        EXPECT_EQ(p.GetStatus(), COleDateTime::invalid) << text;
    }
    COleDateTime wide;
    EXPECT_TRUE(wide.ParseDateTime(CString(u"2024-01-02 03:04:05")));
    EXPECT_EQ(Text(wide), "2024-01-02 03:04:05");
}

TEST(OleDateTime, ArithmeticAndOrderAcrossTheEpoch) {
    COleDateTime d(0.25);  // 1899-12-30 06:00
    COleDateTime earlier = d - 1.5;
    EXPECT_EQ(Text(earlier), "1899-12-28 18:00:00");
    EXPECT_DOUBLE_EQ(earlier.GetDATE(), -2.75);
    EXPECT_DOUBLE_EQ(d - earlier, 1.5);
    EXPECT_EQ(Text(earlier + 1.5), "1899-12-30 06:00:00");
    EXPECT_EQ(Text(COleDateTime(-1.25) + 2.0), "1899-12-31 06:00:00");

    // -1.75 (1899-12-29 18:00) is later than -1.25 (1899-12-29 06:00).
    EXPECT_TRUE(COleDateTime(-1.25) < COleDateTime(-1.75));
    EXPECT_TRUE(COleDateTime(-2.0) < COleDateTime(-1.25));

    COleDateTime bad;
    bad.SetStatus(COleDateTime::invalid);
    EXPECT_FALSE((bad + 1.0).IsValid());
    EXPECT_TRUE(std::isnan(bad - d));
    EXPECT_FALSE((COleDateTime(9999, 12, 31, 0, 0, 0) + 1.0).IsValid());
}

TEST(OleDateTime, CurrentTimeIsLocalTime) {
    // A zone eight hours east of UTC, without needing the zone database.
    setenv("TZ", "XYZ-8", 1);
    tzset();
    const double utc_now = 25569.0 + static_cast<double>(std::time(nullptr)) / 86400.0;
    COleDateTime now = COleDateTime::GetCurrentTime();
    ASSERT_TRUE(now.IsValid());
    EXPECT_NEAR(now.GetDATE() - utc_now, 8.0 / 24.0, 5.0 / 86400.0);

    // The reading carries milliseconds, not only whole seconds.
    bool sub_second = false;
    for (int i = 0; i < 50 && !sub_second; ++i) {
        COleDateTime::Fields f;
        ASSERT_TRUE(COleDateTime::GetCurrentTime().GetAsFields(f));
        sub_second = f.millisecond != 0;
    }
    EXPECT_TRUE(sub_second);
}
