// Checking a skin as a skin author would before copying it to the phone: its 14 panel images
// (present under the names the phone asks for, decodable, drawn at their own size, not invisible
// where they are shown) and the configuration it is checked with (its structure, boxes, labels,
// buttons, fonts and slide speed, and labels whose longest text reaches into the cover, a button
// or another label).
//
// The checks only read files and never need a phone or a window, so the preview can run them at
// start and the command-line checker prints the same findings.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "skin/skin.h"

namespace skin {

enum class Severity { Warning, Error };

// One thing wrong with the skin: `name` is the file (an image's name as the phone asks for it,
// or the configuration file) or the configuration item at fault (FUNCTION_KEY_RECT2);
// `message` says what is wrong and what it should be.
struct Finding {
  std::string name;
  Severity severity;
  std::string message;
};

// Checks the skin in `dir` with the configuration `config` chose (see choose_config) for a
// screen of screen_w x screen_h pixels. The findings come in a fixed order: the configuration
// file and the folder, then the images as the phone loads them, then the items in block order. Errors: what the phone cannot show as configured (a
// missing or undecodable image of a shown element, a box without area or past the screen, a
// label outside the panel or drawn invisibly, overlapping buttons, values out of range, an
// unusable configuration file). Warnings: what shows, but not as the author likely meant (an
// image drawn scaled, an invisible image), and faults of elements the configuration hides.
std::vector<Finding> check_skin(const std::filesystem::path& dir, const ConfigChoice& config,
                                int screen_w = 240, int screen_h = 320);

// "2 errors, 1 warning", "1 warning", or "no findings".
std::string count_text(const std::vector<Finding>& findings);

// What tunestrip-skin prints: the configuration and screen the skin `skin` was checked with, the
// findings one a line (format_finding), the files the phone ignores (ignored_files) and the count.
std::string report(const std::string& skin, const ConfigChoice& config, int screen_w,
                   int screen_h, const std::vector<Finding>& findings,
                   const std::vector<std::string>& ignored);

// "NAME: error: message" or "NAME: warning: message".
std::string format_finding(const Finding& finding);
// A JSON array of {"name", "severity", "message"} objects, one a line; "[]" when there are none.
std::string findings_json(const std::vector<Finding>& findings);
bool has_errors(const std::vector<Finding>& findings);

}  // namespace skin
