#include "skin/diff.h"

#include <exception>
#include <optional>

#include "config/bcfg.h"
#include "config/bcfg_labels.h"
#include "config/tree.h"
#include "images/image_decode.h"

namespace fs = std::filesystem;

namespace skin {
namespace {

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

bcfg::Image block(const DiffSide& side) {
  if (side.config().file.empty()) return bcfg::default_image();
  try {
    return bcfg::read_file(side.config().file);
  } catch (const std::exception& e) {
    throw DiffError(e.what());
  }
}

// A value as `dump` prints it, with a list's choice in English.
std::string shown(const bcfg::Image& image, const bcfg::Value& value) {
  std::string text = bcfg::get(image, value.name);
  const auto choices = bcfg::english_choices(*value.item);
  if (choices.empty()) return text;
  const int64_t index = bcfg::number(image, value.name);
  if (index >= 0 && size_t(index) < choices.size()) text += std::string(" (") + choices[size_t(index)] + ")";
  return text;
}

// The value's English label within its groups: "Title: Text colour".
std::string english(std::string_view name) {
  std::string out;
  if (const editor::Node* n = editor::node(name))
    for (const editor::Node* g : editor::path_to(n->index))
      if (g != n && g->index >= 0) out += std::string(g->english) + ": ";
  return out + bcfg::english_text(name);
}

std::string size_text(const host::Image& i) {
  return std::to_string(i.width) + "x" + std::to_string(i.height);
}

// What differs between the two sides' copies of one image; nothing when they show the same.
std::optional<std::string> image_change(const fs::path& a, const fs::path& b,
                                        const DiffSide& side_a, const DiffSide& side_b) {
  std::string why_a, why_b;
  const std::optional<host::Image> ia = host::decode_image_file(a, &why_a);
  const std::optional<host::Image> ib = host::decode_image_file(b, &why_b);
  if (!ia || !ib) {
    if (!ia && !ib) return std::nullopt;  // neither shows (the checker says why)
    return "the phone cannot decode the copy in " + (ia ? side_b : side_a).given().string();
  }
  if (ia->width != ib->width || ia->height != ib->height)
    return size_text(*ia) + " -> " + size_text(*ib) + " pixels";
  size_t changed = 0;
  for (size_t i = 0; i + 3 < ia->rgba.size(); i += 4) {
    // Pixels wholly transparent on both sides look the same whatever their colour.
    if (ia->rgba[i + 3] == 0 && ib->rgba[i + 3] == 0) continue;
    changed += !std::equal(ia->rgba.begin() + long(i), ia->rgba.begin() + long(i) + 4,
                           ib->rgba.begin() + long(i));
  }
  if (changed == 0) return std::nullopt;
  return std::to_string(changed) + " of " + std::to_string(size_t(ia->width) * size_t(ia->height)) +
         " pixels differ";
}

}  // namespace

DiffSide::DiffSide(const fs::path& given) : given_(given) {
  std::error_code ec;
  if (!fs::exists(given, ec)) throw DiffError(given.string() + ": no such file or folder");
  if (fs::is_directory(given, ec)) {
    skin_ = given;
  } else if (is_packed(given)) {
    try {
      packed_ = std::make_shared<UnpackedSkin>(given);
    } catch (const UnpackError& e) {
      throw DiffError(e.what());
    }
    skin_ = packed_->dir();
  } else if (lower(given.extension().string()) == ".bcfg") {
    config_ = {given, true};
    return;
  } else {
    throw DiffError(given.string() +
                    ": neither a skin's folder, a packed skin (.zip) nor a configuration (.bcfg)");
  }
  config_ = choose_config(skin_, {});
}

std::vector<std::string> diff_skins(const DiffSide& a, const DiffSide& b) {
  std::vector<std::string> lines;
  const bcfg::Image ca = block(a), cb = block(b);
  for (const bcfg::Value& v : bcfg::values()) {
    const std::string va = shown(ca, v), vb = shown(cb, v);
    if (va == vb) continue;
    lines.push_back(std::string(v.name) + " (" + english(v.name) + "): " + va + " -> " +
                    vb);
  }
  if (a.skin().empty() || b.skin().empty()) return lines;
  for (const PanelImage& image : kPanelImages) {
    const std::optional<fs::path> fa = find_file(a.skin(), image.file);
    const std::optional<fs::path> fb = find_file(b.skin(), image.file);
    const std::string name(image.file);
    if (!fa && !fb) continue;
    if (!fa || !fb) {
      lines.push_back(name + ": only in " + (fa ? a : b).given().string());
      continue;
    }
    if (auto change = image_change(*fa, *fb, a, b)) lines.push_back(name + ": " + *change);
  }
  return lines;
}

}  // namespace skin
