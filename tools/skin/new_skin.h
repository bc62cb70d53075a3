// A starting skin: the default skin's 14 pictures, drawn anew, and its TuneStrip.bcfg (the
// built-in block with each button set to the action its picture shows).
#pragma once

#include <filesystem>
#include <stdexcept>

#include "config/bcfg.h"

namespace skin {

// What a failure to write the skin says, naming the folder or file and the reason.
class NewSkinError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The default skin's configuration: the built-in block with FUNCTION_KEY1..5 = 0..4 (next,
// previous, play/pause, the player, hide), as the default skin's pictures show.
bcfg::Image default_skin_config();

// Writes the skin into `dir`, which must not exist or be an empty folder (its parents are made);
// throws NewSkinError otherwise, or when a file cannot be written.
void write_new_skin(const std::filesystem::path& dir);

}  // namespace skin
