// The designer runs before any resource exists: it links an empty table.
#include "resources/ResourceTable.h"

namespace zimmo_resources {
const Entry kEntries[1] = {{nullptr, nullptr, nullptr, 0}};
const unsigned long kEntryCount = 0;
}  // namespace zimmo_resources
