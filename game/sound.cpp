// Sound effects and the streamed tune. Effects come from numbered slots and
// take the next of 24 channels in turn, so up to 24 overlap and a 25th cuts
// the oldest; the tune plays on the audio device's music channel. The sound
// option (entry 5 of m_Options) decides what is heard: 0 nothing, 1 effects
// and music, 2 effects only, 3 music only. The tune is decoded once, during
// loading, and the audio device keeps it for every later game start.
#include <cstdio>

#include "audio/sound.h"
#include "game/myapp.h"

namespace {

constexpr int kEffectChannels = 24;

bool EffectsOn(const c_MyApp* app) { return app->m_Options[5] == 1 || app->m_Options[5] == 2; }
bool MusicOn(const c_MyApp* app) { return app->m_Options[5] == 1 || app->m_Options[5] == 3; }

String TunePath(String name) { return String("sfx/") + name + String(".ogg"); }

}  // namespace

int c_MyApp::p_LoadSFX(int n) {
    // Slot n comes from sfx/NNN.wav, at least three digits.
    char name[32];
    std::snprintf(name, sizeof name, "sfx/%03d.wav", n);
    c_Sound* sound = bb_audio_LoadSound(String(name));
    if (n >= 0 && n < kSoundSlots) gc_assign(m_Sounds[n], sound);
    return 0;
}

int c_MyApp::p_PlaySFX(int id, float rate, float volume, float pan) {
    if (!EffectsOn(this)) return 0;
    m_SfxNext = (m_SfxNext + 1) % kEffectChannels;
    const int channel = m_SfxChannels[m_SfxNext];
    bb_audio_device->StopChannel(channel);
    c_Sound* sound = id >= 0 && id < kSoundSlots ? m_Sounds[id] : nullptr;
    if (sound && sound->m_Sample) bb_audio_device->PlaySample(sound->m_Sample, channel, 0);
    // Set even when nothing played, so the channel is ready for the next one.
    bb_audio_device->SetRate(channel, rate);
    bb_audio_device->SetVolume(channel, volume);
    bb_audio_device->SetPan(channel, pan);
    return 0;
}

int c_MyApp::p_PlayTune(String name, int flags) {
    String path = TunePath(name);
    if (m_MusicOn != 0) {
        bb_audio_StopMusic();
        m_MusicOn = 0;
    }
    if (MusicOn(this)) {
        bb_audio_PlayMusic(path, flags);
        m_MusicOn = 1;
    }
    return 0;
}

int c_MyApp::p_PrepareTune(String name) {
    // Whatever the sound option: music switched on later must not decode
    // at a game start either.
    bb_audio_PrepareMusic(TunePath(name));
    return 0;
}

int c_MyApp::p_StopTune() {
    bb_audio_StopMusic();
    m_MusicOn = 0;
    return 0;
}
