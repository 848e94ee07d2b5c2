// The SoundSource record's operations, the audio device and EAX.
#include "app/sound.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alut.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/settings.h"

GameSoundSet GameSounds;
SoundSource MusicSource;
uint8_t EaxAvailable = 0;

namespace {

bool g_deviceOpen = false;
bool g_alutStarted = false;

// OpenAL Soft names no device "Generic Software"; the name is tried first because it
// is the renderer the game was tuned with where it exists.
constexpr const char* kPreferredDevice = "Generic Software";

// OpenAL takes pitches above 0 only.
constexpr float kMinPitch = 0.01f;

// EAX 2.0 listener property set {0306A6A8-B224-11D2-99E5-0000E8D8C722}.
struct EaxGuid {
  uint32_t data1;
  uint16_t data2, data3;
  uint8_t data4[8];
};
constexpr EaxGuid kEaxListenerProperties = {
    0x0306A6A8, 0xB224, 0x11D2, {0x99, 0xE5, 0x00, 0x00, 0xE8, 0xD8, 0xC7, 0x22}};
constexpr unsigned kEaxListenerEnvironment = 11;
constexpr unsigned kEaxEnvironmentGeneric = 0;

using EaxSetFn = ALenum (*)(const EaxGuid*, ALuint, ALuint, ALvoid*, ALuint);
using EaxGetFn = ALenum (*)(const EaxGuid*, ALuint, ALuint, ALvoid*, ALuint);
EaxSetFn g_eaxSet = nullptr;
EaxGetFn g_eaxGet = nullptr;  // fetched with EAXSet; nothing reads back

}  // namespace

