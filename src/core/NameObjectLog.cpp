// Change-log texts: a language template per operation and outcome, filled with class names,
// full names and the error text, and handed to the operation log with the object's key.
#include "core/NameObjectLog.h"

#include <initializer_list>

#include "core/NameObject.h"
#include "platform/Language.h"
#include "platform/OperationLog.h"

namespace {

// Log types passed to the operation log.
constexpr NS_LOG::LOG_TYPE kLogCreate = 0x41;
constexpr NS_LOG::LOG_TYPE kLogDelete = 0x21;
constexpr NS_LOG::LOG_TYPE kLogRemoveMember = 0x111;
constexpr NS_LOG::LOG_TYPE kLogInsertMember = 0x11;
constexpr NS_LOG::LOG_TYPE kLogChange = 0x31;

constinit OperatorIDReader g_operatorID = nullptr;

bool Failed(std::uint32_t result) { return static_cast<std::int32_t>(result) < 0; }

// printf-style formatting of a template with string arguments: each "%s" (also "%ls" and
// "%S") takes the next argument, "%%" is a percent sign; a conversion without an argument
// left becomes empty.
CString FormatTemplate(const CString& tmpl, std::initializer_list<CString> args) {
    const std::u16string& t = tmpl.str();
    auto next = args.begin();
    std::u16string out;
    out.reserve(t.size() + 64);
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] != u'%' || i + 1 >= t.size()) {
            out += t[i];
            continue;
        }
        std::size_t j = i + 1;
        if (t[j] == u'%') {
            out += u'%';
            i = j;
            continue;
        }
        if (t[j] == u'l' && j + 1 < t.size() && t[j + 1] == u's') ++j;
        if (t[j] == u's' || t[j] == u'S') {
            if (next != args.end()) out += (next++)->str();
            i = j;
            continue;
        }
        out += t[i];
    }
    return CString(std::move(out));
}

CString Template(const char16_t* key) { return CAnalyzeLangINI::GetValue(u"string", key); }

CString ClassName(const CNameObject& o) { return GetClassNameW(o.GetObjectClassID()); }

CString ErrorText(std::uint32_t result) { return CAnalyzeLangINI::GetError(result); }

const CNameObject& Self(const CNameObjectLog* facet) {
    return *dynamic_cast<const CNameObject*>(facet);
}

int Write(const CNameObjectLog* facet, const std::shared_ptr<COperator>& op, const CString& text,
          NS_LOG::LOG_TYPE type, std::uint32_t logValue) {
    const CNameObject& self = Self(facet);
    const std::uint32_t operatorID = g_operatorID != nullptr ? g_operatorID(*op) : 0;
    NS_LOG::AddLog(operatorID, text, type, logValue, self.GetObjectClassID(), self.GetID(),
                   self.GetServerNO());
    return 1;
}

}  // namespace

void SetOperatorIDReader(OperatorIDReader reader) { g_operatorID = reader; }

CString CNameObjectLog::CreateObjectLog(std::uint32_t result, std::shared_ptr<CNameObject> parent) {
    const CNameObject& self = Self(this);
    if (!Failed(result)) {
        if (parent) {
            return FormatTemplate(
                Template(u"IDF_LogCreateObjectSuccess"),
                {ClassName(*parent), parent->GetFullName(), ClassName(self), self.GetFullName()});
        }
        return FormatTemplate(Template(u"IDF_LogCreateObjectSuccessNotHaveParent"),
                              {ClassName(self), self.GetFullName()});
    }
    if (parent) {
        return FormatTemplate(Template(u"IDF_LogCreateObjectFail"),
                              {ClassName(*parent), parent->GetFullName(), ClassName(self),
                               self.GetFullName(), ErrorText(result)});
    }
    return FormatTemplate(Template(u"IDF_LogCreateObjectFailNotHaveParent"),
                          {ClassName(self), self.GetFullName(), ErrorText(result)});
}

