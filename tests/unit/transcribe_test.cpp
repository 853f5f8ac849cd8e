// The transcription of a performance into a score: each rhythm rule on a phrase played by hand,
// every song of the song book played with human timing and written back note for note, and the
// tempo guessed for songs recorded without one.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "score/jianpu_text.h"
#include "score/song.h"
#include "score/transcribe.h"
#include "tests/fakes/song_book.h"

namespace velmira {
namespace {

// A key held from onMs to offMs, shifted by an octave or not.
struct Held {
  int scan;
  uint32_t on, off;
  int shift = 0;
};

std::vector<PerformanceEvent> Played(const std::vector<Held>& keys) {
  std::vector<std::pair<uint32_t, PerformanceEvent>> timed;
  for (const Held& k : keys) {
    timed.push_back({k.on, {0, 256, static_cast<uint32_t>(k.scan) << 16 | 1, k.shift}});
    timed.push_back({k.off, {0, 257, static_cast<uint32_t>(k.scan) << 16 | 0xC0000001u, k.shift}});
  }
  std::stable_sort(timed.begin(), timed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<PerformanceEvent> events;
  uint32_t last = 0;
  for (auto& [at, event] : timed) {
    event.deltaMs = at - last;
    last = at;
    events.push_back(event);
  }
  return events;
}

std::string Written(const std::vector<Held>& keys, const Tempo& tempo) {
  const std::vector<PerformanceEvent> events = Played(keys);
  std::string text =
      WriteJianpuText(Transcribe(events.data(), static_cast<uint32_t>(events.size()), 1298, tempo));
  return text.substr(text.find('\n') + 1);  // the bars, without the head
}

constexpr int A = 0x1E, S = 0x1F, D = 0x20, F = 0x21, G = 0x22, K = 0x25, Q = 0x10;

// At 120 a minute a sixteenth is 125 ms; the first bar line is at 1000 ms.
TEST(Transcription, EachRhythmRuleOnAPhrase) {
  const Tempo tempo{500000, 4, 4, 1000};
  // Onsets to the nearest sixteenth; a key lifted 60 ms before the next lasts to it; a release
  // before a rest to the nearest sixteenth; a note still held at the next onset ends there.
  EXPECT_EQ(Written({{A, 1020, 1440}, {S, 1490, 1730}, {D, 1990, 2300}, {F, 2240, 3000}}, tempo),
            "| 1 2_ 0_ 3_ 4. ||\n");
  // A chord of keys struck on one sixteenth lasts until its shortest key ends; a note shorter
  // than a sixteenth still lasts one; Shift and Ctrl write the octave.
  EXPECT_EQ(Written({{A, 1000, 1700},
                     {D, 990, 1490},
                     {G, 1010, 1740},
                     {K, 1500, 1510, 1},
                     {Q, 1625, 2000, -1}},
                    tempo),
            "| [1 3 5] 1''__ 5,,,_. ||\n");
  // Empty bars before the first note (a count-in) are not written; a note across the bar line
  // is split and tied.
  EXPECT_EQ(Written({{A, 4500, 5500}, {S, 5500, 6000}}, tempo), "| 0 0 0 1 | ~1 2 ||\n");
  // Notes before the first bar line form an upbeat bar.
  EXPECT_EQ(Written({{G, 750, 1000}, {A, 1000, 3000}}, tempo), "| 5_ | 1 - - - ||\n");
}

// The notes of a score, ties joined, rests left out: (start in sixteenths, length, pitches in
// semitones: a song's #5 is the caps' b6).
struct Note {
  int start, length;
  std::vector<int> pitches;
  bool operator==(const Note& o) const {
    return start == o.start && length == o.length && pitches == o.pitches;
  }
};
void PrintTo(const Note& note, std::ostream* out) {
  *out << note.start << "+" << note.length << ":";
  for (int p : note.pitches) *out << p << " ";
}
std::vector<int> Semitones(const std::vector<Pitch>& pitches) {
  std::vector<int> semitones;
  for (const Pitch& p : pitches) semitones.push_back(p.Semitones());
  return semitones;
}

std::vector<Note> Notes(const Score& score) {
  std::vector<Note> notes;
  int at = 0;
  bool tied = false;
  for (const ScoreBar& bar : score.bars) {
    for (const ScoreItem& item : bar.items) {
      if (!item.rest()) {
        if (tied) {
          notes.back().length += item.length;
        } else {
          notes.push_back(Note{at, item.length, Semitones(item.pitches)});
        }
      }
      tied = item.tiedToNext;
      at += item.length;
    }
  }
  return notes;
}

struct Song {
  std::string name;
  Score score;
  std::vector<PerformanceEvent> events;
  Tempo tempo;
};

std::vector<Song> SongBook() {
  std::vector<Song> songs;
  for (const auto& [name, text] : testing::SongBookTexts()) {
    Song song;
    song.name = name;
    std::string error;
    SongKeys keys;
    EXPECT_TRUE(ReadJianpuText(text, &song.score, &error)) << error;
    EXPECT_TRUE(ChooseSongKeys(song.score, &keys, &error)) << song.name << ": " << error;
    song.events = SongPerformance(song.score, keys, &song.tempo);
    songs.push_back(std::move(song));
  }
  return songs;
}

// As a player plays: each onset off by up to 30 ms, a key lifted 20 to 80 ms before a note that
// follows it at once, and within a third of a sixteenth of its end before a rest.
std::vector<PlayedNote> Humanized(const std::vector<PlayedNote>& exact, const Tempo& tempo,
                                  std::mt19937& random) {
  const double sixteenth = QuarterMs(tempo) / 4;
  std::uniform_int_distribution<int> onset(-30, 30), lift(20, 80);
  std::uniform_real_distribution<double> end(-sixteenth / 3, sixteenth / 3);
  std::vector<PlayedNote> notes = exact;
  for (PlayedNote& note : notes)
    note.onMs = static_cast<uint32_t>(int(note.onMs) + 1000 + onset(random));
  for (size_t i = 0; i < notes.size(); ++i) {
    size_t next = i + 1;
    while (next < notes.size() && exact[next].onMs == exact[i].onMs) ++next;  // past its chord
    if (next < notes.size() && exact[i].offMs == exact[next].onMs) {
      notes[i].offMs = notes[next].onMs - static_cast<uint32_t>(lift(random));
    } else {
      notes[i].offMs = static_cast<uint32_t>(std::lround(exact[i].offMs + 1000 + end(random)));
    }
  }
  return notes;
}

TEST(Transcription, EverySongPlayedWithHumanTimingIsWrittenNoteForNote) {
  std::mt19937 random(2026);
  for (const Song& song : SongBook()) {
    const std::vector<PlayedNote> exact =
        PlayedNotes(song.events.data(), static_cast<uint32_t>(song.events.size()));
    Tempo tempo = song.tempo;
    tempo.downbeatMs += 1000;  // the humanized take starts a second in
    for (int take = 0; take < 5; ++take) {
      const Score written = TranscribeNotes(Humanized(exact, song.tempo, random), 1297, tempo);
      ASSERT_EQ(Notes(written), Notes(song.score)) << song.name << ", take " << take;
      EXPECT_EQ(written.HasUpbeat(), song.score.HasUpbeat()) << song.name;
    }
  }
}

// Without a tempo: the guess of the tempo and bar lines on songs played in time, at a tempo of
// their own and with human timing. It must find the beat of most songs (the notes' lengths
// right, the tempo within 5 %); the figure is printed.
TEST(Transcription, TheTempoOfSongsRecordedWithoutOneIsGuessed) {
  std::mt19937 random(7);
  int right = 0, songs = 0;
  for (const Song& song : SongBook()) {
    const std::vector<PlayedNote> played =
        Humanized(PlayedNotes(song.events.data(), static_cast<uint32_t>(song.events.size())),
                  song.tempo, random);
    const Score guessed =
        TranscribeNotes(played, 1297, Tempo{}, "", song.score.numerator, song.score.denominator);
    EXPECT_TRUE(guessed.estimated);
    std::vector<Note> got = Notes(guessed), want = Notes(song.score);
    const bool lengths = got.size() == want.size() &&
                         std::equal(got.begin(), got.end(), want.begin(), [&](auto& a, auto& b) {
                           return a.length == b.length && a.pitches == b.pitches &&
                                  a.start - got.front().start == b.start - want.front().start;
                         });
    const bool tempo = std::abs(guessed.bpm - song.score.bpm) * 20 <= song.score.bpm;
    right += lengths && tempo ? 1 : 0;
    ++songs;
    std::printf("%-20s %3d -> %3d %s\n", song.name.c_str(), song.score.bpm, guessed.bpm,
                lengths ? "notes right" : "notes wrong");
  }
  std::printf("the tempo guessed right for %d of %d songs\n", right, songs);
  EXPECT_GE(right * 10, songs * 7);
}

// While recording, the live score is after every event the score of the take so far, and the
// bars before the one it names as the first changed are those it had before: on every song
// played with uneven timing, and on a note held under the others and released with the last.
TEST(Transcription, TheLiveScoreIsAtEveryEventTheScoreOfTheTakeSoFar) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> jitter(-25, 25);
  std::vector<std::pair<std::string, std::vector<PerformanceEvent>>> takes;
  for (const Song& song : SongBook()) {
    std::vector<PerformanceEvent> events = song.events;
    for (PerformanceEvent& e : events) e.deltaMs = std::max(0, int(e.deltaMs) + jitter(random));
    takes.push_back({song.name, events});
  }
  takes.push_back({"held", Played({{A, 1000, 3100},
                                   {S, 1250, 1500},
                                   {D, 1750, 2000},
                                   {F, 2250, 2400},
                                   {G, 2500, 3100},
                                   {K, 2500, 3000}})});
  const Tempo tempo{500000, 3, 4, 1000};
  for (const auto& [name, events] : takes) {
    LiveTranscription live;
    live.Start(1297, tempo, "", 3, 4);
    Score before;
    for (uint32_t n = 1; n <= events.size(); ++n) {
      const size_t changed = static_cast<size_t>(live.Update(events.data(), n));
      const Score full = Transcribe(events.data(), n, 1297, tempo, "", 3, 4);
      ASSERT_EQ(live.score().bars, full.bars) << name << ", event " << n;
      ASSERT_LE(changed, std::min(before.bars.size(), full.bars.size())) << name;
      for (size_t b = 0; b < changed; ++b) ASSERT_EQ(full.bars[b], before.bars[b]) << name;
      before = live.score();
    }
  }
}

}  // namespace
}  // namespace velmira
