// The configuration block and the loading and writing of its file.
#include "shell/config/config.h"

#include <new>

#include "platform/fw.h"

constinit CONFIG_BLOCK config_block = cfg_default_block();

const char16_t config_file_name[] = u"TuneStrip.bcfg";

static const char16_t empty_wstr[] = u"";
const char16_t* successed_config_path = empty_wstr;
const char16_t* successed_config_name = empty_wstr;

int LoadConfigData(const char16_t* path, const char16_t* name) {
  const int size = int(sizeof(config_block));
  if (!path || !name) return -1;
  uint8_t* buf = new (std::nothrow) uint8_t[size];
  if (!buf) return -1;

  int result = -1;
  bool take = false;
  FSTAT st = {};
  if (fw_file_stat(path, name, &st) != -1) {
    int fd = fw_file_open(path, name, FW_OPEN_READ, FW_PERM_RW, 0);
    if (fd < 0) {
      // Present but unreadable: this folder fails, and the file is left alone.
      delete[] buf;
      return -1;
    }
    int got = fw_file_read(fd, buf, size);
    fw_file_close(fd);
    uint32_t file_size;
    __builtin_memcpy(&file_size, st.raw + 8, 4);
    take = got == size && file_size == uint32_t(size);
  }

  if (take) {
    fw_memcpy(&config_block, buf, size);
    result = 0;
  } else {
    // Missing, or of another size: write the block as it stands.
    int fd = fw_file_open(path, name, FW_OPEN_CREATE, FW_PERM_RW, 0);
    if (fd < 0) {
      delete[] buf;
      return -1;
    }
    result = fw_file_write(fd, &config_block, size) == size ? 0 : -1;
    fw_file_close(fd);
  }

  delete[] buf;
  if (result == 0) {
    successed_config_path = path;
    successed_config_name = name;
  }
  return result;
}

int InitConfig() {
  if (LoadConfigData(fw_get_dir(DIR_CONFIG_1), config_file_name) == 0) return 0;
  return LoadConfigData(fw_get_dir(DIR_CONFIG_2), config_file_name);
}
