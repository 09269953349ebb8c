// Decoders that turn a sound file into interleaved PCM: our own RIFF WAVE
// reader and an Ogg Vorbis reader over stb_vorbis. They rely on nothing but
// the C library and libstb, so the host can link them without the device.
//
// Both take an open stream positioned at the start of the file (the caller
// opens and closes it) and return a malloc'd block of interleaved samples,
// released by the caller with free(), or null. On success the out-parameters
// hold the length in sample frames (samples per channel), the channel count,
// the bytes per sample (1: unsigned 8-bit, 2: signed 16-bit little-endian;
// other widths are passed through and play silent) and the sample rate.
#pragma once

#include <cstdio>

// Reads a RIFF WAVE stream whose "fmt " chunk comes first and holds integer
// PCM. Damaged files give null without allocating more than the file holds.
unsigned char* LoadWAV(FILE* file, int* length, int* channels, int* format, int* hertz);

// Decodes a whole Ogg Vorbis stream into signed 16-bit samples (format 2).
// A stream whose Ogg pages fail their checksums gives null.
unsigned char* LoadOGG(FILE* file, int* length, int* channels, int* format, int* hertz);
