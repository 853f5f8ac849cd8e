// The check a SoundFont passes before FluidSynth loads it and the program remembers it.
#include "qt/soundfont_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace velmira {
namespace {

std::vector<unsigned char> Header(const char* riff, uint32_t size, const char* form) {
  std::vector<unsigned char> head(12);
  std::memcpy(head.data(), riff, 4);
  for (int i = 0; i < 4; ++i) head[4 + i] = static_cast<unsigned char>(size >> (8 * i));
  std::memcpy(head.data() + 8, form, 4);
  return head;
}

std::string Problem(const std::vector<unsigned char>& head, uint64_t fileSize) {
  return SoundFontHeaderProblem(head.data(), head.size(), fileSize);
}

TEST(SoundFontFile, AcceptsARiffSfbkFormThatFitsTheFile) {
  EXPECT_EQ(Problem(Header("RIFF", 1000, "sfbk"), 1008), "");
  EXPECT_EQ(Problem(Header("RIFF", 1000, "sfbk"), 2000), "");  // bytes after the chunk
}

TEST(SoundFontFile, RefusesWhatIsNoSoundFontSayingWhy) {
  EXPECT_NE(Problem({'R', 'I', 'F', 'F'}, 4).find("RIFF"), std::string::npos);
  EXPECT_NE(Problem(Header("MThd", 6, "\0\1\0\1"), 100).find("RIFF"), std::string::npos);
  // A WAVE file is RIFF too: its form is named.
  EXPECT_NE(Problem(Header("RIFF", 36, "WAVE"), 44).find("WAVE"), std::string::npos);
  // Cut short in a download: the chunk says more than the file holds.
  const std::string cut = Problem(Header("RIFF", 0xFFFFFFF0u, "sfbk"), 5000);
  EXPECT_NE(cut.find("4294967288"), std::string::npos) << cut;
  EXPECT_NE(cut.find("5000"), std::string::npos) << cut;
}

TEST(SoundFontFile, ReadsTheFileAndNamesAMissingOne) {
  EXPECT_EQ(SoundFontFileProblem("/nonexistent/velmira.sf2"), "没有这个文件");
  EXPECT_FALSE(SoundFontFileProblem("/").empty());  // a folder
  const std::string path = testing::TempDir() + "velmira_soundfont_test.sf2";
  for (uint32_t size : {92u, 93u}) {  // the whole file, then one byte more than it holds
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    const std::vector<unsigned char> head = Header("RIFF", size, "sfbk");
    std::fwrite(head.data(), 1, head.size(), file);
    const std::vector<unsigned char> body(88, 0);
    std::fwrite(body.data(), 1, body.size(), file);
    std::fclose(file);
    EXPECT_EQ(SoundFontFileProblem(path).empty(), size == 92u) << size;
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace velmira
