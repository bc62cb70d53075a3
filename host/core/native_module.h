// The add-on as a loadable module of the computer's own processor (dlopen): each copy is a
// private copy of the file, so that its globals are its own.
#pragma once

#include <cstdint>
#include <filesystem>

#include "core/module.h"
#include "platform/fw_types.h"

namespace host {

class ServiceTable;

class NativeModuleFormat : public ModuleFormat {
 public:
  NativeModuleFormat(std::filesystem::path path, ServiceTable& services)
      : path_(std::move(path)), services_(services) {}
  std::unique_ptr<LoadedModule> load() override;

 private:
  std::filesystem::path path_;
  ServiceTable& services_;
};

// The loader's work on a module's tables, whatever its processor: resolves the constant table in
// place (every index becomes the firmware's value; the count follows the values) and a page's
// event table (the end pair's handler is null; the pair count follows). `pair_words` is the size
// of one (event, handler) pair in 32-bit words; the handler is the pair's last word(s).
void resolve_constants(uint32_t* table);
void resolve_page(uint32_t* msg, size_t pair_words);

}  // namespace host
