// The sound layer (see sound.h). Every function quietly does nothing (or
// reports failure) while no device has been set, so that code running before
// start-up finished cannot crash on it.
#include "audio/sound.h"

#include "host/glfwgame.h"

gxtkAudio* bb_audio_device = nullptr;

c_Sound* c_Sound::m_new(gxtkSample* sample) {
    gc_assign(m_Sample, sample);
    return this;
}

c_Sound* c_Sound::m_new2() {
    return this;
}

void c_Sound::mark() {
    gc_mark_q(m_Sample);
}

int bb_audio_SetAudioDevice(gxtkAudio* device) {
    // The global is a collector root from the moment it can hold anything.
    gc_register_root(GC_ROOT_AUDIO_DEVICE, &bb_audio_device);
    gc_assign(bb_audio_device, device);
    return 0;
}

c_Sound* bb_audio_LoadSound(String path) {
    if (!bb_audio_device) return nullptr;
    gxtkSample* sample = bb_audio_device->LoadSample(bb_data_FixDataPath(path));
    if (!sample) return nullptr;
    return (new c_Sound())->m_new(sample);
}

int bb_audio_PlaySound(c_Sound* sound, int channel, int flags) {
    if (bb_audio_device && sound && sound->m_Sample) {
        bb_audio_device->PlaySample(sound->m_Sample, channel, flags);
    }
    return 0;
}

int bb_audio_StopChannel(int channel) {
    if (bb_audio_device) bb_audio_device->StopChannel(channel);
    return 0;
}

int bb_audio_SetChannelVolume(int channel, float volume) {
    if (bb_audio_device) bb_audio_device->SetVolume(channel, volume);
    return 0;
}

int bb_audio_SetChannelPan(int channel, float pan) {
    if (bb_audio_device) bb_audio_device->SetPan(channel, pan);
    return 0;
}

int bb_audio_SetChannelRate(int channel, float rate) {
    if (bb_audio_device) bb_audio_device->SetRate(channel, rate);
    return 0;
}

int bb_audio_PlayMusic(String path, int flags) {
    if (!bb_audio_device) return -1;
    return bb_audio_device->PlayMusic(bb_data_FixDataPath(path), flags);
}

bool bb_audio_PrepareMusic(String path) {
    return bb_audio_device && bb_audio_device->PrepareMusic(bb_data_FixDataPath(path));
}

int bb_audio_StopMusic() {
    if (bb_audio_device) bb_audio_device->StopMusic();
    return 0;
}

int bb_audio_PauseMusic() {
    if (bb_audio_device) bb_audio_device->PauseMusic();
    return 0;
}

int bb_audio_ResumeMusic() {
    if (bb_audio_device) bb_audio_device->ResumeMusic();
    return 0;
}
