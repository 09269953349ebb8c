// The sequencer (zrplayer.h). Loading and playback are still to come: for now
// the object holds its fields and every operation does nothing.
#include "music/zrplayer.h"

c_ZRPlayer* c_ZRPlayer::m_new() {
    gc_assign(m_InstCount, Array<int>(8));
    gc_assign(m_InstChoice, Array<int>(8));
    gc_assign(m_DrumsA, Array<c_Sound*>(9));
    gc_assign(m_DrumsB, Array<c_Sound*>(9));
    gc_assign(m_Instruments, Array<c_Sound*>(8));
    gc_assign(m_TuneData, Array<int>(kTuneDataLength));
    gc_assign(m_LastPattern, Array<int>(8));
    gc_assign(m_Channel, Array<int>(8));
    gc_assign(m_Sounding, Array<int>(8));
    gc_assign(m_Pattern, Array<int>(8));
    gc_assign(m_Muted, Array<int>(8));
    gc_assign(m_LeadIn, Array<int>(8));
    gc_assign(m_NextMuted, Array<int>(8));
    gc_assign(m_Rate, Array<float>(8));
    gc_assign(m_Level, Array<float>(8));
    gc_assign(m_Volume, Array<float>(8));
    return this;
}

void c_ZRPlayer::mark() {
    gc_mark_q(m_InstCount);
    gc_mark_q(m_InstChoice);
    gc_mark_q(m_DrumsA);
    gc_mark_q(m_DrumsB);
    gc_mark_q(m_Instruments);
    gc_mark_q(m_TuneImage);
    gc_mark_q(m_TuneData);
    gc_mark_q(m_LastPattern);
    gc_mark_q(m_Channel);
    gc_mark_q(m_Sounding);
    gc_mark_q(m_Pattern);
    gc_mark_q(m_Muted);
    gc_mark_q(m_LeadIn);
    gc_mark_q(m_NextMuted);
    gc_mark_q(m_Rate);
    gc_mark_q(m_Level);
    gc_mark_q(m_Volume);
}

int c_ZRPlayer::p_ZR_Init(int, int, int, int, int) { return 0; }
int c_ZRPlayer::p_ZR_StartTune(String, int, int) { return 0; }
int c_ZRPlayer::p_ZR_LoadChunk() { return 0; }
int c_ZRPlayer::p_ZR_Alive_R() { return 0; }
int c_ZRPlayer::p_ZR_Alive_U(int, int) { return 0; }
int c_ZRPlayer::p_ZR_Stop(int) { return 0; }
