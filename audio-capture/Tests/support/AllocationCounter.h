#pragma once

namespace tallwick::testing {

// Calls of the global operator new so far in this process. Linking
// AllocationCounter.cpp replaces the global operator new and delete.
long allocationsSoFar();

}  // namespace tallwick::testing
