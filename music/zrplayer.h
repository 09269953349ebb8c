// c_ZRPlayer, the five-voice music sequencer: it loads a tune picture and its
// instrument samples step by step, then plays the tune's patterns note by
// note on five audio channels, arranging sections at random from a seed.
// Relies on the graphics module (the tune picture is decoded by drawing it
// and reading the pixels back), the sound layer and the shared random
// generator. Loading lives in zrplayer.cpp, playback in playback.cpp.
#pragma once

#include "audio/sound.h"
#include "framework/random.h"
#include "graphics/graphics.h"
#include "runtime/runtime.h"

class c_ZRPlayer : public Object {
public:
    // The cell table: pattern p, voice column g, row y and field k live at
    // p * 4096 + g * 512 + y * 8 + k; one spare element at the end.
    static constexpr int kPatterns = 64;
    static constexpr int kColumns = 8;
    static constexpr int kRows = 64;
    static constexpr int kFields = 8;
    static constexpr int kPatternCells = kColumns * kRows * kFields;  // 4096
    static constexpr int kTuneDataLength = kPatterns * kPatternCells + 1;
    // A tune load runs steps 1..kLoadSteps, at most kLoadStepsPerRender per
    // render pass.
    static constexpr int kLoadSteps = 70;
    static constexpr int kLoadStepsPerRender = 3;

    int m_FirstChannel = 0;
    Array<int> m_InstCount;
    int m_LoadStep = 0;
    Array<int> m_InstChoice;
    Array<c_Sound*> m_DrumsA;
    Array<c_Sound*> m_DrumsB;
    Array<c_Sound*> m_Instruments;
    String m_TuneName;
    c_Image* m_TuneImage = nullptr;
    Array<int> m_TuneData;
    Array<int> m_LastPattern;
    int m_NextTime = 0;
    int m_State = 0;
    int m_Voices = 5;
    Array<int> m_Channel;
    Array<int> m_Sounding;
    Array<int> m_Pattern;
    int m_Row = 0;
    int m_PassesLeft = 0;
    Array<int> m_Muted;
    Array<int> m_LeadIn;
    Array<int> m_NextMuted;
    float m_ChordRate = 0;
    String m_Chords;
    Array<float> m_Rate;
    Array<float> m_Level;
    float m_MasterVolume = 0.5f;
    Array<float> m_Volume;
    int m_LoopFlags = 1;
    int m_Tempo = 95;
    int m_Seed = 0;
    int m_Section = 0;

    c_ZRPlayer* m_new();
    void mark() override;

    int p_ZR_Init(int firstChannel, int drumKits, int leads, int accompaniments, int basses);
    int p_ZR_StartTune(String name, int seed, int tempo);
    int p_ZR_LoadChunk();
    int p_ZR_Alive_R();
    int p_ZR_Alive_U(int paused, int enabled);
    int p_ZR_Stop(int flag);
    int p_ZR_MusicPlay();
    int p_ZR_PlayNote(int voice, int note, int volume, int effect, int parameter);
    String p_ZR_GetChord(int n);
    float p_GetPitch(int note);
    float p_GetPitch_Alpha(int code);
    // One step of the shared generator: an int from lo to hi inclusive.
    int p_Rand(float lo, float hi);

private:
    // Sets the shared generator's seed and discards `steps` values, so that
    // the same seed base always gives the same choices.
    static void Reseed(int seed, int steps);
    // Voices that exist in the per-voice arrays: m_Voices, at most 8.
    int VoiceCount() const;
    // Stops every voice that has started a sample on its channel.
    void SilenceVoices();
    // Draws frame f of the tune picture and reads its cells back.
    void DecodeFrame(int frame);
};
