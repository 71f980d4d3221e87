// Reads query results of the shared database in tests.
#pragma once

#include <string>
#include <vector>

#include "platform/BufferIO.h"
#include "platform/CString.h"

// The first column of every row, as integers; a test failure when the query cannot run.
std::vector<long long> QueryInts(const std::string& sql);
// The first column of the first row; -1 when there is no row.
long long QueryInt(const std::string& sql);
// The first column of the first row as text; empty when there is no row.
CString QueryText(const std::string& sql);
// The first column of the first row as bytes; empty (and a test failure) when there is none.
CBufferReader QueryBlob(const std::string& sql);
