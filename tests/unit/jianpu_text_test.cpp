// The jianpu text: a phrase written as the program writes it, every song of the song book read
// and written back unchanged, and the faults a reader names.
#include <gtest/gtest.h>

#include "score/jianpu_text.h"
#include "tests/fakes/song_book.h"

namespace velmira {
namespace {

ScoreItem Item(std::vector<Pitch> pitches, int start, int length, bool tied = false) {
  ScoreItem item;
  item.pitches = std::move(pitches);
  item.start = start;
  item.length = length;
  item.tiedToNext = tied;
  return item;
}

TEST(JianpuText, APhraseWithEveryMarkAsTheProgramWritesIt) {
  Score score;
  score.title = "小曲";
  score.majorKey = 2;  // D
  score.bars = {
      ScoreBar{4, {Item({{5, 0, -1}}, 0, 2), Item({{6, 0, -1}}, 2, 2)}},  // an upbeat
      ScoreBar{16,
               {Item({{1, 0, 0}}, 0, 6), Item({{2, 0, 0}}, 6, 1), Item({{3, 1, 1}}, 7, 1),
                Item({}, 8, 2), Item({{4, -1, 0}}, 10, 2), Item({{5, 0, 0}}, 12, 4, true)}},
      ScoreBar{16, {Item({{5, 0, 0}}, 0, 5), Item({{1, 0, 0}, {3, 0, 0}, {5, 0, 0}}, 5, 11)}},
  };
  EXPECT_EQ(WriteJianpuText(score),
            "title: 小曲\n"
            "1=D 4/4 \xE2\x99\xA9=90\n"
            "| 5,_ 6,_ | 1. 2__ #3'__ 0_ b4_ 5 | ~5 ~5__ [1 3 5]_. ~[1 3 5] - ||\n");
  score.estimated = true;
  EXPECT_NE(WriteJianpuText(score).find("\xE2\x99\xA9\xE2\x89\x88"
                                        "90"),
            std::string::npos);
}

// Each song reads, and what the program writes of it reads back as the same score.
TEST(JianpuText, EverySongOfTheSongBookReadsAndWritesBackUnchanged) {
  int songs = 0;
  for (const auto& [name, text] : testing::SongBookTexts()) {
    Score score, again;
    std::string error;
    ASSERT_TRUE(ReadJianpuText(text, &score, &error)) << name << ": " << error;
    EXPECT_FALSE(score.title.empty()) << name;
    ASSERT_TRUE(ReadJianpuText(WriteJianpuText(score), &again, &error)) << error;
    EXPECT_EQ(WriteJianpuText(again), WriteJianpuText(score)) << name;
    ++songs;
  }
  EXPECT_GE(songs, 12);
}

TEST(JianpuText, FaultsNameTheLineTheColumnAndWhatWasExpected) {
  const std::pair<const char*, const char*> cases[] = {
      {"1=H 4/4 q=90\n| 1 |", "第 1 行第 1 列: 应为 \"1=\" 和调名"},
      {"1=C 4/4 q=400\n| 1 |", "第 1 行第 9 列: 速度应在 30 到 300 之间"},
      {"# a comment\n1=C 3/4 q=90\n| 1 2 3 | 4 5 |\n| 6 ||",
       "第 3 行第 15 列: 这一小节不满 3/4 拍"},
      {"1=C 2/4 \xE2\x99\xA9=60\n| 1 2 3 ||", "第 2 行第 7 列: 这一小节超过了 2/4 拍"},
      {"1=C 4/4 q=90\n| 1 0 - 2 ||", "第 2 行第 7 列: \"-\" 不能跟在休止符后面"},
      {"1=C 4/4 q=90\n| 1 2 3 4 | ~5 - - - ||", "第 2 行第 14 列: \"~\" 连接的应是与前一个音相同"},
      {"1=C 4/4 q=90\n| 1 2 8 4 ||", "第 2 行第 7 列: 应为音符 (1 到 7)"},
      {"1=C 4/4 q=90\n| 1 2 3 4 |", "第 2 行第 12 列: 乐谱应以 \"||\" 结束"},
  };
  for (const auto& [text, message] : cases) {
    Score score;
    std::string error;
    EXPECT_FALSE(ReadJianpuText(text, &score, &error)) << text;
    EXPECT_EQ(error.rfind(message, 0), 0u) << text << "\n" << error;
  }
  // Not faults: a Windows editor's byte-order mark and line ends.
  Score score;
  std::string error;
  EXPECT_TRUE(
      ReadJianpuText("\xEF\xBB\xBF"
                     "1=C 4/4 q=90\r\n| 1 2 3 4 ||\r\n",
                     &score, &error))
      << error;
}

}  // namespace
}  // namespace velmira
