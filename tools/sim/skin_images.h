// The phone's copy of the skin's panel images, in the folder where the add-on looks for them
// (TuneStrip in the second configuration folder). Only the panel images go in: an author's
// other files, such as an editor's source pictures, stay out of the phone.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace host {
class FileSystem;
}

namespace sim {

// Mirrors the panel images of the skin folder `skin` into the phone: answers the names changed,
// added or removed ("Fon.png (removed)"), and adds to `unreadable` the images that could not be
// read (the phone keeps its copy of those). Throws host::OutputError, naming the folder or the
// copy, when the phone's folder cannot be made or a copy cannot be written.
std::vector<std::string> install_skin_images(const std::filesystem::path& skin,
                                             host::FileSystem& files,
                                             std::vector<std::string>* unreadable = nullptr);

}  // namespace sim
