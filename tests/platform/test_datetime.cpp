#include "support/Test.h"

namespace {

std::string Text(const COleDateTime& d) { return d.Format().ToUtf8(); }

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
}

TEST(OleDateTime, IsoMsAndParse) {
    COleDateTime old;
    ASSERT_EQ(old.SetDateTime(COleDateTime::Fields{1850, 1, 2, 3, 4, 5, 6}), 0);
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
         {"2024-02-30", "2024-01-02 03:04:05 extra", "9999-12-31 23:59:59.9999",
          "2024-02-30 00:00:00.000", "2024-01-02 03:04:0x.006", "2024-01-02 24:00:00.000"}) {
        COleDateTime p(5.0);
        EXPECT_FALSE(p.ParseDateTime(text)) << text;
        EXPECT_EQ(p.GetStatus(), COleDateTime::invalid) << text;
    }
}
