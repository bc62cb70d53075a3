// The picture of a comparison: the simulated phone's screen with each side's skin and
// configuration, its panel shown, side by side, with the pixels that differ marked on both.
#pragma once

#include <filesystem>

#include "skin/diff.h"

namespace skin {

// The simulator beside the running program (build/bin, PREFIX/bin).
std::filesystem::path simulator_beside_program();

// Runs `simulator` (tunestrip-sim) once a side, each with the same music and the same script
// (the player playing, the panel shown), and writes the two shots side by side as the PNG
// `png`, the pixels that differ tinted and their bounding box framed. A lone configuration is
// shown with the simulator's bundled skin. Answers how many pixels differ; throws DiffError when
// a run gives no shot or the picture cannot be written.
size_t diff_picture(const DiffSide& a, const DiffSide& b, const std::filesystem::path& png,
                    const std::filesystem::path& simulator);

}  // namespace skin
