#include "qt/pulse_output.h"

#include <pthread.h>
#include <pulse/pulseaudio.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace velmira {

namespace {

constexpr size_t kFrameBytes = 2 * sizeof(float);
constexpr pa_usec_t kRetryUs = 1000000;
constexpr auto kConnectTimeout = std::chrono::seconds(3);
constexpr auto kDrainTimeout = std::chrono::milliseconds(500);
constexpr int kRealtimePriority = 60;  // that of FluidSynth's own audio threads
// The output latency a resting stream asks the server for: its output then works in blocks of
// 5 ms instead of half a millisecond (about 1 % of a core for a null sink here, 5 % when the
// stream keeps the short latency while corked), and a note-on waits at most that long for the
// short latency to hold again. Servers that suspend idle outputs suspend this one as well.
constexpr int kRestSinkMs = 5;

pa_proplist* StreamProperties() {
  pa_proplist* properties = pa_proplist_new();
  pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Velmira");
  pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "velmira");
  pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "music");
  return properties;
}

void Forget(pa_operation* operation) {
  if (operation != nullptr) pa_operation_unref(operation);
}

// Runs f with the main loop's lock held.
template <typename F>
auto Locked(pa_threaded_mainloop* loop, F f) {
  pa_threaded_mainloop_lock(loop);
  struct Unlock {
    pa_threaded_mainloop* loop;
    ~Unlock() { pa_threaded_mainloop_unlock(loop); }
  } unlock{loop};
  return f();
}

}  // namespace

PulseOutput::PulseOutput(const PulseFormat& format, AudioRenderer& renderer)
    : format_(format), renderer_(renderer) {
  loop_ = pa_threaded_mainloop_new();
  if (loop_ == nullptr) return;
  pa_threaded_mainloop_set_name(loop_, "velmira-audio");
  api_ = pa_threaded_mainloop_get_api(loop_);
  tidy_ = api_->defer_new(
      api_,
      [](pa_mainloop_api*, pa_defer_event*, void* data) {
        static_cast<PulseOutput*>(data)->Tidy();
      },
      this);
  api_->defer_enable(tidy_, 0);
}

