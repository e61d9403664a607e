// The suite's one upper-case table of UTF-16 code units: what the ordinal
// case-insensitive comparison, the mask matcher and UpperCase fold by.
//
// On Windows the table is the system's own (CharUpperBuffW over every code
// unit, once per process), so names fold as the file system folds them. A
// native build, which has no system table, uses the fixed copy below; a test
// under Wine compares the two unit by unit.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora {

// 65,536 entries: the upper case of each code unit (itself when it has none).
// case_table_system.cpp (Windows) or the native build's own file defines it.
const wchar_t* UpperCaseTable();

inline wchar_t FoldUnit(wchar_t c) { return UpperCaseTable()[static_cast<std::uint16_t>(c)]; }

// The fixed table, built from the runs in case_table_data.inc (taken from the
// system's table by tools-dev/case_table_gen.cpp).
std::vector<wchar_t> FixedUpperCaseTable();

}  // namespace velmora
