// The configuration block and its file "TuneStrip.bcfg".
//
// `config_block` holds the whole block, byte for byte as the file: it starts out as the built-in
// defaults, loading copies a whole file over it and saving writes all of it. Every setting is read
// by its name (`KEYRUN`, `IS_TITLE_EN`, `rcFON.y1`, `HIDE_SPEED`, ...) straight from the block, so
// each use sees the values loaded last.
#pragma once

#include <cstdint>

#include "platform/fw_types.h"
#include "shell/config/catalogue.h"

extern CONFIG_BLOCK config_block;

// The named values: references to their fields inside `config_block`.
#define TS_CFG_NAMES(kind, ...) TS_CFG_NAMES_##kind(__VA_ARGS__)
#define TS_CFG_NAMES_KEY(name, name2, label, english, code, mode) \
  inline constexpr int32_t& name = config_block.name;             \
  inline constexpr int32_t& name2 = config_block.name2;
#define TS_CFG_NAMES_OPEN(id, label, english)
#define TS_CFG_NAMES_CLOSE(id)
#define TS_CFG_NAMES_CHECK(name, label, english, def) \
  inline constexpr int32_t& name = config_block.name;
#define TS_CFG_NAMES_COLOR(name, label, english, def) \
  inline constexpr uint32_t& name = config_block.name;
#define TS_CFG_NAMES_FONT(name, label, english, def) \
  inline constexpr int32_t& name = config_block.name;
#define TS_CFG_NAMES_INT(name, label, english, lo, hi, def) \
  inline constexpr int32_t& name = config_block.name;
#define TS_CFG_NAMES_POINT(xname, yname, label, english, x, y) \
  inline constexpr int32_t& xname = config_block.xname;        \
  inline constexpr int32_t& yname = config_block.yname;
#define TS_CFG_NAMES_RECT(name, label, english, x1, x2, y1, y2) \
  inline constexpr RECT& name = config_block.name;
#define TS_CFG_NAMES_LIST(name, label, english, tag, chosen) \
  inline constexpr int32_t& name = config_block.name;

TS_CONFIG_ITEMS(TS_CFG_NAMES)

// Folder and name of the configuration file last loaded or written successfully: the very strings
// handed to LoadConfigData (an empty string until then).
extern const char16_t* successed_config_path;
extern const char16_t* successed_config_name;

// The configuration file's name in either configuration folder.
extern const char16_t config_file_name[];

// Loads the configuration from the first configuration folder, or else the second; a missing or
// wrongly sized file is (re)written from the block. 0 on success, -1 when both folders failed.
int InitConfig();

// One attempt in one folder: 0 when the file was read whole into the block or written from it,
// -1 otherwise (the block is then unchanged).
int LoadConfigData(const char16_t* path, const char16_t* name);
