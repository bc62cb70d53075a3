#include "host/image_store.h"

#include <fstream>
#include <iterator>

#include "host/file_system.h"
#include "host/memory.h"
#include "host/phone.h"
#include "host/service_table.h"
#include "host/wstr.h"

// stb_image stays private to this file, so another part of the phone may include it too.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace host {

uint32_t Image::argb(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  const uint8_t* p = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
  return uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

std::optional<Image> decode_image(const uint8_t* data, size_t size) {
  if (!data || size == 0 || size > size_t(INT32_MAX)) return std::nullopt;
  int w = 0, h = 0, channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(data, int(size), &w, &h, &channels, 4);
  if (!pixels) return std::nullopt;
  Image image;
  image.width = w;
  image.height = h;
  image.rgba.assign(pixels, pixels + size_t(w) * size_t(h) * 4);
  stbi_image_free(pixels);
  return image;
}

std::optional<Image> decode_image_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return decode_image(bytes.data(), bytes.size());
}

ImageStore::ImageStore(Phone& phone) : phone_(phone) {}

ImageStore::~ImageStore() {
  // Buffers the add-on handed over go back to its allocator, so that its accounting balances.
  for (auto& [id, e] : images_)
    if (e.owned_buffer) phone_.memory().free(e.owned_buffer);
}

IMAGEID ImageStore::next_free_id() {
  if (images_.size() >= 0xFFFE) return NOIMAGE;
  for (;;) {
    IMAGEID id = next_++;
    if (next_ == NOIMAGE) next_ = 1;
    if (id != 0 && id != NOIMAGE && !images_.count(id)) return id;
  }
}

IMAGEID ImageStore::insert(Entry entry) {
  IMAGEID id = next_free_id();
  if (id == NOIMAGE) return NOIMAGE;
  entry.image.serial = ++serials_;
  images_.emplace(id, std::move(entry));
  return id;
}

IMAGEID ImageStore::add(Image image) { return insert(Entry{std::move(image), nullptr}); }

int ImageStore::load(std::u16string_view folder, std::u16string_view name, IMAGEID* id) {
  if (id) *id = NOIMAGE;
  std::optional<Image> image;
  if (auto path = phone_.files().resolve(folder, name)) image = decode_image_file(*path);
  if (!image) {
    ++failed_;
    return -1;
  }
  IMAGEID made = add(std::move(*image));
  if (made == NOIMAGE) {
    ++failed_;
    return -2;
  }
  if (id) *id = made;
  return 0;
}

int ImageStore::from_buffer(void* buf, int size, const char16_t* type, IMAGEID* id) {
  if (id) *id = NOIMAGE;
  std::optional<Image> image;
  if (type && buf && size > 0) image = decode_image(static_cast<const uint8_t*>(buf), size_t(size));
  IMAGEID made = image ? insert(Entry{std::move(*image), buf}) : NOIMAGE;
  if (made == NOIMAGE) {
    if (buf) phone_.memory().free(buf);
    ++failed_;
    return -1;
  }
  if (id) *id = made;
  return 0;
}

bool ImageStore::free(IMAGEID id) {
  auto it = images_.find(id);
  if (it == images_.end()) {
    if (id != 0 && id != NOIMAGE) ++bad_frees_;
    return false;
  }
  if (it->second.owned_buffer) phone_.memory().free(it->second.owned_buffer);
  images_.erase(it);
  return true;
}

const Image* ImageStore::get(IMAGEID id) const {
  auto it = images_.find(id);
  return it == images_.end() ? nullptr : &it->second.image;
}

}  // namespace host

namespace host::svc {

int fw_image_load(const char16_t* path, const char16_t* name, IMAGEID* id) {
  return phone().images().load(wview(path), wview(name), id);
}

void fw_image_free(IMAGEID id) { phone().images().free(id); }

int fw_image_from_buffer(void* buf, int size, int, const char16_t* type, IMAGEID* id) {
  return phone().images().from_buffer(buf, size, type, id);
}

}  // namespace host::svc
