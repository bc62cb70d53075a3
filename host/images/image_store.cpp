#include "images/image_store.h"

#include "core/memory.h"
#include "core/trace.h"
#include "core/wstr.h"
#include "files/file_system.h"
#include "phone/phone.h"

namespace host {

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

void ImageStore::note_refused(const std::string& why) {
  if (!why.empty() && phone_.trace().active()) phone_.trace().write("# picture not decoded: " + why);
}

int ImageStore::load(std::u16string_view folder, std::u16string_view name, IMAGEID* id) {
  if (id) *id = NOIMAGE;
  std::optional<Image> image;
  std::string refused;
  if (auto path = phone_.files().resolve(folder, name)) image = decode_image_file(*path, &refused);
  note_refused(refused);
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
  std::string refused;
  if (type && buf && size > 0)
    image = decode_image(static_cast<const uint8_t*>(buf), size_t(size), &refused);
  note_refused(refused);
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
