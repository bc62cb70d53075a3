#pragma once

namespace host {

class Phone;

class MediaPlayer {
 public:
  explicit MediaPlayer(Phone& phone) : phone_(phone) {}

 private:
  [[maybe_unused]] Phone& phone_;
};

}  // namespace host
