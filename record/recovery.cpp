#include "record/recovery.h"

#include "record/document_state.h"
#include "record/performance_file.h"

namespace velmira {

namespace {
constexpr const char* kCopy = ".qji";
constexpr const char* kLock = ".lock";  // beside the copy, its name without the extension
}  // namespace

RecoveryCopies::~RecoveryCopies() {
  if (!writer_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  work_.notify_all();
  writer_.join();
  lock_.Release();
  if (!kept_) RemoveFile(WithoutExtension(path_) + kLock);  // nothing left to guard
}

bool RecoveryCopies::Open() {
  if (folder_.empty() || !MakeFolder(folder_)) return false;
  // Locks of runs that ended and left no copy behind are of no use.
  for (const std::string& name : FilesEndingIn(folder_, kLock)) {
    const std::string lock = JoinPath(folder_, name);
    FileLock probe;
    if (!FileExists(WithoutExtension(lock) + kCopy) && probe.Take(lock)) {
      probe.Release();
      RemoveFile(lock);
    }
  }
  // This run's name, by its process number; a copy that an earlier run of the same number left
  // behind keeps its name, and this run takes the next free one.
  const std::string base = "take-" + std::to_string(ProcessNumber());
  for (int n = 0; n < 100; ++n) {
    const std::string stem = JoinPath(folder_, n == 0 ? base : base + "-" + std::to_string(n));
    if (FileExists(stem + kCopy) || !lock_.Take(stem + kLock)) continue;
    path_ = stem + kCopy;
    writer_ = std::thread([this] { Run(); });
    return true;
  }
  return false;
}

std::vector<std::string> RecoveryCopies::LeftBehind() const {
  std::vector<std::string> copies;
  if (path_.empty()) return copies;
  for (const std::string& name : FilesEndingIn(folder_, kCopy)) {
    if (name.compare(0, 5, "take-") != 0) continue;
    const std::string path = JoinPath(folder_, name);
    if (path == path_) continue;
    FileLock probe;  // free: its program is gone
    if (probe.Take(WithoutExtension(path) + kLock)) copies.push_back(path);
  }
  return copies;
}

void RecoveryCopies::Adopt(const std::string& path) {
  Drain();
  if (RenameFile(path, path_)) kept_ = true;
  RemoveFile(WithoutExtension(path) + kLock);
}

void RecoveryCopies::SetAside(const std::string& path) {
  RenameFile(path, WithoutExtension(path) + ".damaged");
  RemoveFile(WithoutExtension(path) + kLock);
}

void RecoveryCopies::Post(Job job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // A newer snapshot makes an older one that waits pointless.
    if (!jobs_.empty() && !jobs_.back().remove && !job.remove) jobs_.pop_back();
    jobs_.push_back(std::move(job));
  }
  work_.notify_all();
}

void RecoveryCopies::Write(RecoverySnapshot snapshot) {
  if (path_.empty()) return;
  kept_ = true;
  Post(Job{false, std::move(snapshot)});
}

bool RecoveryCopies::WriteNow(RecoverySnapshot snapshot) {
  if (path_.empty()) return false;
  Drain();
  kept_ = Do(Job{false, std::move(snapshot)});
  return kept_;
}

void RecoveryCopies::Remove() {
  if (path_.empty() || !kept_) return;
  kept_ = false;
  Post(Job{true, {}});
}

void RecoveryCopies::Drain() {
  if (!writer_.joinable()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

bool RecoveryCopies::Do(const Job& job) {
  if (job.remove) return RemoveFile(path_);
  const RecoverySnapshot& s = job.snapshot;
  return SavePerformanceFile(s.events.data(), static_cast<uint32_t>(s.events.size()),
                             s.keySignature, s.bassDoubling, path_.c_str(), s.date,
                             s.tempo) == nullptr;
}

void RecoveryCopies::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    work_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
    if (jobs_.empty()) return;  // quitting with nothing left to do
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    lock.unlock();
    Do(job);
    lock.lock();
    busy_ = false;
    done_.notify_all();
  }
}

}  // namespace velmira
