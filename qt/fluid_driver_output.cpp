#include "qt/fluid_driver_output.h"

#include <fluidsynth.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace velmira {

namespace {

constexpr int64_t kMs = 1000000;
constexpr int64_t kStallNs = 1000 * kMs;  // no call for this long (or four periods): lost
constexpr auto kWatchEvery = std::chrono::milliseconds(250);
constexpr auto kRetryEvery = std::chrono::milliseconds(1000);

int64_t NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

std::mutex g_errorMutex;
std::string g_lastError;

// FluidSynth's errors still go to stderr as before; the last one is kept.
void KeepError(int level, const char* message, void*) {
  {
    std::lock_guard<std::mutex> lock(g_errorMutex);
    g_lastError = message;
  }
  std::fprintf(stderr, "fluidsynth: %s: %s\n", level == FLUID_PANIC ? "panic" : "error", message);
}

void KeepFluidErrors() {
  static std::once_flag once;
  std::call_once(once, [] {
    fluid_set_log_function(FLUID_PANIC, &KeepError, nullptr);
    fluid_set_log_function(FLUID_ERR, &KeepError, nullptr);
  });
}

}  // namespace

std::string LastFluidError() {
  KeepFluidErrors();
  std::lock_guard<std::mutex> lock(g_errorMutex);
  return g_lastError;
}

FluidDriverOutput::FluidDriverOutput(fluid_settings_t* settings, AudioRenderer& renderer)
    : settings_(settings), renderer_(renderer) {
  int periodSize = 64, periods = 2;
  double rate = 44100;
  fluid_settings_getint(settings, "audio.period-size", &periodSize);
  fluid_settings_getint(settings, "audio.periods", &periods);
  fluid_settings_getnum(settings, "synth.sample-rate", &rate);
  bufferNs_ = static_cast<int64_t>(1e9 * periodSize * periods / rate);
}

std::unique_ptr<FluidDriverOutput> FluidDriverOutput::Open(fluid_settings_t* settings,
                                                           const std::string& name,
                                                           AudioRenderer& renderer,
                                                           std::string* error) {
  KeepFluidErrors();
  {
    std::lock_guard<std::mutex> lock(g_errorMutex);
    g_lastError.clear();
  }
  fluid_settings_setstr(settings, "audio.driver", name.c_str());
  std::unique_ptr<FluidDriverOutput> output(new FluidDriverOutput(settings, renderer));
  {
    std::lock_guard<std::mutex> lock(output->mutex_);
    if (!output->Start()) {
      const std::string why = LastFluidError();
      *error = why.empty() ? "FluidSynth cannot start it" : why;
      return nullptr;
    }
  }
  output->watchdog_ = std::thread([self = output.get()] { self->Watch(); });
  return output;
}

FluidDriverOutput::~FluidDriverOutput() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (watchdog_.joinable()) watchdog_.join();
  if (driver_ != nullptr) delete_fluid_audio_driver(driver_);
}

bool FluidDriverOutput::Start() {
  resting_ = false;
  lastCallNs_.store(NowNs());
  driver_ = new_fluid_audio_driver2(settings_, &FluidDriverOutput::Callback, this);
  return driver_ != nullptr;
}

void FluidDriverOutput::Drain() {
  // The driver has no way to say when its buffer has played: its length is waited for.
  std::this_thread::sleep_for(
      std::chrono::nanoseconds(std::min<int64_t>(bufferNs_ + 30 * kMs, 500 * kMs)));
}

void FluidDriverOutput::Watch() {
  const int64_t stall = std::max(kStallNs, 4 * bufferNs_);
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    changed_.wait_for(lock, lost_ ? kRetryEvery : kWatchEvery);
    if (stopping_) break;
    if (!lost_ && NowNs() - lastCallNs_.load() > stall) {
      lost_.store(true);
      renderer_.OutputStopped();
      renderer_.OutputStateChanged();
      delete_fluid_audio_driver(driver_);
      driver_ = nullptr;
    } else if (lost_ && Start()) {
      lost_.store(false);
      renderer_.OutputStateChanged();
    }
  }
}

int FluidDriverOutput::Callback(void* data, int length, int, float*[], int outCount, float* out[]) {
  auto* self = static_cast<FluidDriverOutput*>(data);
  self->lastCallNs_.store(NowNs(), std::memory_order_relaxed);
  if (outCount < 2) return FLUID_OK;  // FluidSynth's drivers are stereo
  float* left = out[0];
  float* right = out[1];
  if (self->resting_) {
    if (!self->wake_.exchange(false)) {
      std::memset(left, 0, sizeof(float) * length);
      std::memset(right, 0, sizeof(float) * length);
      return FLUID_OK;
    }
    self->resting_ = false;
  }
  // A Wake that comes after ConfirmRest finds wake_ set at the next call.
  if (!self->renderer_.Render(left, right, 1, length) && self->renderer_.ConfirmRest()) {
    self->resting_ = true;
  }
  return FLUID_OK;
}

}  // namespace velmira
