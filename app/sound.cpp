// The SoundSource record's operations, the audio device and EAX.
#include "app/sound.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alut.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "app/settings.h"
#include "app/wave_check.h"

GameSoundSet GameSounds;
SoundSource MusicSource;
uint8_t EaxAvailable = 0;

namespace {

bool g_deviceOpen = false;
bool g_alutStarted = false;

// Both threads call OpenAL (the loader loads while the main thread plays and pauses),
// and a context has one error code for both. ALUT refuses to read a file while an error
// is pending, so a load clears it and reads under this lock, and every other call takes
// the lock too: no call of the other thread can raise an error in between, and no
// source is deleted between reading its name and using it.
std::mutex g_al;

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

// The music record is reloaded by the loader while the main thread plays and pauses
// it (focus changes, the Escape pause): its source name is read and replaced across
// threads, so every access to it is atomic.
ALuint NameOf(const SoundSource& s) { return __atomic_load_n(&s.source, __ATOMIC_ACQUIRE); }
void SetName(SoundSource* s, ALuint name) { __atomic_store_n(&s->source, name, __ATOMIC_RELEASE); }

}  // namespace

void SoundSource::Load(const char* path, bool looping) {
  // A record loaded again (the music source) gives its old source back first.
  std::lock_guard<std::mutex> hold(g_al);
  if (NameOf(*this) || buffer) ReleaseLocked();
  // Fresh outputs for every load, so a failed read can never hand the previous file's
  // size or format to the buffer.
  sampleData = nullptr;
  format = 0;
  frequency = 0;
  size = 0;
  if (!g_deviceOpen) return;

  alGetError();
  ALenum fmt = 0;
  ALsizei bytes = 0;
  ALfloat rate = 0.0f;
  // ALUT allocates what the data chunk claims before it finds the file short: the
  // chunk sizes are checked against the file first.
  std::string layout;
  const bool fits = WaveFileChunksFit(path, &layout);
  sampleData = fits && g_alutStarted ? alutLoadMemoryFromFile(path, &fmt, &bytes, &rate) : nullptr;
  const int hz = SampleRateHz(rate);
  const bool read = sampleData && bytes > 0 && hz > 0;
  const char* why = read ? nullptr
                    : !fits ? layout.c_str()
                    : sampleData && bytes > 0 ? "the sample rate is out of range"
                                              : alutGetErrorString(alutGetError());

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
  buffer = b;
  if (read) {
    format = fmt;
    size = bytes;
    frequency = hz;
    alBufferData(buffer, fmt, sampleData, bytes, hz);
  } else {
    // The source stays, with an empty buffer: playing it is silent.
    std::fprintf(stderr, "sound: cannot read %s: %s\n", path, why);
  }
  alSourcei(s, AL_BUFFER, static_cast<ALint>(buffer));
  std::free(sampleData);
  sampleData = nullptr;

  alSourcef(s, AL_PITCH, 1.0f);
  alSourcef(s, AL_GAIN, 1.0f);
  alSourcei(s, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
  alSourcef(s, AL_REFERENCE_DISTANCE, 12.0f);
  alSourcef(s, AL_ROLLOFF_FACTOR, 1.0f);
  // Published once it is set up: the other thread never plays a half-made source.
  SetName(this, s);
  sourceCopy = s;
}

void SoundSource::SetPosition(float x, float y, float z, float vx, float vy, float vz) {
  std::lock_guard<std::mutex> hold(g_al);
  const ALuint name = NameOf(*this);
  if (!name) return;
  alSource3f(name, AL_POSITION, x, y, z);
  alSource3f(name, AL_VELOCITY, vx, vy, vz);
}

void SoundSource::Play() {
  std::lock_guard<std::mutex> hold(g_al);
  ++playCount;
  if (const ALuint name = NameOf(*this)) alSourcePlay(name);
}

void SoundSource::Stop() {
  std::lock_guard<std::mutex> hold(g_al);
  if (const ALuint name = NameOf(*this)) alSourceStop(name);
}

void SoundSource::Pause() {
  std::lock_guard<std::mutex> hold(g_al);
  if (const ALuint name = NameOf(*this)) alSourcePause(name);
}

void SoundSource::SetGain(float gain) {
  std::lock_guard<std::mutex> hold(g_al);
  const ALuint name = NameOf(*this);
  if (!name) return;
  // OpenAL refuses a negative or NaN gain and keeps the old one: a fade that overshoots
  // would stay at its last loud step. Silence is what such a value means.
  if (!(gain >= 0.0f)) gain = 0.0f;
  else if (std::isinf(gain)) gain = 1.0f;  // the mixer plays no source louder anyway
  alSourcef(name, AL_GAIN, gain);
}

void SoundSource::Release() {
  std::lock_guard<std::mutex> hold(g_al);
  ReleaseLocked();
}

void SoundSource::ReleaseLocked() {
  // Forgotten before it is deleted, so the other thread stops reaching it first.
  ALuint s = NameOf(*this);
  SetName(this, 0);
  if (s) alDeleteSources(1, &s);
  if (buffer) {
    ALuint b = buffer;
    alDeleteBuffers(1, &b);
  }
  buffer = 0;
  sourceCopy = 0;
}

void SoundSource::SetRelative() {
  std::lock_guard<std::mutex> hold(g_al);
  if (const ALuint name = NameOf(*this)) alSourcei(name, AL_SOURCE_RELATIVE, AL_TRUE);
}

void SoundSource::SetPitch(float pitch) {
  std::lock_guard<std::mutex> hold(g_al);
  // A NaN or infinite pitch has no sensible tone: keep the current one. A stalled or
  // back-spinning engine (0 or below, which OpenAL refuses) slows the note to a crawl.
  const ALuint name = NameOf(*this);
  if (!name || !std::isfinite(pitch)) return;
  alSourcef(name, AL_PITCH, pitch > kMinPitch ? pitch : kMinPitch);
}

void SoundSource::Rewind() {
  std::lock_guard<std::mutex> hold(g_al);
  if (const ALuint name = NameOf(*this)) alSourceRewind(name);
}

int SoundSource::State() const {
  std::lock_guard<std::mutex> hold(g_al);
  const ALuint name = NameOf(*this);
  if (!name) return 0;
  ALint state = 0;
  alGetSourcei(name, AL_SOURCE_STATE, &state);
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
