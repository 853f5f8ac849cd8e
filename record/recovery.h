// The recovery copy: while a performance has unsaved changes, the program keeps a copy of it in
// the user's data folder, so that a crash, a kill or a power cut does not lose the take. The
// copy is an ordinary performance file (with its tempo, if it has one), written with the same
// safe save as every file, on a writer thread of its own: the window thread only hands the
// events over. Each running program keeps its own copy, locked while it runs; at start, the
// copies whose lock is free were left behind by a program that ended without removing them.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/clock.h"
#include "record/file_system.h"
#include "record/performance_event.h"
#include "record/tempo.h"

namespace velmira {

struct RecoverySnapshot {
  std::vector<PerformanceEvent> events;
  int32_t keySignature = 1297;
  bool bassDoubling = false;
  Tempo tempo;
  LocalDate date{2026, 1, 1};
};

class RecoveryCopies {
 public:
  // folder: where the copies lie; empty keeps none.
  explicit RecoveryCopies(std::string folder) : folder_(std::move(folder)) {}
  // Finishes what was handed over; the copy itself stays unless it was removed.
  ~RecoveryCopies();
  RecoveryCopies(const RecoveryCopies&) = delete;
  RecoveryCopies& operator=(const RecoveryCopies&) = delete;

  // Takes this run's name and lock; false when no copy can be kept here.
  bool Open();
  // The copies that programs no longer running left behind (their locks are free).
  std::vector<std::string> LeftBehind() const;
  // A left-behind copy the player kept becomes this run's own copy.
  void Adopt(const std::string& path);
  // A left-behind copy the player declined is deleted; a damaged one is renamed, never deleted.
  void Decline(const std::string& path) { RemoveFile(path); }
  void SetAside(const std::string& path);

  // Hands a snapshot to the writer thread, which writes this run's copy.
  void Write(RecoverySnapshot snapshot);
  // Writes the copy now and waits (a session that ends without asking); true when written.
  bool WriteNow(RecoverySnapshot snapshot);
  // Removes this run's copy (after what was handed over before).
  void Remove();
  // A copy can be kept (Open found the folder and took a name).
  bool open() const { return !path_.empty(); }
  // This run's copy exists or is on its way.
  bool kept() const { return kept_; }

 private:
  struct Job {
    bool remove = false;
    RecoverySnapshot snapshot;
  };
  void Run();
  void Post(Job job);
  // Waits until the writer has done every job handed over.
  void Drain();
  bool Do(const Job& job);

  std::string folder_;
  std::string path_;  // this run's copy; empty when none can be kept
  FileLock lock_;
  bool kept_ = false;
  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable done_;
  std::deque<Job> jobs_;
  bool busy_ = false;
  bool quit_ = false;
  std::thread writer_;
};

}  // namespace velmira
