#pragma once

#include <filesystem>

namespace vigilix::platform {

class AudioDevices {
 public:
  virtual ~AudioDevices() = default;
  // Some device with input streams is running, for any process.
  virtual bool isInputRunning() = 0;
  // The default output device is running, for any process.
  virtual bool isDefaultOutputRunning() = 0;
};

// Reads the sound cards' substreams, <root>/proc/asound/card<N>/pcm<M><c|p>/
// sub<K>/status, whose first line is "state: RUNNING" while a stream runs.
// Capture ("c") streams are input; any running playback ("p") stream counts
// as the output playing, as the sound server mixes onto the default device.
// No sound cards, or none readable: nothing runs.
class LiveAudioDevices final : public AudioDevices {
 public:
  // The machine under the file-system root (FileSystem::root()).
  LiveAudioDevices();
  explicit LiveAudioDevices(std::filesystem::path root);
  bool isInputRunning() override;
  bool isDefaultOutputRunning() override;

 private:
  bool anySubstreamRunning(char direction) const;

  std::filesystem::path root_;
};

}  // namespace vigilix::platform
