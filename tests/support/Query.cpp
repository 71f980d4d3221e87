#include "support/Query.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/Database.h"

std::vector<long long> QueryInts(const std::string& sql) {
    std::vector<long long> out;
    CADORecordset rs(GetDatabase());
    EXPECT_TRUE(rs.Open(sql)) << sql;
    for (; !rs.IsEOF(); rs.MoveNext()) {
        std::int64_t v = 0;
        rs.GetFieldValue(0, v);
        out.push_back(v);
    }
    return out;
}

long long QueryInt(const std::string& sql) {
    const std::vector<long long> values = QueryInts(sql);
    return values.empty() ? -1 : values.front();
}

CString QueryText(const std::string& sql) {
    CADORecordset rs(GetDatabase());
    EXPECT_TRUE(rs.Open(sql)) << sql;
    CString value;
    if (!rs.IsEOF()) rs.GetFieldValue(0, value);
    return value;
}

CBufferReader QueryBlob(const std::string& sql) {
    CADORecordset rs(GetDatabase());
    CBufferReader blob;
    EXPECT_TRUE(rs.Open(sql) && !rs.IsEOF() && ReadBlobColumn(rs, 0, blob)) << sql;
    return blob;
}
