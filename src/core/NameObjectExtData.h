// CNameObjectExtData: named, typed extension fields that a class does not declare, each with
// an optional flag mask (bit 0x1: keep the value in ObjectExtDataDelCache when the object is
// deleted). Travels as section 0x02 of a frame; stored one row per field in ObjectExtData.
#pragma once

#include <cstdint>
#include <map>

#include "platform/BufferIO.h"
#include "platform/CString.h"
#include "platform/Export.h"
#include "platform/LazyMember.h"
#include "platform/OleDateTime.h"
#include "platform/Variant.h"

class NAMEOBJECT_API CNameObjectExtData {
public:
    using ValueMap = std::map<CString, _variant_t>;
    using MaskMap = std::map<CString, std::uint32_t>;

    static constexpr std::uint32_t MASK_KEEP_ON_DELETE = 0x1;

    CNameObjectExtData() = default;
    CNameObjectExtData(const CNameObjectExtData&) = default;
    CNameObjectExtData& operator=(const CNameObjectExtData&) = default;
    virtual ~CNameObjectExtData() = default;

    // The section. With apply 0 the loader skips it whole and leaves the facet untouched.
    virtual int LoadExtData(CBufferReader& reader, int apply);
    virtual int SaveExtData(CBufferWriter& writer);
    // Removes the object's rows and refreshes its ObjectExtDataDelCache rows; 0 or a code.
    virtual std::int32_t DeleteExtData(std::uint32_t classID, std::uint32_t id,
                                       std::uint32_t serverNO);

    // Typed setters: 1, or 0 when the name (trimmed) is empty. The double, bool and CString
    // forms store under the trimmed name; the others under the name as given.
    int ExtData_Set(const CString& name, float value);
    int ExtData_Set(const CString& name, int value);
    int ExtData_Set(const CString& name, unsigned int value);
    int ExtData_Set(const CString& name, double value);
    int ExtData_Set(const CString& name, bool value);
    int ExtData_Set(const CString& name, const CString& value);
    int ExtData_Set(const CString& name, const COleDateTime& value);  // stored as R8
    int ExtData_Set(const CString& name, std::int64_t value);
    int ExtData_Set(const CString& name, std::uint64_t value);
    int ExtData_Set(const CString& name, const _variant_t& value);  // as given, no test
    int ExtData_Set(const CString& name, const char16_t* value) {
        return ExtData_Set(name, CString(value));
    }

    // Typed getters: out is reset first; 1 when the field exists and converts, else 0.
    int ExtData_Get(const CString& name, float& out) const;
    int ExtData_Get(const CString& name, int& out) const;
    int ExtData_Get(const CString& name, unsigned int& out) const;
    int ExtData_Get(const CString& name, double& out) const;
    int ExtData_Get(const CString& name, bool& out) const;
    int ExtData_Get(const CString& name, CString& out) const;
    int ExtData_Get(const CString& name, COleDateTime& out) const;
    int ExtData_Get(const CString& name, std::int64_t& out) const;
    int ExtData_Get(const CString& name, std::uint64_t& out) const;
    int ExtData_Get(const CString& name, _variant_t& out) const;  // always 1

    VARTYPE GetFieldType(const CString& name) const;  // 0 when absent
    int RemoveField(const CString& name);             // 1 when a value was erased
    int ExtData_GetMask(const CString& name, std::uint32_t& mask) const;
    int ExtData_SetMask(const CString& name, std::uint32_t mask);

    const ValueMap& GetAllExtData() const { return m_mapExtData.Get(); }
    ValueMap CopyAllExtData() const { return m_mapExtData.Get(); }
    const MaskMap& GetAllExtDataMask() const { return m_mapExtDataMask.Get(); }
    MaskMap CopyExtDataMask() const { return m_mapExtDataMask.Get(); }

    // Rewrites the object's ObjectExtData rows from the value map; 1 or 0.
    int UpdateExtDataRecord(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO);
    // Loads ObjectExtData rows into the objects of the store (one object, or every row when
    // all three are 0xFFFFFFFF); rows of objects that no longer exist are deleted. 1 or 0.
    static int InitObjectExtData(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO);

    // Copies other's value and mask maps when they differ; ORs 0x02 into changed. Returns 0.
    std::int32_t _OnExtDataChange(const CNameObjectExtData& other, std::uint32_t& changed,
                                  std::uint32_t sections);

protected:
    // Most objects hold no extension data: the maps exist only once written.
    LazyMember<ValueMap> m_mapExtData;
    LazyMember<MaskMap> m_mapExtDataMask;
};
