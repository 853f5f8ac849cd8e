// The song book's files (resources/songs/*.txt) as text, by file name.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace velmira::testing {

inline std::vector<std::pair<std::string, std::string>> SongBookTexts() {
  std::vector<std::pair<std::string, std::string>> songs;
  for (const auto& entry :
       std::filesystem::directory_iterator(VELMIRA_SOURCE_DIR "/resources/songs")) {
    if (entry.path().extension() != ".txt") continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    songs.emplace_back(entry.path().filename().string(), text.str());
  }
  return songs;
}

}  // namespace velmira::testing
