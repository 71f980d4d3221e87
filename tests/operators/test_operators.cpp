// Operator accounts on a real installation: the login check, insertion and merge refusals,
// the full-name cache, binding rows, and rest data of older versions.
#include "OperatorsFixture.h"

namespace {

class Operators : public OperatorsFixture {};

TEST_F(Operators, AuthorizeComparesNameAndPasswordExactlyOnTheServer) {
    auto alice = Stored<COperator>(1200, u"alice", [](CNameObject& o) {
        auto& op = static_cast<COperator&>(o);
        op.SetPwd(u"Secret");
        op.SetExpireDate(COleDateTime(2000, 1, 1, 0, 0, 0));  // expiry is not checked here
    });
    Stored<COperator>(1200, u"bob", [](CNameObject& o) {
        o.SetServerNO(2);
        o.SetID(500);
        static_cast<COperator&>(o).SetPwd(u"x");
    });
    auto hashed = Stored<COperator>(1200, u"carol", [](CNameObject& o) {
        static_cast<COperator&>(o).SetPwd(COperator::HashPassword(u"pa55"));
    });
    ASSERT_TRUE(COperator::IsPasswordHash(hashed->GetPwd()));
    const CString hash = hashed->GetPwd();
    struct Case {
        const char* name;      // null: no name
        const char* password;  // null: no password
        std::uint32_t server;
        int expected;
    } cases[] = {
        {"alice", "Secret", 1, 1}, {"Alice", "Secret", 1, 0}, {"alice", "secret", 1, 0},
        {"alice", nullptr, 1, 0},  {nullptr, "Secret", 1, 0}, {"alice", "Secret", 2, 0},
        {"nobody", "", 1, 0},      {"bob", "x", 2, 1},        {"bob", "x", 1, 0},
        {"carol", "pa55", 1, 1},   {"carol", "pa56", 1, 0},
    };
    for (const auto& c : cases) {
        const CString name = CString::FromUtf8(c.name ? c.name : ""),
                      pwd = CString::FromUtf8(c.password ? c.password : "");
        EXPECT_EQ(c.expected, COperator::Authorize(c.name ? &name : nullptr,
                                                   c.password ? &pwd : nullptr, c.server))
            << (c.name ? c.name : "(null)") << " " << (c.password ? c.password : "(null)") << " "
            << c.server;
    }
    EXPECT_EQ(0, COperator::Authorize(u"carol", hash, 1));  // the hash itself is no password
    EXPECT_EQ(alice, COperator::GetOperator(u"alice", 1));
}

TEST_F(Operators, InsertAndDeleteKeepTheStoreAndTheNameCache) {
    auto alice = Op(u"alice");
    EXPECT_NE(0.0, alice->GetModifyPassTime().m_dt);  // local operator: set to now
    EXPECT_EQ(CString(u"alice"), COperator::GetSafeFullName(alice->GetID()));
    auto twin = New<COperator>();
    twin->SetFullName(u"alice");
    EXPECT_EQ(E_OPERATOR_NAME_EXISTS, COperator::InsertObject(twin));
    twin->SetServerNO(2);
    twin->SetID(900);
    EXPECT_EQ(0, COperator::InsertObject(twin));  // same name on another server
    EXPECT_EQ(0.0, twin->GetModifyPassTime().m_dt);
    EXPECT_EQ(E_WRONG_OBJECT_CLASS, COperator::InsertObject(Group(u"g")));
    EXPECT_EQ(E_WRONG_OBJECT_CLASS, COperator::DeleteObject(nullptr));

    ASSERT_EQ(0, COperator::DeleteObject(alice));
    EXPECT_EQ(CString(), COperator::GetSafeFullName(alice->GetID()));
    EXPECT_FALSE(COperator::GetOperator(u"alice", 1));
}

TEST_F(Operators, MergeRefusesANewFullNameAndMovesThePasswordTime) {
    auto op = Op(u"op");
    auto copy = std::static_pointer_cast<COperator>(op->Clone(SECTION_WHOLE_OBJECT));
    ASSERT_TRUE(copy);
    copy->SetFullName(u"renamed");
    copy->SetPwd(u"new");
    std::uint32_t changed = 0;
    EXPECT_EQ(E_OPERATOR_NAME_FIXED, op->OnObjectChange(copy, changed, SECTION_WHOLE_OBJECT));
    EXPECT_EQ(0u, changed);
    EXPECT_EQ(CString(), op->GetPwd());

    // Description only: accepted, the cache refreshed; the password change moves ModifyPassTime.
    {
        std::lock_guard<std::mutex> lock(COperator::ms_csLock);
        COperator::ms_mapOperatorFullName.erase(op->GetID());
    }
    copy->SetFullName(u"op");
    copy->SetDescription(u"desk");
    op->SetModifyPassTime(COleDateTime());
    EXPECT_EQ(0, op->OnObjectChange(copy, changed, SECTION_BASIC_DATA | SECTION_REST_DATA));
    EXPECT_EQ(SECTION_BASIC_DATA | SECTION_REST_DATA, changed);
    EXPECT_EQ(CString(u"op"), COperator::GetSafeFullName(op->GetID()));
    EXPECT_EQ(CString(u"new"), op->GetPwd());
    EXPECT_NE(0.0, op->GetModifyPassTime().m_dt);
}

TEST_F(Operators, BindingRowsNameOnlyPersonsInTheStore) {
    auto person = Stored<CAccessObject>(2, u"person");
    auto op = Op(u"op");
    op->SetPersons({person->GetObjectUniqueID(), {501, 999, 1}});
    ASSERT_EQ(0, op->UpdateRecord());
    const std::string rows = "SELECT nPersonID FROM OperatorBindingPerson WHERE nOperatorID = " +
                             std::to_string(op->GetID());
    EXPECT_EQ(std::vector<long long>{person->GetID()}, QueryInts(rows));
    op->SetPersons({});
    ASSERT_EQ(0, op->UpdateDataBase());
    EXPECT_TRUE(QueryInts(rows).empty());
    Exec("DROP TABLE OperatorBindingPerson");
    EXPECT_EQ(E_DATABASE_OPERATION, op->UpdateDataBase());
}

TEST_F(Operators, OlderRestDataVersionsKeepLaterFields) {
    auto op = New<COperator>();
    FillOperatorRestData(*op);
    CBufferWriter w;
    ASSERT_EQ(1, op->SaveRestData(w));
    // Version 0x03000300 ends after the persons: the later groups keep their current values.
    // After the persons: 4 words, a set of one key (16 bytes), 3 words and a date: 52 bytes.
    std::vector<std::uint8_t> old(w.GetData(), w.GetData() + w.GetLength() - 52);
    const std::int32_t length = static_cast<std::int32_t>(old.size()), version = 0x03000300;
    std::memcpy(old.data(), &length, 4);
    CBufferWriter base;
    ASSERT_EQ(1, CAccessObject().SaveRestData(base));
    std::memcpy(old.data() + 4 + base.GetLength(), &version, 4);
    auto older = New<COperator>();
    older->SetPollingTimeEnd(77);
    CBufferReader oldReader(old.data(), static_cast<int>(old.size()));
    ASSERT_EQ(1, older->LoadRestData(oldReader, 0));
    EXPECT_EQ(op->GetPersons(), older->GetPersons());
    EXPECT_EQ(77u, older->GetPollingTimeEnd());
    EXPECT_EQ(100u, older->GetExpirationDay());
    EXPECT_EQ(0.0, older->GetModifyPassTime().m_dt);

    // A block written before operators had a level of their own (the access object's alone)
    // loads with the operator's fields untouched.
    auto legacy = New<COperator>();
    legacy->SetPwd(u"kept");
    CBufferReader baseReader(base.GetData(), base.GetLength());
    ASSERT_EQ(1, legacy->LoadRestData(baseReader, 0));
    EXPECT_EQ(CString(u"kept"), legacy->GetPwd());
}

TEST_F(Operators, HandOverAttributeIsTakenBackFromUnusedHolders) {
    auto g = Group(u"g");
    auto giver = Op(u"giver"), holder = Op(u"holder");
    ASSERT_EQ(0, g->AddObject(giver, 0));
    ASSERT_EQ(0, g->AddObject(holder, 0));
    holder->AddAttribute(1200, COperator::kHandOverAttribute);
    holder->AddAttribute(1200, COperator::kHandedAttribute);
    auto copy = std::static_pointer_cast<COperator>(giver->Clone(SECTION_WHOLE_OBJECT));
    copy->AddAttribute(1200, COperator::kHandOverAttribute);
    std::uint32_t changed = 0;
    EXPECT_EQ(0, giver->OnObjectChange(copy, changed, SECTION_EXT_ATTRIBUTE));
    EXPECT_TRUE(giver->TestAttribute(1200, COperator::kHandOverAttribute));
    EXPECT_FALSE(holder->TestAttribute(1200, COperator::kHandOverAttribute));
    EXPECT_FALSE(holder->TestAttribute(1200, COperator::kHandedAttribute));
    // A merge never clears the attribute.
    auto bare = std::static_pointer_cast<COperator>(giver->Clone(SECTION_WHOLE_OBJECT));
    bare->RemoveAttribute(1200, COperator::kHandOverAttribute);
    EXPECT_EQ(0, giver->OnObjectChange(bare, changed, SECTION_EXT_ATTRIBUTE));
    EXPECT_TRUE(giver->TestAttribute(1200, COperator::kHandOverAttribute));
}

}  // namespace
