// The images' part of the skin check: each of the 14 pictures is there under the name the phone
// asks for (matched without regard to case, as on its memory card), the phone's decoder takes
// it, it has the size of the box it is drawn scaled into, and it does not waste its transparency.
//
// Transparency, from the order the panel is painted in (frozen screen picture, background,
// progress bar, labels, cover, plain buttons, then the selected button's frame and picture):
//  - a picture that is transparent everywhere draws nothing where it is shown;
//  - Fon.png lies over the frozen screen picture: opaque everywhere, it hides that picture behind
//    the panel while FON_FROM_BUFFER_ENABLED is on;
//  - a selected button's picture lies over the selection frame drawn along its box's edge in
//    FUNCTION_KEY_BORDER_COLOR: opaque all along its edge, it hides the frame.
// Partial transparency elsewhere (buttons over the background, the cover over the labels) is a
// matter of taste and is not judged. Images the configuration does not show are only checked for
// being there and decodable, and then only warned about: the phone loads all 14 regardless.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "core/file_kind.h"

#include "images/image_store.h"
#include "skin/check_parts.h"

namespace fs = std::filesystem;

namespace skin::detail {
namespace {

struct Alpha {
  bool clear = true;        // every pixel fully transparent
  bool opaque = true;       // every pixel fully opaque
  bool edge_opaque = true;  // every pixel along the edge fully opaque
};

Alpha alpha_of(const host::Image& image) {
  Alpha a;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t v = image.rgba[(size_t(y) * size_t(image.width) + size_t(x)) * 4 + 3];
      a.clear &= v == 0;
      a.opaque &= v == 255;
      if (x == 0 || y == 0 || x == image.width - 1 || y == image.height - 1)
        a.edge_opaque &= v == 255;
    }
  }
  return a;
}

// Why the panel does not draw this picture now, or nothing when it does.
std::optional<std::string> hidden_reason(const bcfg::Image& b, const PanelImage& image) {
  if (image.file == "Fon.png" && bcfg::number(b, "DRAW_FROM_IMAGE") == 0)
    return std::string("DRAW_FROM_IMAGE is off");
  return unused_reason(b, image.box);
}

// "rcCover's 60x60 box", or just the box's name when it has no area (that is its own finding).
std::string box_text(const std::string& box, const RECT& r) {
  return has_area(r) ? box + "'s " + size_text(width(r), height(r)) + " box" : box;
}

void check_transparency(const bcfg::Image& b, const PanelImage& image, const host::Image& pixels,
                        const std::string& box, std::vector<Finding>& out) {
  const std::string name(image.file);
  const Alpha a = alpha_of(pixels);
  if (a.clear) {
    out.push_back(
        {name, Severity::Warning,
         image.file == "Fon.png"
             ? "transparent everywhere, so the panel has no background; draw one, or "
               "set DRAW_FROM_IMAGE=0 to fill rcFON with FON_NORAMAL_COLOR"
             : "transparent everywhere, so nothing is drawn in " + box + "; draw the picture"});
    return;
  }
  if (image.file == "Fon.png" && a.opaque && bcfg::number(b, "FON_FROM_BUFFER_ENABLED") != 0)
    out.push_back({name, Severity::Warning,
                   "opaque everywhere, so the frozen screen picture (FON_FROM_BUFFER_ENABLED) "
                   "never shows through the panel; give it some transparency for a see-through "
                   "panel"});
  const bool selected = image.file.ends_with("_S.png");
  if (selected && a.edge_opaque && (uint32_t(bcfg::number(b, "FUNCTION_KEY_BORDER_COLOR")) >> 24))
    out.push_back({name, Severity::Warning,
                   "opaque all along its edge, so it hides the selection frame drawn under it in "
                   "FUNCTION_KEY_BORDER_COLOR; leave its edge see-through, or set "
                   "FUNCTION_KEY_BORDER_COLOR=0 when the picture shows the selection itself"});
}

void check_image(const fs::path& dir, const bcfg::Image& b, const PanelImage& image,
                 std::vector<Finding>& out) {
  const std::string name(image.file);
  const std::string box(image.box);
  const RECT r = bcfg::rect(b, box);
  const std::optional<std::string> hidden = hidden_reason(b, image);
  const Severity severity = hidden ? Severity::Warning : Severity::Error;
  // What follows the fault: what it costs now and how to mend it.
  auto outcome = [&](const std::string& fix) {
    if (hidden)
      return "; it is not drawn while " + *hidden + ", but the phone loads all 14 images: " + fix +
             " for when that changes";
    return ", so nothing is drawn in " + box_text(box, r) + "; " + fix;
  };

  const std::optional<fs::path> path = find_file(dir, image.file);
  if (!path) {
    if (const std::optional<fs::path> other = find_entry(dir, image.file)) {
      const char* kind = host::special_file_kind(*other);
      out.push_back({name, severity,
                     (other->filename() == name ? "" : "(found as " + other->filename().string() + ") ") +
                         "is " + (kind ? kind : "a link to nothing") +
                         ", not a picture" +
                         outcome("put the picture there under that name")});
    } else if (const std::optional<std::string> near = near_miss(dir, image.file)) {
      out.push_back({name, severity,
                     "missing, but there is " + *near + outcome("rename it to " + name)});
    } else {
      out.push_back({name, severity, "missing" + outcome("add it")});
    }
    return;
  }
  const std::string found = path->filename().string();
  const std::string as = found != name ? "(found as " + found + ") " : std::string();
  if (std::ifstream probe(*path, std::ios::binary); !probe) {
    out.push_back({name, severity,
                   as + "cannot be read: " + std::strerror(errno) +
                       outcome("make it readable")});
    return;
  }
  std::string refused;
  const std::optional<host::Image> pixels = host::decode_image_file(*path, &refused);
  if (!pixels) {
    const std::string fix = has_area(r) ? "draw it at " + size_text(width(r), height(r))
                                        : "draw it smaller";
    out.push_back({name, severity,
                   refused.empty()
                       ? as + "not a PNG, JPEG, BMP or GIF picture the phone can decode" +
                             outcome("save it again as PNG")
                       : as + refused + ", too large for the phone to decode" + outcome(fix)});
    return;
  }
  if (hidden) return;

  if (has_area(r) && (pixels->width != width(r) || pixels->height != height(r)))
    out.push_back({name, Severity::Warning,
                   size_text(pixels->width, pixels->height) + " pixels, drawn scaled into " +
                       box_text(box, r) + "; draw it at " + size_text(width(r), height(r))});
  check_transparency(b, image, *pixels, box, out);
}

}  // namespace

void check_images(const fs::path& dir, const bcfg::Image& config, std::vector<Finding>& out) {
  for (const PanelImage& image : kPanelImages) check_image(dir, config, image, out);
}

}  // namespace skin::detail
