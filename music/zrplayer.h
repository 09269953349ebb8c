// c_ZRPlayer, the five-voice music sequencer: it loads a tune picture and its
// instrument samples step by step, then plays the tune's patterns note by
// note on five audio channels, arranging sections at random from a seed.
// Relies on the graphics module (the tune picture is decoded by drawing it
// and reading the pixels back), the sound layer and the shared random
// generator.
#pragma once

#include "audio/sound.h"
#include "framework/random.h"
#include "graphics/graphics.h"
#include "runtime/runtime.h"

class c_ZRPlayer : public Object {
public:
    // 64 patterns x 8 voice columns x 64 rows x 8 fields, and one spare.
    static constexpr int kTuneDataLength = 64 * 4096 + 1;

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
};
