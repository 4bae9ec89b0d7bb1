// The audio library's call set, with the names, arguments, results and codes of the vendor library
// the sound system was written for, so that library could replace this one unchanged. Only the
// calls the engine makes are here. This implementation plays through OpenAL Soft and decodes files
// with libsndfile (WAV, OGG/Vorbis, FLAC, and MP3 where libsndfile reads it).
//
// Coordinates are left-handed, as the vendor library's are: x right, y up, z forward.
#pragma once

#include <cstdint>

typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int BOOL;
typedef DWORD HSAMPLE;
typedef DWORD HCHANNEL;
typedef DWORD HSTREAM;
typedef DWORD HSYNC;

struct BASS_3DVECTOR {
  float x, y, z;
};

// Called on the stream's own decoding thread.
typedef void SYNCPROC(HSYNC handle, DWORD channel, DWORD data, void* user);

enum : DWORD {
  BASS_DEVICE_3D = 4,
  BASS_CONFIG_MAXVOL = 3,
  BASS_SAMPLE_MONO = 2,
  BASS_SAMPLE_LOOP = 4,
  BASS_SAMPLE_3D = 8,
  BASS_SYNC_END = 2,
  BASS_ACTIVE_STOPPED = 0,
  BASS_ACTIVE_PLAYING = 1,
};

// BASS_ErrorGetCode results.
enum : int {
  BASS_OK = 0,
  BASS_ERROR_MEM = 1,
  BASS_ERROR_FILEOPEN = 2,
  BASS_ERROR_DRIVER = 3,
  BASS_ERROR_HANDLE = 5,
  BASS_ERROR_FORMAT = 6,
  BASS_ERROR_INIT = 8,
  BASS_ERROR_ALREADY = 14,
  BASS_ERROR_NOCHAN = 18,
  BASS_ERROR_ILLTYPE = 19,
  BASS_ERROR_ILLPARAM = 20,
  BASS_ERROR_NO3D = 21,
  BASS_ERROR_DEVICE = 23,
  BASS_ERROR_FILEFORM = 41,
  BASS_ERROR_UNKNOWN = -1,
};

// The device: 1 is the default output; the window is not used here.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* window, void* clsid);
BOOL BASS_Free();
BOOL BASS_SetConfig(DWORD option, DWORD value);
BOOL BASS_Set3DFactors(float distance, float rolloff, float doppler);
BOOL BASS_Set3DPosition(const BASS_3DVECTOR* position, const BASS_3DVECTOR* velocity, const BASS_3DVECTOR* front,
                        const BASS_3DVECTOR* top);
void BASS_Apply3D();
// The code of the calling thread's last failed call.
int BASS_ErrorGetCode();

// A sample is decoded whole once; each playback is a channel of its own, at most max at a time.
HSAMPLE BASS_SampleLoad(BOOL memory, const void* file, DWORD offset, DWORD length, DWORD max, DWORD flags);
HCHANNEL BASS_SampleGetChannel(HSAMPLE sample, BOOL onlyNew);

// A stream decodes its file piece by piece on a thread of its own while it plays.
HSTREAM BASS_StreamCreateFile(BOOL memory, const void* file, QWORD offset, QWORD length, DWORD flags);
BOOL BASS_StreamFree(HSTREAM stream);

// For sample channels and streams alike. Attributes: a frequency of 0 is the file's own rate, a
// volume of -1 and a pan of -101 leave the value as it is; volumes run from 0 to the configured
// maximum, pans from -100 (left) to 100 (right).
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelStop(DWORD handle);
DWORD BASS_ChannelIsActive(DWORD handle);
DWORD BASS_ChannelGetFlags(DWORD handle);
BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan);
BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan);
BOOL BASS_ChannelSet3DPosition(DWORD handle, const BASS_3DVECTOR* position, const BASS_3DVECTOR* orientation,
                               const BASS_3DVECTOR* velocity);
HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user);
