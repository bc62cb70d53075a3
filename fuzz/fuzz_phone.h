// The one simulated phone a fuzz target runs its inputs on: made at the first input and kept for
// the whole run (a phone per input would spend the run making folders), with the add-on's service
// table pointing at it and a music folder mounted at /card/Music.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "phone/phone.h"

namespace fuzz {

host::Phone& phone();
// The music folder's PC path (phone path /card/Music).
const std::filesystem::path& music();
// Writes `data` as the file `path` (replacing it).
void put(const std::filesystem::path& path, const uint8_t* data, size_t size);

}  // namespace fuzz
