// Loading and writing the configuration file through the phone's file services.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "addon_state.h"
#include "core/memory.h"
#include "core/service_table.h"
#include "core/trace.h"
#include "files/file_system.h"
#include "panel/animation.h"
#include "panel/panel.h"
#include "phone/phone.h"
#include "shell/config/config.h"

namespace fs = std::filesystem;

namespace {

std::string bytes_of(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }
std::string block_bytes() { return bytes_of(&config_block, sizeof config_block); }
std::string default_bytes() { return bytes_of(config_default_image.data(), CONFIG_SIZE); }

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void spit(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}
// The built-in block with HIDE_SPEED, rcFON.y1 and IS_YEAR_EN changed.
std::string edited_bytes(uint32_t speed) {
  std::string b = default_bytes();
  std::memcpy(b.data() + 7028, &speed, 4);
  uint16_t y1 = 200;
  std::memcpy(b.data() + 4448, &y1, 2);
  uint32_t on = 1;
  std::memcpy(b.data() + cfg_value_offset("IS_YEAR_EN"), &on, 4);
  return b;
}

// Services that fail, standing in for a folder the phone cannot read or write.
int refuse_read_open(const char16_t* path, const char16_t* name, int mode, int perm, int r) {
  if (mode == 1) return -1;
  return host::svc::fw_file_open(path, name, mode, perm, r);
}
int short_write(int fd, const void* buf, int size) {
  return host::svc::fw_file_write(fd, buf, size / 2);
}

class ConfigLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAddOnGlobals();
    phone_ = std::make_unique<host::Phone>(host::Options{});
    fw_services = phone_->services().table();
    first_ = phone_->files().dir_path(0x14) / "TuneStrip.bcfg";
    second_ = phone_->files().dir_path(0x15) / "TuneStrip.bcfg";
  }
  void TearDown() override {
    EXPECT_EQ(phone_->files().open_files(), 0u);
    EXPECT_EQ(phone_->memory().live_blocks(), 0u);
    phone_.reset();
  }

  std::unique_ptr<host::Phone> phone_;
  fs::path first_, second_;
};

// Each fixture starts from the globals as the phone's loader gives them: set data, zero-filled
// data and data holding addresses all come back.
TEST_F(ConfigLoad, FixturesStartFromTheAddOnsOwnGlobals) {
  HIDE_SPEED = 3;
  HideMode = 0;
  PanelRun = 1;
  successed_config_path = u"/elsewhere";
  ResetAddOnGlobals();
  EXPECT_EQ(HIDE_SPEED, cfg_default_block().HIDE_SPEED);
  EXPECT_EQ(HideMode, 1);
  EXPECT_EQ(PanelRun, 0);
  EXPECT_EQ(std::u16string(successed_config_path), u"");
}

TEST_F(ConfigLoad, MissingFileIsCreatedInTheFirstFolder) {
  EXPECT_EQ(InitConfig(), 0);
  EXPECT_EQ(slurp(first_), default_bytes());
  EXPECT_FALSE(fs::exists(second_));
  EXPECT_EQ(successed_config_path, fw_get_dir(0x14));
  EXPECT_EQ(successed_config_name, config_file_name);
  EXPECT_EQ(std::u16string(successed_config_name), u"TuneStrip.bcfg");
  EXPECT_EQ(block_bytes(), default_bytes());
}

TEST_F(ConfigLoad, FileOfTheRightSizeIsTakenWhole) {
  spit(first_, edited_bytes(4));
  EXPECT_EQ(InitConfig(), 0);
  EXPECT_EQ(HIDE_SPEED, 4);
  EXPECT_EQ(rcFON.y1, 200);
  EXPECT_EQ(IS_YEAR_EN, 1);
  EXPECT_EQ(block_bytes(), edited_bytes(4));
  EXPECT_EQ(slurp(first_), edited_bytes(4));  // read, not rewritten
  // Taken as it stands, without any test of its values.
  spit(first_, edited_bytes(0));
  EXPECT_EQ(InitConfig(), 0);
  EXPECT_EQ(HIDE_SPEED, 0);
}