void SoundSource::Load(const char* path, bool looping) {
  // A record loaded again (the music source) gives its old source back first.
  if (source || buffer) Release();
  // Fresh outputs for every load, so a failed read can never hand the previous file's
  // size or format to the buffer.
  sampleData = nullptr;
  format = 0;
  frequency = 0;
  size = 0;
  if (!g_deviceOpen) return;

  ALenum fmt = 0;
  ALsizei bytes = 0;
  ALfloat rate = 0.0f;
  sampleData = alutLoadMemoryFromFile(path, &fmt, &bytes, &rate);

  // The context's error code is shared with the other thread, which plays and pauses
  // sources meanwhile: whether the names were made is read from the names themselves.
  ALuint s = 0, b = 0;
  alGenSources(1, &s);
  alGenBuffers(1, &b);
  if (s == 0 || b == 0 || !alIsSource(s) || !alIsBuffer(b)) {
    std::fprintf(stderr, "sound: no OpenAL source left for %s\n", path);
    if (s) alDeleteSources(1, &s);
    if (b) alDeleteBuffers(1, &b);
    std::free(sampleData);
    sampleData = nullptr;
    return;
  }
  source = s;
  buffer = b;
  if (sampleData && bytes > 0 && rate > 0.0f) {
    format = fmt;
    size = bytes;
    frequency = static_cast<int>(rate);
    alBufferData(buffer, fmt, sampleData, bytes, static_cast<ALsizei>(rate));
  } else {
    // The source stays, with an empty buffer: playing it is silent.
    std::fprintf(stderr, "sound: cannot read %s: %s\n", path,
                 alutGetErrorString(alutGetError()));
  }
  alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
  std::free(sampleData);
  sampleData = nullptr;

  alSourcef(source, AL_PITCH, 1.0f);
  alSourcef(source, AL_GAIN, 1.0f);
  alSourcei(source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
  alSourcef(source, AL_REFERENCE_DISTANCE, 12.0f);
  alSourcef(source, AL_ROLLOFF_FACTOR, 1.0f);
  sourceCopy = source;
}

void SoundSource::SetPosition(float x, float y, float z, float vx, float vy, float vz) {
  if (!source) return;
  alSource3f(source, AL_POSITION, x, y, z);
  alSource3f(source, AL_VELOCITY, vx, vy, vz);
}

void SoundSource::Play() {
  if (source) alSourcePlay(source);
}

void SoundSource::Stop() {
  if (source) alSourceStop(source);
}

void SoundSource::Pause() {
  if (source) alSourcePause(source);
}

void SoundSource::SetGain(float gain) {
  if (!source) return;
  // OpenAL refuses a negative or NaN gain and keeps the old one: a fade that overshoots
  // would stay at its last loud step. Silence is what such a value means.
  if (!(gain >= 0.0f)) gain = 0.0f;
  else if (std::isinf(gain)) gain = 1.0f;  // the mixer plays no source louder anyway
  alSourcef(source, AL_GAIN, gain);
}

void SoundSource::Release() {
  if (source) {
    ALuint s = source;
    alDeleteSources(1, &s);
  }
  if (buffer) {
    ALuint b = buffer;
    alDeleteBuffers(1, &b);
  }
  source = 0;
  buffer = 0;
  sourceCopy = 0;
}

void SoundSource::SetRelative() {
  if (source) alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
}

void SoundSource::SetPitch(float pitch) {
  // A NaN or infinite pitch has no sensible tone: keep the current one. A stalled or
  // back-spinning engine (0 or below, which OpenAL refuses) slows the note to a crawl.
  if (!source || !std::isfinite(pitch)) return;
  alSourcef(source, AL_PITCH, pitch > kMinPitch ? pitch : kMinPitch);
}

void SoundSource::Rewind() {
  if (source) alSourceRewind(source);
}

int SoundSource::State() const {
  if (!source) return 0;
  ALint state = 0;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  return state;
}

bool SoundSource::IsPlaying() const { return State() == AL_PLAYING; }

bool OpenSoundDevice() {
  if (g_deviceOpen) return true;
  ALCdevice* device = alcOpenDevice(kPreferredDevice);
  if (!device) device = alcOpenDevice(nullptr);
  if (!device) {
    std::fprintf(stderr, "sound: no audio device could be opened; the game runs silent\n");
    return false;
  }
  ALCcontext* context = alcCreateContext(device, nullptr);
  if (!context || alcMakeContextCurrent(context) != ALC_TRUE) {
    std::fprintf(stderr, "sound: the audio device gave no context; the game runs silent\n");
    if (context) alcDestroyContext(context);
    alcCloseDevice(device);
    return false;
  }
  alGetError();
  // ALUT only reads files here; the context is ours.
  g_alutStarted = alutInitWithoutContext(nullptr, nullptr) == AL_TRUE;
  g_deviceOpen = true;
  return true;
}

bool SoundDeviceOpen() { return g_deviceOpen; }

void CloseSoundDevice() {
  if (g_alutStarted) {
    alutExit();
    g_alutStarted = false;
  }
  ALCcontext* context = alcGetCurrentContext();
  if (context) {
    ALCdevice* device = alcGetContextsDevice(context);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    if (device) alcCloseDevice(device);
  }
  g_deviceOpen = false;
  g_eaxSet = nullptr;
  g_eaxGet = nullptr;
  EaxAvailable = 0;
}

void SetupEax() {
  EaxAvailable = 0;
  if (Settings.eax && g_deviceOpen &&
      (alIsExtensionPresent("EAX2.0") || alIsExtensionPresent("EAX2.0EMULATED"))) {
    g_eaxSet = reinterpret_cast<EaxSetFn>(alGetProcAddress("EAXSet"));
    g_eaxGet = reinterpret_cast<EaxGetFn>(alGetProcAddress("EAXGet"));
    // An extension that names itself but gives no entry point counts as absent.
    if (g_eaxSet) {
      ALuint environment = kEaxEnvironmentGeneric;
      g_eaxSet(&kEaxListenerProperties, kEaxListenerEnvironment, 0, &environment,
               sizeof environment);
      EaxAvailable = 1;
    }
  }
  // Saved off, so the options page shows what the device can do.
  if (!EaxAvailable) Settings.eax = 0;
}

void SetListenerPosition(float x, float y, float z) {
  if (g_deviceOpen) alListener3f(AL_POSITION, x, y, z);
}

void SetListenerOrientation(float fx, float fy, float fz, float ux, float uy, float uz) {
  if (!g_deviceOpen) return;
  const ALfloat v[6] = {fx, fy, fz, ux, uy, uz};
  alListenerfv(AL_ORIENTATION, v);
}
