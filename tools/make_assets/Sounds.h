// The game's sound effects, synthesised: 16-bit PCM mono at 22050 Hz, each under 1.5 s, faded
// in and out so they start and end on silence, and levelled to a peak of -3 dBFS.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Sheets.h"

namespace assets {

constexpr int kSampleRate = 22050;
constexpr double kPeakLevel = 0.70794578438413791;  // -3 dBFS

// The eleven files, named as the game's sound table has them.
std::vector<OutputFile> MakeSounds();

// Shapes raw samples into a finished effect: removes any DC offset, fades in over `fadeIn`
// and out over `fadeOut` seconds (raised cosine, first and last sample exactly zero) and
// scales the peak to kPeakLevel.
std::vector<double> Finish(std::vector<double> s, double fadeIn = 0.004, double fadeOut = 0.03);

// A RIFF/WAVE file of 16-bit mono PCM at kSampleRate (samples in [-1, 1], rounded).
std::vector<uint8_t> EncodeWav(const std::vector<double>& samples);

}  // namespace assets
