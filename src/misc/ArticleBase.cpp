#include "misc/ArticleBase.h"

NO_IMPLEMENT_OBJECT_CLASS(CArticleBase, CAccessObject, 6000, 0x83000100)

CArticleBase::CArticleBase() { m_nClassID = 6000; }

CArticleBase::~CArticleBase() = default;
