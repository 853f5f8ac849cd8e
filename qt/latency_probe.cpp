#include "qt/latency_probe.h"

#include <time.h>

#include <cstdio>

namespace velmira {

LatencyProbe& LatencyProbe::Instance() {
  static LatencyProbe probe;
  return probe;
}

void LatencyProbe::Enable(const std::string& path) {
  path_ = path;
  enabled_ = !path.empty();
}

int64_t LatencyProbe::NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

void LatencyProbe::Rendered(bool sounding, int64_t renderStartNs) {
  if (!enabled_) return;
  if (awaitingNext_ >= 0) {
    records_[awaitingNext_].next = renderStartNs;
    awaitingNext_ = -1;
  }
  const int64_t sent = sentNs_.load(std::memory_order_acquire);
  if (sent == 0 || sent == waitingSent_) return;  // nothing new, or already matched
  if (!sounding) return;
  waitingSent_ = sent;
  const int index = count_.load(std::memory_order_relaxed);
  if (index >= kRecords) return;
  records_[index] = Record{keyNs_.load(std::memory_order_relaxed), sent, NowNs(), renderStartNs, 0};
  awaitingNext_ = index;
  count_.store(index + 1, std::memory_order_release);
}

void LatencyProbe::AudioThreadTick() {
  if (!enabled_) return;
  timespec cpu{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
  const int64_t cpuNs = int64_t{cpu.tv_sec} * 1000000000 + cpu.tv_nsec;
  const int64_t wall = NowNs();
  if (firstCpu_.load(std::memory_order_relaxed) < 0) {
    firstWall_.store(wall, std::memory_order_relaxed);
    firstCpu_.store(cpuNs, std::memory_order_relaxed);
  }
  lastCpu_.store(cpuNs, std::memory_order_relaxed);
  lastWall_.store(wall, std::memory_order_relaxed);
}

void LatencyProbe::Write() const {
  if (!enabled_) return;
  std::FILE* file = std::fopen(path_.c_str(), "w");
  if (file == nullptr) return;
  const int n = count_.load(std::memory_order_acquire);
  for (int i = 0; i < n; ++i) {
    const Record& r = records_[i];
    std::fprintf(file, "%lld %lld %lld %lld %lld\n", static_cast<long long>(r.key),
                 static_cast<long long>(r.sent), static_cast<long long>(r.sound),
                 static_cast<long long>(r.renderStart), static_cast<long long>(r.next));
  }
  if (firstCpu_.load() >= 0) {
    std::fprintf(file, "cpu %lld %lld\n",
                 static_cast<long long>(lastCpu_.load() - firstCpu_.load()),
                 static_cast<long long>(lastWall_.load() - firstWall_.load()));
  }
  std::fclose(file);
}

}  // namespace velmira