TEST_F(ConfigLoad, WronglySizedFileIsReplacedByTheCurrentBlock) {
  spit(first_, edited_bytes(4));
  ASSERT_EQ(InitConfig(), 0);
  for (size_t size : {size_t(7123), size_t(7125), size_t(0)}) {
    SCOPED_TRACE(size);
    std::string wrong = edited_bytes(11);
    wrong.resize(size, '\x05');
    spit(first_, wrong);
    EXPECT_EQ(InitConfig(), 0);
    EXPECT_EQ(HIDE_SPEED, 4);  // the values loaded before stay
    EXPECT_EQ(slurp(first_), edited_bytes(4));
  }
}

TEST_F(ConfigLoad, CallsInOrder) {
  phone_->trace().capture(true);
  spit(first_, "short");
  EXPECT_EQ(LoadConfigData(fw_get_dir(0x14), config_file_name), 0);
  std::vector<std::string> calls;
  for (const std::string& l : phone_->trace().lines())
    if (l.rfind("fw_file_", 0) == 0) calls.push_back(l.substr(0, l.find('(')));
  EXPECT_EQ(calls, (std::vector<std::string>{"fw_file_stat", "fw_file_open", "fw_file_read",
                                             "fw_file_close", "fw_file_open", "fw_file_write",
                                             "fw_file_close"}));
  bool read_mode = false, write_mode = false;
  for (const std::string& l : phone_->trace().lines()) {
    read_mode |= l.find("fw_file_open(") == 0 && l.find(", 1, 384, 0)") != std::string::npos;
    write_mode |= l.find("fw_file_open(") == 0 && l.find(", 516, 384, 0)") != std::string::npos;
  }
  EXPECT_TRUE(read_mode);
  EXPECT_TRUE(write_mode);
}

TEST_F(ConfigLoad, UnwritableFirstFolderFallsBackToTheSecond) {
  phone_->files().set_read_only(fw_get_dir(0x14));
  EXPECT_EQ(InitConfig(), 0);
  EXPECT_FALSE(fs::exists(first_));
  EXPECT_EQ(slurp(second_), default_bytes());
  EXPECT_EQ(successed_config_path, fw_get_dir(0x15));

  // A file already in the second folder is read from there.
  spit(second_, edited_bytes(6));
  EXPECT_EQ(InitConfig(), 0);
  EXPECT_EQ(HIDE_SPEED, 6);
  EXPECT_EQ(successed_config_path, fw_get_dir(0x15));
}

TEST_F(ConfigLoad, UnreadableFileFailsThatFolderWithoutWriting) {
  phone_->services().replace<host::service::fw_file_open>(&refuse_read_open);
  spit(first_, "ten bytes!");
  // Both folders hold an unreadable file: nothing is loaded or written, the globals stay.
  spit(second_, edited_bytes(2));
  EXPECT_EQ(InitConfig(), -1);
  EXPECT_EQ(slurp(first_), "ten bytes!");
  EXPECT_EQ(slurp(second_), edited_bytes(2));
  EXPECT_EQ(std::u16string(successed_config_path), u"");
  EXPECT_EQ(block_bytes(), default_bytes());

  // With the second folder empty, the file is created there.
  fs::remove(second_);
  EXPECT_EQ(InitConfig(), 0);
  EXPECT_EQ(slurp(first_), "ten bytes!");
  EXPECT_EQ(slurp(second_), default_bytes());
  EXPECT_EQ(successed_config_path, fw_get_dir(0x15));
}

TEST_F(ConfigLoad, ShortWriteFails) {
  phone_->services().replace<host::service::fw_file_write>(&short_write);
  EXPECT_EQ(LoadConfigData(fw_get_dir(0x14), config_file_name), -1);
  EXPECT_EQ(std::u16string(successed_config_path), u"");
}

TEST_F(ConfigLoad, SuccessfulLoadKeepsTheStringsPassed) {
  spit(first_, edited_bytes(4));
  const char16_t* folder = fw_get_dir(0x14);
  EXPECT_EQ(LoadConfigData(folder, config_file_name), 0);
  EXPECT_EQ(successed_config_path, folder);  // the very pointer, not a copy
  EXPECT_EQ(successed_config_name, config_file_name);
  // A failed attempt leaves them as they were.
  phone_->files().set_read_only(fw_get_dir(0x15));
  EXPECT_EQ(LoadConfigData(fw_get_dir(0x15), config_file_name), -1);
  EXPECT_EQ(successed_config_path, folder);
}

}  // namespace
