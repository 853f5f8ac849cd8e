// The ALSA sequencer's writable ports, for players who own a synthesizer (hardware or a
// program): listed where /dev/snd/seq exists; one port connected at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef struct _snd_seq snd_seq_t;
typedef struct snd_midi_event snd_midi_event_t;

namespace velmira {

class AlsaSequencer {
 public:
  AlsaSequencer();
  ~AlsaSequencer();
  AlsaSequencer(const AlsaSequencer&) = delete;
  AlsaSequencer& operator=(const AlsaSequencer&) = delete;

  size_t count() const { return ports_.size(); }
  const std::string& name(size_t port) const { return ports_[port].name; }
  bool Connect(size_t port);
  void Send(uint32_t message);
  void Disconnect();

 private:
  struct Port {
    int client;
    int port;
    std::string name;
  };
  snd_seq_t* seq_ = nullptr;
  snd_midi_event_t* encoder_ = nullptr;
  int ownPort_ = -1;
  int connected_ = -1;
  std::vector<Port> ports_;
};

}  // namespace velmira
