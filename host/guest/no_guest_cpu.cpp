// A build without Unicorn has no guest CPU: the phone's own ELF cannot run on it.
#include <stdexcept>

#include "core/addon_runtime.h"

namespace host {

std::unique_ptr<AddonRuntime> make_guest_runtime(Phone&) {
  throw AddonFileError(
      "this build has no ARM emulator, so it cannot run the phone's ELF (build it with Unicorn, "
      "Debian's libunicorn-dev)");
}

}  // namespace host
