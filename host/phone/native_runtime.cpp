// The add-on as a module of this computer's processor, sharing the phone's memory.
#include "core/install_paths.h"
#include "core/native_module.h"
#include "core/addon_runtime.h"
#include "phone/phone.h"

namespace host {

namespace {

class NativeRuntime : public AddonRuntime {
 public:
  explicit NativeRuntime(Phone& phone) : phone_(phone) {}
  SharedMemory& shared() override { return shared_; }
  std::unique_ptr<ModuleFormat> module_format() override {
    const auto& path = phone_.options().module_path;
    return std::make_unique<NativeModuleFormat>(path.empty() ? installed_module() : path,
                                                phone_.services());
  }

 private:
  Phone& phone_;
  NativeSharedMemory shared_;
};

}  // namespace

std::unique_ptr<AddonRuntime> make_native_runtime(Phone& phone) {
  return std::make_unique<NativeRuntime>(phone);
}

}  // namespace host
