#include "qt/alsa_sequencer.h"

#include <alsa/asoundlib.h>
#include <unistd.h>

namespace velmira {

AlsaSequencer::AlsaSequencer() {
  if (::access("/dev/snd/seq", R_OK | W_OK) != 0) return;
  if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) {
    seq_ = nullptr;
    return;
  }
  snd_seq_set_client_name(seq_, "Velmira");
  ownPort_ =
      snd_seq_create_simple_port(seq_, "Velmira", SND_SEQ_PORT_CAP_READ,
                                 SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  snd_midi_event_new(16, &encoder_);
  const int self = snd_seq_client_id(seq_);
  snd_seq_client_info_t* client;
  snd_seq_port_info_t* port;
  snd_seq_client_info_alloca(&client);
  snd_seq_port_info_alloca(&port);
  snd_seq_client_info_set_client(client, -1);
  while (snd_seq_query_next_client(seq_, client) >= 0) {
    const int id = snd_seq_client_info_get_client(client);
    if (id == self || id == SND_SEQ_CLIENT_SYSTEM) continue;
    snd_seq_port_info_set_client(port, id);
    snd_seq_port_info_set_port(port, -1);
    while (snd_seq_query_next_port(seq_, port) >= 0) {
      const unsigned wanted = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
      if ((snd_seq_port_info_get_capability(port) & wanted) != wanted) continue;
      ports_.push_back(Port{id, snd_seq_port_info_get_port(port),
                            std::to_string(id) + ":" +
                                std::to_string(snd_seq_port_info_get_port(port)) + " " +
                                snd_seq_port_info_get_name(port)});
    }
  }
}

AlsaSequencer::~AlsaSequencer() {
  Disconnect();
  if (encoder_ != nullptr) snd_midi_event_free(encoder_);
  if (seq_ != nullptr) snd_seq_close(seq_);
}

bool AlsaSequencer::Connect(size_t port) {
  if (seq_ == nullptr || port >= ports_.size()) return false;
  Disconnect();
  if (snd_seq_connect_to(seq_, ownPort_, ports_[port].client, ports_[port].port) < 0) return false;
  connected_ = static_cast<int>(port);
  return true;
}

void AlsaSequencer::Send(uint32_t message) {
  if (connected_ < 0) return;
  const unsigned char bytes[3] = {static_cast<unsigned char>(message & 0xFF),
                                  static_cast<unsigned char>((message >> 8) & 0x7F),
                                  static_cast<unsigned char>((message >> 16) & 0x7F)};
  const long length = (bytes[0] & 0xF0) == 0xC0 || (bytes[0] & 0xF0) == 0xD0 ? 2 : 3;
  snd_seq_event_t event;
  snd_seq_ev_clear(&event);
  snd_midi_event_reset_encode(encoder_);
  if (snd_midi_event_encode(encoder_, bytes, length, &event) <= 0 ||
      event.type == SND_SEQ_EVENT_NONE) {
    return;
  }
  snd_seq_ev_set_source(&event, ownPort_);
  snd_seq_ev_set_subs(&event);
  snd_seq_ev_set_direct(&event);
  snd_seq_event_output_direct(seq_, &event);
}

void AlsaSequencer::Disconnect() {
  if (connected_ < 0) return;
  snd_seq_disconnect_to(seq_, ownPort_, ports_[connected_].client, ports_[connected_].port);
  connected_ = -1;
}

}  // namespace velmira
