// The stream parser's file services for the files a command line names, straight over the PC's
// files: no phone is built for them (no fonts, pictures, tags or screen, nor the phone's folder
// tree made and removed again), so that a run over one file costs hardly more than its start.
// As on the phone, only regular files open (a FIFO or a folder is refused, never waited on), and
// the size comes from the file held open.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "platform/fw_services.h"

class ParserFiles {
 public:
  // Points the add-on's service table at these services; the parser may run while this lives.
  ParserFiles();
  ~ParserFiles();
  ParserFiles(const ParserFiles&) = delete;
  ParserFiles& operator=(const ParserFiles&) = delete;

  // The folder name the parser is given for the PC folder `folder` ("/mp3info/0"), each folder
  // named once.
  const std::u16string& phone_folder(const std::filesystem::path& folder);
  // The name the parser is given for the file `filename` ("0", "1", ...): one of its own, so that
  // a PC name in any bytes (Latin-1, say) reaches the very file it names.
  std::u16string phone_name(const std::filesystem::path& filename);
  // Opens that failed so far, whatever the reason.
  uint64_t failed_opens() const { return failed_opens_; }

  // The services' work.
  int open(const char16_t* folder, const char16_t* name);
  int close(int fd);
  int stat(const char16_t* folder, const char16_t* name, uint32_t* size) const;

 private:
  std::filesystem::path path_of(const char16_t* folder, const char16_t* name) const;

  std::map<std::filesystem::path, std::u16string> folders_;
  std::map<std::u16string, std::filesystem::path> paths_;  // the other way round
  std::map<std::u16string, std::filesystem::path> names_;  // phone name to PC file name
  // The file the parser holds open, whose size its stat asks for next.
  int open_fd_ = -1;
  std::u16string open_folder_, open_name_;
  uint32_t open_size_ = 0;
  uint64_t failed_opens_ = 0;
  FwServiceTable table_{};
  FwServiceTable* previous_ = nullptr;
};
