// CNameObjectLog: composes the change-log texts of object operations from the language
// templates and writes them to the operation log.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/CString.h"
#include "platform/Export.h"

class CNameObject;
class CContainer;
class COperator;

class NAMEOBJECT_API CNameObjectLog {
public:
    virtual ~CNameObjectLog() = default;

    // Compose the text and hand it to NS_LOG::AddLog with this object's key; 0 (nothing
    // written) for an empty operator, else 1.
    virtual int WriteCreateObjectLog(std::shared_ptr<COperator> op, std::uint32_t result,
                                     std::uint32_t logValue, std::shared_ptr<CNameObject> parent);
    virtual int WriteDeleteObjectLog(std::shared_ptr<COperator> op,
                                     const std::vector<std::shared_ptr<CContainer>>& containers,
                                     std::uint32_t result, std::uint32_t logValue);
    virtual int WriteRemoveObjectLog(std::shared_ptr<COperator> op, std::uint32_t result,
                                     std::uint32_t logValue,
                                     std::shared_ptr<CNameObject> container);
    virtual int WriteInsertObjectLog(std::shared_ptr<COperator> op, std::uint32_t result,
                                     std::uint32_t logValue,
                                     std::shared_ptr<CNameObject> container);
    virtual int WriteChangeObjectLog(std::shared_ptr<COperator> op, std::uint32_t result,
                                     std::uint32_t logValue, std::shared_ptr<CNameObject> first,
                                     std::shared_ptr<CNameObject> second);

    // The texts.
    virtual CString CreateObjectLog(std::uint32_t result, std::shared_ptr<CNameObject> parent);
    virtual CString DeleteObjectLog(const std::vector<std::shared_ptr<CContainer>>& containers,
                                    std::uint32_t result);
    virtual CString RemoveObjectLog(std::uint32_t result, std::shared_ptr<CNameObject> container);
    virtual CString InsertObjectLog(std::uint32_t result, std::shared_ptr<CNameObject> container);
    virtual CString ChangeObjectLog(std::uint32_t result, std::shared_ptr<CNameObject> first,
                                    std::shared_ptr<CNameObject> second);
};

// How the log reads the ID of the operator it writes with each line. Installed when the
// library is loaded; without it the operator ID is written as 0.
using OperatorIDReader = std::uint32_t (*)(const COperator& op);
void SetOperatorIDReader(OperatorIDReader reader);
