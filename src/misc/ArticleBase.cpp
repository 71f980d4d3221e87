#include "misc/ArticleBase.h"

NO_IMPLEMENT_OBJECT_CLASS(CArticleBase, CAccessObject)

CArticleBase::CArticleBase() { m_nClassID = kClassID; }

CArticleBase::~CArticleBase() = default;
