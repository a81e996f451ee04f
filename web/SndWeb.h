// The page's C API (web/SndWeb.cpp describes each call). Every text returned
// stays valid until the next call.
#pragma once

extern "C" {

const char* SndWeb_Info(const char* path);
const char* SndWeb_Exports(const char* path);
const char* SndWeb_Sound(const char* path, int index);
const char* SndWeb_Print(const char* path, int index);
int SndWeb_Export(const char* path, int index, const char* out);
const char* SndWeb_ExportSpans(const char* path);
int SndWeb_ExportPcm(const char* path, int index, const char* out);
const char* SndWeb_Peaks(const char* path, int index, int columns, double first, double count);
const char* SndWeb_Spectrogram(const char* path, int index, int columns, int rows, double first, double count);
const char* SndWeb_FileNames(const char* path);
const char* SndWeb_Regions(const char* path, int index);
int SndWeb_Region(const char* path, int index, int region, int pcm, const char* out);
const char* SndWeb_Labels(const char* path, int index);
const char* SndWeb_Sfz(const char* path, int index, const char* sampleFile);
void SndWeb_Close(const char* path);

}  // extern "C"
