#include "qt/fluid_synth_device.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "qt/fluid_driver_output.h"
#include "qt/latency_probe.h"
#include "qt/pulse_output.h"
#include "qt/soundfont_file.h"

namespace velmira {

namespace {

// The outputs in the order they are tried: the program's own PulseAudio stream (PulseAudio or
// PipeWire's PulseAudio service), then FluidSynth's drivers.
const char* const kOutputs[] = {"pulseaudio", "pipewire", "alsa", "jack"};

bool HasFluidDriver(fluid_settings_t* settings, const std::string& name) {
  struct Search {
    const std::string* name;
    bool found;
  } search{&name, false};
  fluid_settings_foreach_option(settings, "audio.driver", &search,
                                [](void* data, const char*, const char* option) {
                                  auto* s = static_cast<Search*>(data);
                                  if (*s->name == option) s->found = true;
                                });
  return search.found;
}

}  // namespace

FluidSynthDevice::FluidSynthDevice(AudioOptions options) : options_(std::move(options)) {}

FluidSynthDevice::~FluidSynthDevice() {
  Close();
  if (synth_ != nullptr) delete_fluid_synth(synth_);
  if (settings_ != nullptr) delete_fluid_settings(settings_);
}

bool FluidSynthDevice::MakeSynth() {
  if (synth_ != nullptr) return true;
  if (settings_ == nullptr) settings_ = new_fluid_settings();
  if (settings_ == nullptr) {
    error_ = "FluidSynth 不能启动";
    return false;
  }
  fluid_settings_setint(settings_, "synth.midi-channels", 16);
  fluid_settings_setint(settings_, "synth.cpu-cores", 1);
  const int rate = options_.sampleRate > 0 ? options_.sampleRate : AudioServerSampleRate();
  if (rate > 0) fluid_settings_setnum(settings_, "synth.sample-rate", rate);
  if (!options_.fluidDefaults) {
    // A key must sound within a few milliseconds: two periods of 64 frames (1.3 ms each at
    // 48 kHz) keep FluidSynth's drivers' buffers to about 3 ms, and the PulseAudio stream with
    // the server's output to about 1.5 ms (qt/pulse_output.cpp). Slower machines that crackle
    // can ask for more with --period-size and --periods.
    fluid_settings_setint(settings_, "audio.period-size", options_.periodSize);
    fluid_settings_setint(settings_, "audio.periods", options_.periods);
  }
  synth_ = new_fluid_synth(settings_);
  if (synth_ == nullptr) {
    error_ = "FluidSynth 不能启动";
    return false;
  }
  double synthRate = 44100;
  fluid_settings_getnum(settings_, "synth.sample-rate", &synthRate);
  sampleRate_ = static_cast<int>(synthRate);
  return true;
}

bool FluidSynthDevice::SetSoundFont(const std::string& path) {
  std::string problem = SoundFontFileProblem(path);
  if (problem.empty() && !MakeSynth()) problem = error_;
  int id = FLUID_FAILED;
  if (problem.empty()) {
    // FluidSynth's API takes its own lock: the font may load while the output plays.
    id = fluid_synth_sfload(synth_, path.c_str(), 1);
    if (id == FLUID_FAILED) {
      const std::string why = LastFluidError();
      problem = "FluidSynth 不能载入" + (why.empty() ? std::string() : " (" + why + ")");
    }
  }
  if (!problem.empty()) {
    error_ = fontError_ = "音色库 " + path + ": " + problem;
    return false;
  }
  if (soundFontId_ >= 0) fluid_synth_sfunload(synth_, soundFontId_, 1);
  soundFontId_ = id;
  soundFont_ = path;
  fontError_.clear();
  return true;
}

bool FluidSynthDevice::Open() {
  if (output_ != nullptr) return true;
  error_.clear();
  if (!MakeSynth()) return false;
  if (soundFontId_ < 0) {
    error_ = fontError_.empty() ? "没有音色库 (SoundFont)" : fontError_;
    return false;
  }
  gate_.Reset(sampleRate_);
  resting_.store(true);  // the output starts silent: the first note-on wakes it
  std::string failures;
  for (const char* name : kOutputs) {
    if (!options_.driver.empty() && options_.driver != name) continue;
    std::string why;
    if (OpenOutput(name, &why)) {
      driverName_ = name;
      return true;
    }
    if (!why.empty()) failures += std::string("\n") + name + ": " + why;
  }
  error_ = "合成器的音频输出打不开" + (failures.empty() ? std::string() : ":" + failures);
  return false;
}

bool FluidSynthDevice::OpenOutput(const std::string& name, std::string* why) {
  if (name == "pulseaudio") {
    PulseFormat format;
    format.rate = sampleRate_;
    format.periodFrames = options_.periodSize;
    format.periods = options_.periods;
    format.adjustLatency = !options_.fluidDefaults;
    if (options_.fluidDefaults) {
      fluid_settings_getint_default(settings_, "audio.period-size", &format.periodFrames);
      fluid_settings_getint_default(settings_, "audio.periods", &format.periods);
    }
    output_ = PulseOutput::Open(format, *this, why);
  } else if (HasFluidDriver(settings_, name)) {
    output_ = FluidDriverOutput::Open(settings_, name, *this, why);
  } else if (options_.driver == name) {
    *why = "FluidSynth 没有这个驱动";
  }
  return output_ != nullptr;
}

bool FluidSynthDevice::Render(float* left, float* right, int stride, int frames) {
  LatencyProbe& probe = LatencyProbe::Instance();
  const int64_t start = probe.enabled() ? LatencyProbe::NowNs() : 0;
  const uint32_t noteOns = noteOns_.load();
  if (noteOns != noteOnsSeen_) {
    noteOnsSeen_ = noteOns;
    gate_.RestartSilence();
  }
  fluid_synth_write_float(synth_, frames, left, 0, stride, right, 0, stride);
  const float peak = gate_.Pass(left, right, stride, frames);
  if (probe.enabled()) {
    probe.AudioThreadTick();
    probe.Rendered(peak > 1e-4f, start);
  }
  // Silent long enough, and no voice waiting to sound (one in its envelope's delay): the voices
  // are counted only then, as FluidSynth takes its lock for that.
  return !options_.rest || !gate_.silentLongEnough() ||
         fluid_synth_get_active_voice_count(synth_) > 0;
}

bool FluidSynthDevice::ConfirmRest() {
  // With Send: of "a note-on counted, resting_ read" and "resting_ set, the count read" at
  // least one sees the other's write, so a note-on either stops the rest or wakes the output.
  resting_.store(true);
  if (noteOns_.load() == noteOnsSeen_) return true;
  resting_.store(false);
  return false;
}

void FluidSynthDevice::Send(uint32_t message) {
  if (output_ == nullptr) return;
  const int channel = static_cast<int>(message & 0x0F);
  const int data1 = static_cast<int>((message >> 8) & 0x7F);
  const int data2 = static_cast<int>((message >> 16) & 0x7F);
  switch (message & 0xF0) {
    case 0x90:
      if (data2 == 0) {
        fluid_synth_noteoff(synth_, channel, data1);
      } else if (!output_->lost()) {  // not to sound long after, when the server is back
        LatencyProbe::Instance().NoteOnSent();
        fluid_synth_noteon(synth_, channel, data1, data2);
        noteOns_.fetch_add(1);
        if (resting_.exchange(false)) output_->Wake();
      }
      break;
    case 0x80: fluid_synth_noteoff(synth_, channel, data1); break;
    case 0xB0: fluid_synth_cc(synth_, channel, data1, data2); break;
    case 0xC0: fluid_synth_program_change(synth_, channel, data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth_, channel, data1 | (data2 << 7)); break;
    default: break;
  }
}

void FluidSynthDevice::Close() {
  if (output_ == nullptr) return;
  // The notes have been told to stop; their release and the reverb fade out rather than being
  // cut, and the output plays what it holds before it stops.
  const bool sounding = !resting_.load() && !output_->lost();
  if (sounding) {
    gate_.StartFade();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(OutputGate::kFadeMs + 300);
    while (!gate_.faded() && !resting_.load() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    output_->Drain();
  }
  output_.reset();
  if (sounding) SilenceSynth();
}

// After the output has stopped: what still sounds in the synthesizer (release tails, the
// reverb's and chorus's memory) is ended here, so that it does not come back at the next start.
void FluidSynthDevice::SilenceSynth() {
  fluid_synth_all_sounds_off(synth_, -1);
  constexpr int kBlock = 1024;
  float left[kBlock], right[kBlock];
  int quietBlocks = 0;
  for (int rendered = 0; rendered < 5 * sampleRate_ && quietBlocks < 4; rendered += kBlock) {
    fluid_synth_write_float(synth_, kBlock, left, 0, 1, right, 0, 1);
    float peak = 0.0f;
    for (int i = 0; i < kBlock; ++i)
      peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    quietBlocks = peak < OutputGate::kSilence ? quietBlocks + 1 : 0;
  }
}

}  // namespace velmira
