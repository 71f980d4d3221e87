// The NameObject row: its columns, their order in the bulk loader's SELECT, and how an
// object's fields are read from and written to them. The basic fields are columns; the rest
// data, device points, attributes and properties are BLOBs.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

class CADORecordset;
class CNameObject;

namespace NameObjectRow {

// The columns, in the order of SelectAll().
enum Column : int {
    kClassID,
    kID,
    kServerNO,
    kAttr,
    kName,
    kFullName,
    kDescription,
    kCreateTime,
    kModifyTime,
    kVersion,
    kVarData,
    kDvPtData,
    kAttribute,
    kProperty,
    kColumnCount
};

inline constexpr const char* kColumnNames[kColumnCount] = {
    "nClassID",        "nID",
    "nServerNO",       "nAttr",
    "strName",         "strFullName",
    "strDescription",  "dtCreateTime",
    "dtModifyTime",    "nVersion",
    "varData",         "varDvPtData",
    "ObjectAttribute", "ObjectProperty",
};

inline const char* Name(Column column) { return kColumnNames[column]; }

// "SELECT <every column, in Column order> FROM NameObject".
inline std::string SelectAll() {
    std::string text = "SELECT ";
    for (int c = 0; c < kColumnCount; ++c) {
        if (c != 0) text += ", ";
        text += kColumnNames[c];
    }
    return text + " FROM NameObject";
}

// Rows before this version hold their rest data unframed.
inline constexpr std::int32_t kFirstFramedRestVersion = 0x03000000;

// Time spent in each BLOB reader over the rows read. Only every kSampleEvery-th row is timed
// (the clock costs as much as a small reader); Estimated() scales the sums to all rows.
struct ReadTimes {
    static constexpr unsigned kSampleEvery = 16;
    std::chrono::steady_clock::duration rest{}, devicePoints{}, attribute{}, property{};
    unsigned rows = 0;
    bool Sampling() const { return rows % kSampleEvery == 0; }
    static std::chrono::steady_clock::duration Estimated(std::chrono::steady_clock::duration d) {
        return d * kSampleEvery;
    }
};

// A new object of the row's class, filled from the current record of a recordset opened on
// SelectAll(): basic fields, rest data, device points, attributes and properties; the object's
// init state says which sections it holds and version receives nVersion. Empty (and a warning
// line written) when the class is not registered. A BLOB that cannot be read is skipped with
// a warning line; a rest-data section that fails to load leaves the object as far as it got.
// The BLOBs are decoded where the engine holds them, without a copy.
std::shared_ptr<CNameObject> ReadObject(const CADORecordset& rs, std::int32_t& version,
                                        ReadTimes& times);

// Writes the basic columns of an object's record (class ID, names, attribute, description,
// creation and modification times, the class's data version). ID, server number and BLOBs are
// the caller's.
void WriteBasicColumns(CADORecordset& rs, const CNameObject& object);

}  // namespace NameObjectRow
