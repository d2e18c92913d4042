// Writes the C++ source of the resource table that the headless backend
// searches (declared in resources/ResourceTable.h).
#pragma once
#include <string>
#include <vector>

#include "Encode.h"

namespace pixelart {

struct TableEntry {
    std::string name;  // letters, digits, '_'; written in upper case
    std::string type;  // "BITMAP", "ICON", "FORM"
    Bytes data;
};

// Throws std::invalid_argument for a name or type outside [A-Za-z0-9_] or a
// name given twice (in any case).
std::string resource_table_source(const std::vector<TableEntry>& entries);

}  // namespace pixelart
