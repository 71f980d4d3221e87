// Articles and options (rest data, the class-6000 store entry) and social-security records.
#include "support/Test.h"

// An article class of another module.
class CTestArticle : public CArticleBase {
    NO_DECLARE_OBJECT_CLASS(CTestArticle, 6001, 0x83000100)
public:
    CTestArticle() { m_nClassID = kClassID; }
};
NO_IMPLEMENT_OBJECT_CLASS(CTestArticle, CArticleBase)

namespace {

using IDs = std::set<std::uint32_t>;

// The access object's level alone: what articles and options stored before they had a level
// of their own, under the same row version.
CBufferWriter AccessLevelOnly(const IDs& areas) {
    CAccessObject access;
    access.SetAreaID(areas);
    CBufferWriter w;
    access.CAccessObject::SaveRestData(w);
    return w;
}

std::shared_ptr<CAccessObject> NewOfClass(std::uint32_t classID) {
    return std::static_pointer_cast<CAccessObject>(classID == 6000 ? CArticleBase::CreateObj()
                                                                   : COptionBase::CreateObj());
}

TEST(AuxRestData, OlderAndNewerFormsOfBothClasses) {
    for (std::uint32_t classID : {6000u, 1800u}) {
        SCOPED_TRACE(classID);
        auto source = NewOfClass(classID);
        source->SetAreaID({3, 9});
        CBufferWriter current;
        ASSERT_EQ(1, source->SaveRestData(current));
        // Length, the access object's level (4 + 8 + 4 + 4 + 2*4 bytes), the version.
        ASSERT_EQ(4 + 28 + 4, current.GetLength());

        const CBufferWriter older = AccessLevelOnly({4});
        auto fromOlder = NewOfClass(classID);
        CBufferReader ro(older.GetData(), older.GetLength());
        EXPECT_EQ(1, fromOlder->LoadRestData(ro, 0));
        EXPECT_EQ(IDs({4}), fromOlder->GetAreaID());

        // A newer level is neither read nor taken for the older form: the areas stay.
        const std::uint32_t newer = 0x03000101;
        current.ChangeBuffer(current.GetLength() - 4, &newer, 4);
        CBufferReader rn(current.GetData(), current.GetLength());
        EXPECT_EQ(0, fromOlder->LoadRestData(rn, 0));
        EXPECT_EQ(IDs({4}), fromOlder->GetAreaID());
        EXPECT_EQ(0, rn.GetPosition());
    }
}

using Articles = ConnectedInstallation;

TEST_F(Articles, DerivedArticlesAreFiledUnderClass6000OnlyWhileStored) {
    auto article = CTestArticle::CreateObj();
    ASSERT_EQ(S_SUCCESS, CArticleBase::InsertObject(article));
    EXPECT_EQ(article, GDM_Find(6000, article->GetID()));
    ASSERT_EQ(S_SUCCESS, CArticleBase::DeleteObject(article));
    EXPECT_FALSE(GDM_Find(6000, article->GetID()));
}

TEST(SocialSecurity, SavedFormRoundTripsAndStopsAtTheFirstBadField) {
    const CSocialSecurity defaults;
    CBufferWriter w;
    EXPECT_EQ(16, defaults.SaveData(w));  // type, and two strings of one zero unit
    CSocialSecurity back(5, u"x", u"y");
    CBufferReader r(w.GetData(), w.GetLength());
    ASSERT_EQ(1, back.LoadData(r));
    EXPECT_EQ(1, back.GetType());
    EXPECT_TRUE(back.GetNumber().IsEmpty() && back.GetDepartment().IsEmpty());

    CBufferWriter full;
    CSocialSecurity(7, u"N-1", u"Dept").SaveData(full);
    CSocialSecurity partial;
    CBufferReader cut(full.GetData(), full.GetLength() - 2);  // department cut short
    EXPECT_EQ(0, partial.LoadData(cut));
    EXPECT_EQ(7, partial.GetType());
    EXPECT_EQ(CString(u"N-1"), partial.GetNumber());
    EXPECT_TRUE(partial.GetDepartment().IsEmpty());
}

}  // namespace
