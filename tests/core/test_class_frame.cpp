// The area alarm linkage-action record: its byte format and refused input.
#include <gtest/gtest.h>

#include "areas/AreaAlarmLinkageAction.h"

namespace {

TEST(AreaAlarmLinkageAction, OrderAndFormat) {
    using Action = AREA_ALARM_LINKAGE_ACTION;
    EXPECT_EQ(Action(0, 0, 10, 1, 0), Action());

    const std::vector<std::uint8_t> expected = {0x18, 0,    0,    0,    0x00, 0x01, 0x00, 0x03,
                                                0x78, 0x56, 0x34, 0x12, 0x02, 0x00, 0x0A, 0x00,
                                                0x04, 0,    0,    0,    0x05, 0,    0,    0};
    CBufferWriter w;
    ASSERT_EQ(1, Action(0x12345678, 2, 10, 4, 5).SaveData(w));
    EXPECT_EQ(expected, w.bytes());
    Action back;
    CBufferReader r(expected.data(), static_cast<int>(expected.size()));
    ASSERT_EQ(1, back.LoadData(r));
    EXPECT_EQ(Action(0x12345678, 2, 10, 4, 5), back);

    // A newer version or a length that lies fails with the position kept and nothing changed.
    for (auto [offset, value] : {std::pair{4, 0x01}, std::pair{0, 0x1C}}) {
        std::vector<std::uint8_t> bad = expected;
        bad[offset] = static_cast<std::uint8_t>(value);
        CBufferReader br(bad.data(), static_cast<int>(bad.size()));
        Action untouched;
        EXPECT_EQ(0, untouched.LoadData(br));
        EXPECT_EQ(0, br.GetPosition());
        EXPECT_EQ(Action(), untouched);
    }
}

}  // namespace
