#pragma once
// Tables of a codec library's entries: structs of function pointers resolved by name.

#include <cstddef>

namespace sonotape {

// Every pointer of an entry table is set.
template <typename Table>
bool AllSet(const Table& table) {
  const auto* entries = reinterpret_cast<void* const*>(&table);
  for (std::size_t i = 0; i < sizeof table / sizeof(void*); ++i) {
    if (entries[i] == nullptr) return false;
  }
  return true;
}

}  // namespace sonotape
