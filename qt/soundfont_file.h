// Whether a file can be a SoundFont (.sf2, or .sf3 with compressed samples): a RIFF file of form
// "sfbk" whose chunk fits in the file. Cheap enough to check every candidate before FluidSynth
// spends a fifth of a second (seconds for large fonts) loading it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmira {

// The first bytes of a file (at least 12 when the file has them) and the file's size: what is
// wrong with it as a SoundFont, for the player, or empty.
std::string SoundFontHeaderProblem(const unsigned char* head, size_t length, uint64_t fileSize);

// The same for the file at path, including that it is missing or unreadable.
std::string SoundFontFileProblem(const std::string& path);

}  // namespace velmira
