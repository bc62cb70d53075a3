// Reading, checking, printing and editing "TuneStrip.bcfg" files on the PC.
//
// A configuration file is the add-on's configuration block byte for byte (7124 bytes). Everything
// here goes by the block's catalogue (src/shell/config/catalogue.h), so the tool, the simulator's
// `config` command and the add-on agree on every item's place, type and limits.
//
// Value texts, as `dump` prints them and `set` takes them:
//   integers, checkboxes, fonts, list indices, key code and press mode, point x and y: decimal
//     (hexadecimal with 0x is also taken; a list also takes the exact text of a choice)
//   colours: 0xAARRGGBB (decimal is also taken)
//   rectangles: x1,x2,y1,y2 (left, right, top, bottom)
// A point's two values are named X_..._POS and Y_..._POS; the hot key's are KEYRUN and KEYRUNMODE.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "shell/config/catalogue.h"

namespace bcfg {

constexpr size_t kSize = CONFIG_SIZE;
using Image = std::array<uint8_t, kSize>;

// Every failure: a message that names the file, the value or the byte at fault.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One named value: its item in the catalogue and its place in the block.
struct Value {
  std::string_view name;
  const CFG_ITEM* item;
  uint32_t offset;  // byte offset of the value (of the second name: 4 bytes on)
  bool second;      // the Y of a point, the press mode of the key
};

// Every named value, in block order.
const std::vector<Value>& values();
// The named value, or null when there is no value of that name (names are case-sensitive).
const Value* find(std::string_view name);

// The first fault of a block, with the byte offset where it lies.
struct Fault {
  uint32_t offset;
  std::string message;
};
// Walks the item headers (known types, value sizes, list sizes, balanced groups, total size),
// then compares the items with the catalogue (same type and size at every place). With
// `values`, also tests every value against its item (checkbox 0 or 1, list index among the
// choices, integer within its limits).
std::optional<Fault> check(std::span<const uint8_t> bytes, bool values = true);
// The value against its item, as `check` tests it: nothing when it is fine, else what is wrong
// without the name ("is 7, a checkbox is 0 or 1"). `bytes` holds a whole block.
std::optional<std::string> value_fault(std::span<const uint8_t> bytes, const Value& value);

// The built-in block.
const Image& default_image();

// The content of a file, up to one byte more than a configuration holds (so that a longer one
// shows as such, and an endless one ends); throws Error for a folder, a FIFO or a device, and
// when the file cannot be read.
std::vector<uint8_t> read_bytes(const std::filesystem::path& path);
// Reads a configuration file: it must exist, hold exactly kSize bytes and have the catalogue's
// layout (its values may be out of range, so that `set` can mend them).
Image read_file(const std::filesystem::path& path);
// Writes the whole block at once, through a temporary file in the same folder renamed over `path`
// (core/atomic_file.h): a failure leaves any earlier file as it was, the file keeps its mode,
// owner and group, and one its user made read-only is refused.
void write_file(const std::filesystem::path& path, const Image& image);

// A value as text (see the formats above). Throws Error for an unknown name.
std::string get(const Image& image, std::string_view name);
// A value as a number (a colour as its unsigned 32 bits, anything else as a signed 32-bit value)
// and a rectangle's four fields. Both throw Error for an unknown name or one of another kind.
int64_t number(const Image& image, std::string_view name);
RECT rect(const Image& image, std::string_view name);
// Sets one value from text; throws Error for an unknown name, a malformed value or one outside
// the item's limits, and then leaves the block unchanged. The editor sets through it, on a
// screen of the session's size.
void set(Image& image, std::string_view name, std::string_view text);
// The phone's screen, in pixels.
struct Screen {
  int w = 240;
  int h = 320;
};
// "NAME=VALUE" (blanks around either part are ignored), as `tunestrip-bcfg set` and the
// simulator's `config` take it: set(), and also refused what the phone cannot take on `screen`
// (phone_rules.h: a font it lacks, a box inside out or past the screen), the skin check's errors.
void assign(Image& image, std::string_view assignment, Screen screen = {});

// A whole decimal or 0x-hexadecimal integer with an optional sign, blanks around it ignored;
// nothing for anything else. A number too big for any item is kept as one far out of every range.
std::optional<int64_t> parse_number(std::string_view text);
// The error for a name that is not a value's: "unknown name 'TITLE_NORMAL_COLOR'; did you mean
// TITLE_NORAMAL_COLOR?" (names are case-sensitive; the suggestion gives the block's spelling).
Error unknown_name(std::string_view name);

// One "NAME = VALUE" line per named value, in block order.
std::string dump(const Image& image);
// The same as a JSON array of objects: name, type, value, label, english (the label in English,
// bcfg_labels.h), group (the innermost group's name, "" at the top), path (every enclosing
// group), offset; a list adds its choice's text and that in English (choice_english). Labels
// and group names are decoded from the block's CP1251 to UTF-8.
std::string dump_json(const Image& image);

// File operations: each reads and checks the file, and writes it at most once, whole.
// Applies every assignment or none (a later assignment to the same name wins), holding the
// file's lock (host::FileLock) from the read to the write.
void set_values(const std::filesystem::path& path, const std::vector<std::string>& assignments);
std::string get_value(const std::filesystem::path& path, std::string_view name);
void write_default(const std::filesystem::path& path);

// The item type's name ("integer", "colour", ...) and a value's accepted range, as text.
const char* type_name(uint32_t type);
std::string limits(const CFG_ITEM& item);

// CP1251 text (up to its first zero byte) as UTF-8.
std::string cp1251_to_utf8(std::span<const uint8_t> bytes);

}  // namespace bcfg
