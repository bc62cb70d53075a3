// A skin: a folder holding the panel's 14 images and, optionally, the configuration it is made
// for ("TuneStrip.bcfg"). The simulator previews one; `tunestrip-skin` checks one.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

constexpr std::string_view kConfigName = "TuneStrip.bcfg";

// Where a panel image is drawn: the configuration item that holds its box.
struct PanelImage {
  std::string_view file;  // as the add-on asks for it
  std::string_view box;   // rcFON, rcCover or FUNCTION_KEY_RECTn
};

// The panel's images, in the order the add-on loads them.
inline constexpr std::array<PanelImage, 14> kPanelImages{{
    {"NoCover.png", "rcCover"},
    {"Fon.png", "rcFON"},
    {"Key1.png", "FUNCTION_KEY_RECT1"},
    {"Key2.png", "FUNCTION_KEY_RECT2"},
    {"Key3.png", "FUNCTION_KEY_RECT3"},
    {"Key3_1.png", "FUNCTION_KEY_RECT3"},
    {"Key4.png", "FUNCTION_KEY_RECT4"},
    {"Key5.png", "FUNCTION_KEY_RECT5"},
    {"Key1_S.png", "FUNCTION_KEY_RECT1"},
    {"Key2_S.png", "FUNCTION_KEY_RECT2"},
    {"Key3_S.png", "FUNCTION_KEY_RECT3"},
    {"Key3_1_S.png", "FUNCTION_KEY_RECT3"},
    {"Key4_S.png", "FUNCTION_KEY_RECT4"},
    {"Key5_S.png", "FUNCTION_KEY_RECT5"},
}};

// The file `name` in `dir`, matched as the phone's memory card matches names (without regard to
// case; an exact match wins); nothing when there is none.
std::optional<std::filesystem::path> find_file(const std::filesystem::path& dir,
                                               std::string_view name);

// Whatever the folder holds under `name` (a file, a folder, a FIFO...), matched as find_file
// matches; nothing when there is nothing of that name.
std::optional<std::filesystem::path> find_entry(const std::filesystem::path& dir,
                                                std::string_view name);

// A file in `dir` that is most likely `name` under another name: the same name but for its
// extension (NoCover.jpg for NoCover.png) or with a copy's mark ("Key1 (copy).png",
// "Key1 - Copy.png", "Key1 (2).png", "Key1_copy.png"), without regard to case. Files the phone
// takes under their own name are not offered. Nothing when there is none.
std::optional<std::string> near_miss(const std::filesystem::path& dir, std::string_view name);

// The names in `dir` the phone does nothing with (neither one of the 14 images as it finds them
// nor the skin's configuration), sorted; a near miss of a missing image is among them.
std::vector<std::string> ignored_files(const std::filesystem::path& dir);

// The configuration a preview or a check of the skin in `dir` uses: `config` when given, else
// the skin's own TuneStrip.bcfg (even when that name is taken by a folder or another thing that
// is no file, so that it is reported rather than passed over), else none (the built-in block).
struct ConfigChoice {
  std::filesystem::path file;  // empty: the built-in block
  std::string describe() const;  // "FILE (--config)", "FILE (the skin's)", "the built-in block"
  bool from_option = false;
};
ConfigChoice choose_config(const std::filesystem::path& dir, const std::filesystem::path& config);

}  // namespace skin