std::unique_ptr<PulseOutput> PulseOutput::Open(const PulseFormat& format, AudioRenderer& renderer,
                                               std::string* error) {
  std::unique_ptr<PulseOutput> output(new PulseOutput(format, renderer));
  if (output->loop_ == nullptr || pa_threaded_mainloop_start(output->loop_) < 0) {
    *error = "libpulse cannot start its main loop";
    return nullptr;
  }
  pa_threaded_mainloop* loop = output->loop_;
  if (!Locked(loop, [&] { return output->Connect(); })) {
    *error = Locked(loop, [&] { return output->ContextError(); });
    return nullptr;
  }
  // Connecting and making the stream take a few round trips; a server that does not answer is
  // given up.
  const auto deadline = std::chrono::steady_clock::now() + kConnectTimeout;
  for (;;) {
    std::string failed;
    const bool ready = Locked(loop, [&] {
      const pa_context_state_t state = pa_context_get_state(output->context_);
      if (!PA_CONTEXT_IS_GOOD(state)) failed = output->ContextError();
      if (state != PA_CONTEXT_READY) return false;
      if (output->stream_ == nullptr) output->StartStream(true);
      // A stream that fails is made again at the first note-on.
      return output->stream_ == nullptr ||
             pa_stream_get_state(output->stream_) != PA_STREAM_CREATING;
    });
    if (ready) return output;
    if (failed.empty() && std::chrono::steady_clock::now() > deadline) {
      failed = "the server does not answer";
    }
    if (!failed.empty()) {
      *error = failed;
      return nullptr;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

PulseOutput::~PulseOutput() {
  if (loop_ == nullptr) return;
  Locked(loop_, [this] {
    DropStream();
    DropContext();
    if (retry_ != nullptr) api_->time_free(retry_);
    retry_ = nullptr;
    api_->defer_free(tidy_);
  });
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
}

bool PulseOutput::Connect() {
  pa_proplist* properties = StreamProperties();
  context_ = pa_context_new_with_proplist(api_, "Velmira", properties);
  pa_proplist_free(properties);
  if (context_ == nullptr) return false;
  pa_context_set_state_callback(context_, &PulseOutput::ContextState, this);
  return pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
}

std::string PulseOutput::ContextError() const {
  return context_ == nullptr ? "libpulse cannot make a connection"
                             : pa_strerror(pa_context_errno(context_));
}

// A stream is always made corked and woken the one way (Cork), also when a note-on finds none
// (the server came back, or the stream failed): a stream started playing at once stalled for a
// second or more after its first request on a null sink, and the note was lost.
void PulseOutput::Wake() {
  Locked(loop_, [this] {
    if (stream_ == nullptr && context_ != nullptr &&
        pa_context_get_state(context_) == PA_CONTEXT_READY) {
      StartStream(true);
    }
    if (stream_ == nullptr) {
      renderer_.OutputStopped();  // the server is away: the next note-on tries again
    } else if (pa_stream_get_state(stream_) == PA_STREAM_READY) {
      Cork(false);
    } else {
      wakeWhenReady_ = true;
    }
  });
}

namespace {
pa_buffer_attr BufferAttributes(int frames, int requestFrames) {
  pa_buffer_attr attributes;
  attributes.maxlength = static_cast<uint32_t>(-1);
  attributes.tlength = static_cast<uint32_t>(frames * kFrameBytes);
  attributes.prebuf = static_cast<uint32_t>(-1);
  attributes.minreq = static_cast<uint32_t>(requestFrames * kFrameBytes);
  attributes.fragsize = static_cast<uint32_t>(-1);
  return attributes;
}
}  // namespace

int PulseOutput::PlayingFrames() const { return format_.periods * format_.periodFrames / 2; }

pa_buffer_attr PulseOutput::Attributes(bool resting) const {
  if (resting) {
    // With adjust-latency the server gives its output half of what tlength leaves beyond two
    // requests.
    const int request = format_.rate * kRestSinkMs / 1000;
    return BufferAttributes(4 * request, request);
  }
  // Half periods: the server asks for half a period at a time and keeps periods of them, the
  // whole way to its output included (adjust-latency). With two periods of 64 frames that is
  // what FluidSynth's own PulseAudio driver kept (about 1.3 ms in the stream, measured), asked
  // for half as often; FluidSynth still renders in blocks of 64 frames.
  return BufferAttributes(PlayingFrames(), format_.periodFrames / 2);
}

void PulseOutput::StartStream(bool corked) {
  const pa_sample_spec sampleFormat{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(format_.rate), 2};
  pa_proplist* properties = StreamProperties();
  stream_ = pa_stream_new_with_proplist(context_, "Velmira", &sampleFormat, nullptr, properties);
  pa_proplist_free(properties);
  if (stream_ == nullptr) {
    renderer_.OutputStopped();
    return;
  }
  pa_stream_set_state_callback(stream_, &PulseOutput::StreamState, this);
  pa_stream_set_write_callback(stream_, &PulseOutput::Write, this);
  const pa_buffer_attr attributes = Attributes(corked);
  int flags = format_.adjustLatency ? PA_STREAM_ADJUST_LATENCY : PA_STREAM_NOFLAGS;
  if (corked) flags |= PA_STREAM_START_CORKED;
  corked_ = corked;
  draining_ = false;
  restWanted_ = false;
  wakeWhenReady_ = false;
  if (pa_stream_connect_playback(stream_, nullptr, &attributes,
                                 static_cast<pa_stream_flags_t>(flags), nullptr, nullptr) < 0) {
    DropStream();
    renderer_.OutputStopped();
  }
}

// Resting: corked first, then the longer latency. Waking: the short latency first (else the
// server asks to fill the longer one again), the silence held dropped, the first sound written
// (Prime, on the main loop's thread) and only then uncorked, so that the server has it at hand
// the moment it plays. The server carries the operations out in this order.
void PulseOutput::Cork(bool corked) {
  if (corked == corked_) return;
  corked_ = corked;
  const pa_buffer_attr attributes = Attributes(corked);
  if (corked) {
    Forget(pa_stream_cork(stream_, 1, nullptr, nullptr));
    Forget(pa_stream_set_buffer_attr(stream_, &attributes, nullptr, nullptr));
  } else {
    Forget(pa_stream_set_buffer_attr(stream_, &attributes, nullptr, nullptr));
    Forget(pa_stream_flush(stream_, nullptr, nullptr));
    priming_ = true;
    api_->defer_enable(tidy_, 1);
  }
}

// The server starts a woken stream at its output's next block and does not play the first half
// millisecond or so written (seen on a null sink): a millisecond of silence goes first, so that
// the note's attack is heard whole.
void PulseOutput::Prime() {
  priming_ = false;
  const size_t lead = static_cast<size_t>(format_.rate / 1000) * kFrameBytes;
  void* buffer = nullptr;
  size_t size = lead;
  if (pa_stream_begin_write(stream_, &buffer, &size) == 0 && buffer != nullptr && size >= lead) {
    std::memset(buffer, 0, lead);
    pa_stream_write(stream_, buffer, lead, nullptr, 0, PA_SEEK_RELATIVE);
  } else if (buffer != nullptr) {
    pa_stream_cancel_write(stream_);
  }
  Fill(stream_, static_cast<size_t>(PlayingFrames()) * kFrameBytes);
  Forget(pa_stream_cork(stream_, 0, nullptr, nullptr));
}

void PulseOutput::DropStream() {
  if (stream_ == nullptr) return;
  pa_stream_set_state_callback(stream_, nullptr, nullptr);
  pa_stream_set_write_callback(stream_, nullptr, nullptr);
  pa_stream_disconnect(stream_);
  pa_stream_unref(stream_);
  stream_ = nullptr;
}

void PulseOutput::DropContext() {
  if (context_ == nullptr) return;
  pa_context_set_state_callback(context_, nullptr, nullptr);
  pa_context_disconnect(context_);
  pa_context_unref(context_);
  context_ = nullptr;
}

void PulseOutput::ScheduleRetry() {
  if (retry_ != nullptr) return;
  timeval when{};
  pa_timeval_add(pa_gettimeofday(&when), kRetryUs);
  retry_ = api_->time_new(
      api_, &when,
      [](pa_mainloop_api* api, pa_time_event* event, const timeval*, void* data) {
        auto* self = static_cast<PulseOutput*>(data);
        api->time_free(event);
        self->retry_ = nullptr;
        if (!self->Connect()) {
          self->DropContext();
          self->ScheduleRetry();
        }
      },
      this);
}

// Outside libpulse's callbacks, which must not free what calls them.
void PulseOutput::Tidy() {
  api_->defer_enable(tidy_, 0);
  if (priming_ && stream_ != nullptr) Prime();
  // A connection that never was ready is Open's to report.
  if (ready_ && context_ != nullptr && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
    DropStream();
    DropContext();
    renderer_.OutputStopped();
    if (!lost_.exchange(true)) renderer_.OutputStateChanged();
    ScheduleRetry();
    return;
  }
  if (stream_ != nullptr && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) {
    DropStream();
    renderer_.OutputStopped();
  }
  // The server is back: a resting stream is made at once, as at the start, so that the next
  // note-on only wakes it.
  if (remakeStream_) {
    remakeStream_ = false;
    if (stream_ == nullptr && context_ != nullptr &&
        pa_context_get_state(context_) == PA_CONTEXT_READY) {
      StartStream(true);
    }
  }
  if (wakeWhenReady_ && stream_ != nullptr && pa_stream_get_state(stream_) == PA_STREAM_READY) {
    wakeWhenReady_ = false;
    Cork(false);
  }
  if (restWanted_) {
    restWanted_ = false;
    if (stream_ != nullptr && !corked_ && !draining_ && renderer_.ConfirmRest()) Cork(true);
  }
}

void PulseOutput::Drain() {
  pa_operation* drain = Locked(loop_, [this]() -> pa_operation* {
    if (stream_ == nullptr || pa_stream_get_state(stream_) != PA_STREAM_READY) return nullptr;
    draining_ = true;  // nothing more is written, so that the buffer runs empty
    return pa_stream_drain(stream_, nullptr, nullptr);
  });
  if (drain == nullptr) return;
  const auto deadline = std::chrono::steady_clock::now() + kDrainTimeout;
  while (Locked(loop_, [drain] { return pa_operation_get_state(drain); }) == PA_OPERATION_RUNNING &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  Locked(loop_, [drain] {
    if (pa_operation_get_state(drain) == PA_OPERATION_RUNNING) pa_operation_cancel(drain);
    pa_operation_unref(drain);
  });
}

void PulseOutput::ContextState(pa_context* context, void* data) {
  auto* self = static_cast<PulseOutput*>(data);
  if (context != self->context_) return;
  const pa_context_state_t state = pa_context_get_state(context);
  if (state == PA_CONTEXT_READY) {
    if (self->ready_) {  // back after a loss: the stream is made again outside the callback
      self->remakeStream_ = true;
      self->api_->defer_enable(self->tidy_, 1);
    }
    self->ready_ = true;
    if (self->lost_.exchange(false)) self->renderer_.OutputStateChanged();
  } else if (!PA_CONTEXT_IS_GOOD(state)) {
    self->api_->defer_enable(self->tidy_, 1);
  }
}

void PulseOutput::StreamState(pa_stream* stream, void* data) {
  auto* self = static_cast<PulseOutput*>(data);
  const pa_stream_state_t state = pa_stream_get_state(stream);
  if (stream == self->stream_ &&
      (!PA_STREAM_IS_GOOD(state) || (state == PA_STREAM_READY && self->wakeWhenReady_))) {
    self->api_->defer_enable(self->tidy_, 1);
  }
}

void PulseOutput::Write(pa_stream* stream, size_t bytes, void* data) {
  auto* self = static_cast<PulseOutput*>(data);
  if (stream != self->stream_ || self->draining_) return;
  if (self->priming_) self->Prime();
  self->Fill(stream, bytes);
}

void PulseOutput::Fill(pa_stream* stream, size_t bytes) {
  if (!priorityRaised_) {
    // As FluidSynth does for its own audio threads, where the system allows it.
    priorityRaised_ = true;
    sched_param priority{};
    priority.sched_priority = kRealtimePriority;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
  }
  bool goOn = true;
  while (bytes >= kFrameBytes) {
    void* buffer = nullptr;
    size_t size = bytes;
    if (pa_stream_begin_write(stream, &buffer, &size) < 0 || buffer == nullptr) break;
    size = std::min(size, bytes);
    size -= size % kFrameBytes;
    if (size == 0) {
      pa_stream_cancel_write(stream);
      break;
    }
    auto* frames = static_cast<float*>(buffer);
    if (corked_) {
      std::memset(buffer, 0, size);  // what the server asks for while resting
    } else {
      goOn = renderer_.Render(frames, frames + 1, 2, static_cast<int>(size / kFrameBytes)) && goOn;
    }
    pa_stream_write(stream, buffer, size, nullptr, 0, PA_SEEK_RELATIVE);
    bytes -= size;
  }
  if (!goOn) {
    restWanted_ = true;
    api_->defer_enable(tidy_, 1);
  }
}

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

}  // namespace velmira
