#include "qt/fluid_synth_device.h"

#include <fluidsynth.h>
#include <pulse/pulseaudio.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "qt/latency_probe.h"

namespace velmira {

namespace {

// FluidSynth's own audio drivers, in the order they are tried.
const char* const kDrivers[] = {"pipewire", "pulseaudio", "alsa", "jack"};

bool HasDriver(fluid_settings_t* settings, const std::string& name) {
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

int AudioServerSampleRate() {
  pa_mainloop* loop = pa_mainloop_new();
  if (loop == nullptr) return 0;
  pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "velmira");
  int rate = 0;
  if (context != nullptr &&
      pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
    bool asked = false, done = false;
    for (int i = 0; i < 200 && !done; ++i) {
      if (pa_mainloop_iterate(loop, 1, nullptr) < 0) break;
      const pa_context_state_t state = pa_context_get_state(context);
      if (!PA_CONTEXT_IS_GOOD(state)) break;
      if (state == PA_CONTEXT_READY && !asked) {
        asked = true;
        struct Answer {
          int* rate;
          bool* done;
        };
        static Answer answer;
        answer = Answer{&rate, &done};
        pa_operation* op = pa_context_get_server_info(
            context,
            [](pa_context*, const pa_server_info* info, void* data) {
              auto* a = static_cast<Answer*>(data);
              if (info != nullptr) *a->rate = static_cast<int>(info->sample_spec.rate);
              *a->done = true;
            },
            &answer);
        if (op != nullptr) pa_operation_unref(op);
      }
    }
    pa_context_disconnect(context);
  }
  if (context != nullptr) pa_context_unref(context);
  pa_mainloop_free(loop);
  return rate;
}

bool FluidSynthDevice::SetSoundFont(const std::string& path) {
  if (synth_ == nullptr) {
    soundFont_ = path;
    return true;
  }
  const int id = fluid_synth_sfload(synth_, path.c_str(), 1);
  if (id == FLUID_FAILED) {
    error_ = "cannot load " + path;
    return false;
  }
  if (soundFontId_ >= 0) fluid_synth_sfunload(synth_, soundFontId_, 1);
  soundFontId_ = id;
  soundFont_ = path;
  return true;
}

bool FluidSynthDevice::Open() {
  if (driver_ != nullptr) return true;
  error_.clear();
  settings_ = new_fluid_settings();
  if (settings_ == nullptr) {
    error_ = "FluidSynth cannot start";
    return false;
  }
  fluid_settings_setint(settings_, "synth.midi-channels", 16);
  fluid_settings_setint(settings_, "synth.cpu-cores", 1);
  fluid_settings_setstr(settings_, "audio.pulseaudio.media-role", "music");
  int rate = options_.sampleRate > 0 ? options_.sampleRate : AudioServerSampleRate();
  if (rate > 0) fluid_settings_setnum(settings_, "synth.sample-rate", rate);
  if (!options_.fluidDefaults) {
    // A key must sound within a few milliseconds: two periods of 64 frames (1.3 ms each at
    // 48 kHz) keep FluidSynth's own buffer to about 3 ms; the server asked for as little as
    // that too (adjust-latency). Slower machines that crackle can ask for more with
    // --period-size and --periods.
    if (options_.periodSize > 0)
      fluid_settings_setint(settings_, "audio.period-size", options_.periodSize);
    if (options_.periods > 0) fluid_settings_setint(settings_, "audio.periods", options_.periods);
    fluid_settings_setint(settings_, "audio.pulseaudio.adjust-latency", 1);
  }
  synth_ = new_fluid_synth(settings_);
  if (synth_ == nullptr) {
    Close();
    error_ = "FluidSynth cannot start";
    return false;
  }
  soundFontId_ =
      soundFont_.empty() ? FLUID_FAILED : fluid_synth_sfload(synth_, soundFont_.c_str(), 1);
  if (soundFontId_ == FLUID_FAILED) {
    const std::string font = soundFont_;
    Close();
    error_ = font.empty() ? "no SoundFont" : "cannot load the SoundFont " + font;
    return false;
  }
  for (const char* name : kDrivers) {
    if (!options_.driver.empty() && options_.driver != name) continue;
    if (!HasDriver(settings_, name)) continue;
    fluid_settings_setstr(settings_, "audio.driver", name);
    driver_ = new_fluid_audio_driver2(settings_, &FluidSynthDevice::Render, this);
    if (driver_ != nullptr) {
      driverName_ = name;
      return true;
    }
  }
  Close();
  error_ = options_.driver.empty() ? "no audio output (PulseAudio, ALSA or JACK) could be opened"
                                   : "the audio driver " + options_.driver + " cannot be opened";
  return false;
}

int FluidSynthDevice::Render(void* data, int length, int effectCount, float* effects[],
                             int outCount, float* out[]) {
  auto* device = static_cast<FluidSynthDevice*>(data);
  LatencyProbe& probe = LatencyProbe::Instance();
  const int64_t start = probe.enabled() ? LatencyProbe::NowNs() : 0;
  // Drivers without effect buffers of their own get the reverb and chorus mixed into the dry
  // output.
  float* mixed[4] = {out[0], out[outCount > 1 ? 1 : 0], out[0], out[outCount > 1 ? 1 : 0]};
  const int result =
      effectCount == 0
          ? fluid_synth_process(device->synth_, length, 4, mixed, outCount, out)
          : fluid_synth_process(device->synth_, length, effectCount, effects, outCount, out);
  if (probe.enabled()) {
    probe.AudioThreadTick();
    bool sounding = false;
    for (int c = 0; c < outCount && !sounding; ++c) {
      for (int i = 0; i < length; ++i) {
        if (std::fabs(out[c][i]) > 1e-4f) {
          sounding = true;
          break;
        }
      }
    }
    probe.Rendered(sounding, start);
  }
  return result;
}

void FluidSynthDevice::Send(uint32_t message) {
  if (synth_ == nullptr) return;
  const int channel = static_cast<int>(message & 0x0F);
  const int data1 = static_cast<int>((message >> 8) & 0x7F);
  const int data2 = static_cast<int>((message >> 16) & 0x7F);
  switch (message & 0xF0) {
    case 0x90:
      if (data2 == 0) {
        fluid_synth_noteoff(synth_, channel, data1);
      } else {
        LatencyProbe::Instance().NoteOnSent();
        fluid_synth_noteon(synth_, channel, data1, data2);
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
  if (driver_ != nullptr) {
    // The notes have been told to stop; let their release die away before the audio stops,
    // so that no click is heard.
    for (int i = 0; i < 40 && fluid_synth_get_active_voice_count(synth_) > 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    delete_fluid_audio_driver(driver_);
    driver_ = nullptr;
  }
  if (synth_ != nullptr) delete_fluid_synth(synth_);
  synth_ = nullptr;
  soundFontId_ = -1;
  if (settings_ != nullptr) delete_fluid_settings(settings_);
  settings_ = nullptr;
}

}  // namespace velmira
