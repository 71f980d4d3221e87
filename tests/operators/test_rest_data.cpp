// The rest data of every class with a level of its own, filled with values other than the
// defaults: what is written reads back into a new object, which writes the same bytes again;
// every shorter prefix is refused with the reader where it was.
#include "OperatorsFixture.h"

namespace {

template <class T>
void ExpectRoundTripAndRefusedTruncations(const std::function<void(T&)>& fill) {
    auto source = New<T>();
    SCOPED_TRACE(source->GetRuntimeClass()->m_lpszClassName);
    fill(*source);
    CBufferWriter written;
    ASSERT_EQ(1, source->SaveRestData(written));
    auto copy = New<T>();
    CBufferReader reader(written.GetData(), written.GetLength());
    ASSERT_EQ(1, copy->LoadRestData(reader, 0));
    EXPECT_EQ(written.GetLength(), reader.GetPosition());
    CBufferWriter again;
    ASSERT_EQ(1, copy->SaveRestData(again));
    EXPECT_EQ(written.bytes(), again.bytes());
    for (int cut = 0; cut < written.GetLength(); ++cut) {
        CBufferReader part(written.GetData(), cut);
        EXPECT_EQ(0, New<T>()->LoadRestData(part, 0)) << cut;
        EXPECT_EQ(0, part.GetPosition()) << cut;
    }
}

void Areas(CAccessObject& o) { o.SetAreaID({3, 9}); }

TEST(RestDataOfEveryClass, RoundTripsAndRefusesEveryTruncation) {
    const auto key = &CPrivilegeBase::MakePrivilegeKey;
    ExpectRoundTripAndRefusedTruncations<CAccessObject>(Areas);
    ExpectRoundTripAndRefusedTruncations<CContainer>(Areas);
    ExpectRoundTripAndRefusedTruncations<CArticleBase>(Areas);
    ExpectRoundTripAndRefusedTruncations<COptionBase>(Areas);
    ExpectRoundTripAndRefusedTruncations<CAreaGroup>(Areas);
    ExpectRoundTripAndRefusedTruncations<CPrivilegeBase>([&](CPrivilegeBase& p) {
        p.SetGrantedPrivileges({key(7, 3), key(8, 1)});
    });
    ExpectRoundTripAndRefusedTruncations<COperator>(FillOperatorRestData);
    ExpectRoundTripAndRefusedTruncations<COperatorGroup>([](COperatorGroup& g) {
        g.SetPrivilegeObject({{1, {{(std::uint64_t{62} << 32) | 5, 9}}}});
        g.SetPrivilegeLock({{2, {{1, 1}}}});
    });
    ExpectRoundTripAndRefusedTruncations<CArea>([](CArea& area) {
        area.SetAreaPersons({9, 4});
        area.SetLinkage(7, {AREA_ALARM_LINKAGE_ACTION(1, 2, 3, 4, 5)});
        area.SetDefenseButtonMode(_DEFENSE_BUTTON_MODE{{{1, 2}}});
        area.SetDefenseMode({3, 1});
        area.SetDefenseKeepTime(0x46);
    });
}

}  // namespace