CString CNameObjectLog::DeleteObjectLog(const std::vector<std::shared_ptr<CContainer>>&,
                                        std::uint32_t result) {
    const CNameObject& self = Self(this);
    return FormatTemplate(Template(u"IDF_LogDeleteObject"),
                          {ClassName(self), self.GetFullName(), ErrorText(result)});
}

CString CNameObjectLog::RemoveObjectLog(std::uint32_t result,
                                        std::shared_ptr<CNameObject> container) {
    const CNameObject& self = Self(this);
    if (!container) {
        return FormatTemplate(Template(u"IDF_LogDeleteMemberObjectContainerNull"),
                              {ClassName(self), self.GetFullName()});
    }
    return FormatTemplate(Template(u"IDF_LogDeleteMemberObject"),
                          {ClassName(*container), container->GetFullName(), ClassName(self),
                           self.GetFullName(), ErrorText(result)});
}

CString CNameObjectLog::InsertObjectLog(std::uint32_t result,
                                        std::shared_ptr<CNameObject> container) {
    const CNameObject& self = Self(this);
    if (!container) {
        return FormatTemplate(Template(u"IDF_LogAddMemberObjectContainerNull"),
                              {ClassName(self), self.GetFullName()});
    }
    return FormatTemplate(Template(u"IDF_LogAddMemberObject"),
                          {ClassName(*container), container->GetFullName(), ClassName(self),
                           self.GetFullName(), ErrorText(result)});
}

CString CNameObjectLog::ChangeObjectLog(std::uint32_t result, std::shared_ptr<CNameObject> first,
                                        std::shared_ptr<CNameObject> second) {
    if (!first || !second) return CString();
    if (!Failed(result) && first->GetFullName() != second->GetFullName()) {
        return FormatTemplate(
            Template(u"IDF_LogSetObject_ChangeName"),
            {ClassName(*first), second->GetFullName(), first->GetFullName(), ErrorText(result)});
    }
    return FormatTemplate(Template(u"IDF_LogSetObject"),
                          {ClassName(*first), second->GetFullName(), ErrorText(result)});
}

int CNameObjectLog::WriteCreateObjectLog(std::shared_ptr<COperator> op, std::uint32_t result,
                                         std::uint32_t logValue,
                                         std::shared_ptr<CNameObject> parent) {
    if (!op) return 0;
    return Write(this, op, CreateObjectLog(result, parent), kLogCreate, logValue);
}

int CNameObjectLog::WriteDeleteObjectLog(std::shared_ptr<COperator> op,
                                         const std::vector<std::shared_ptr<CContainer>>& containers,
                                         std::uint32_t result, std::uint32_t logValue) {
    if (!op) return 0;
    return Write(this, op, DeleteObjectLog(containers, result), kLogDelete, logValue);
}

int CNameObjectLog::WriteRemoveObjectLog(std::shared_ptr<COperator> op, std::uint32_t result,
                                         std::uint32_t logValue,
                                         std::shared_ptr<CNameObject> container) {
    if (!op) return 0;
    return Write(this, op, RemoveObjectLog(result, container), kLogRemoveMember, logValue);
}

int CNameObjectLog::WriteInsertObjectLog(std::shared_ptr<COperator> op, std::uint32_t result,
                                         std::uint32_t logValue,
                                         std::shared_ptr<CNameObject> container) {
    if (!op) return 0;
    return Write(this, op, InsertObjectLog(result, container), kLogInsertMember, logValue);
}

int CNameObjectLog::WriteChangeObjectLog(std::shared_ptr<COperator> op, std::uint32_t result,
                                         std::uint32_t logValue, std::shared_ptr<CNameObject> first,
                                         std::shared_ptr<CNameObject> second) {
    if (!op) return 0;
    return Write(this, op, ChangeObjectLog(result, first, second), kLogChange, logValue);
}
