// The application's sound layer: c_Sound, a collectable wrapper around a
// loaded sample, and the bb_audio_* functions, which map data paths and
// forward to the one audio device, bb_audio_device. Relies on the device
// (audio.h), the runtime and the host's bb_data_FixDataPath.
#pragma once

#include "audio/audio.h"
#include "runtime/object.h"

class c_Sound : public Object {
public:
    gxtkSample* m_Sample = nullptr;

    c_Sound* m_new(gxtkSample* sample);
    c_Sound* m_new2();
    void mark() override;
};

// The device the functions below forward to; set by the delegate at start-up.
extern gxtkAudio* bb_audio_device;

int bb_audio_SetAudioDevice(gxtkAudio* device);
// Null when the file cannot be loaded.
c_Sound* bb_audio_LoadSound(String path);
// Plays the sound on the channel (0..32); flags nonzero loop it. A null sound
// or one without a sample plays nothing.
int bb_audio_PlaySound(c_Sound* sound, int channel, int flags);
int bb_audio_StopChannel(int channel);
int bb_audio_SetChannelVolume(int channel, float volume);
int bb_audio_SetChannelPan(int channel, float pan);
int bb_audio_SetChannelRate(int channel, float rate);
// 0, or -1 when the file cannot be loaded (the previous music stops anyway).
int bb_audio_PlayMusic(String path, int flags);
// Maps the path and decodes the music ahead of its first play (see
// gxtkAudio::PrepareMusic); false when it cannot be loaded or no device is set.
bool bb_audio_PrepareMusic(String path);
int bb_audio_StopMusic();
int bb_audio_PauseMusic();
int bb_audio_ResumeMusic();
