// Sound: every sound of the game is one SoundSource (one OpenAL buffer filled from a
// WAV file, one source playing it), kept in static records for the whole run.
//
// The shell's calls, in the order it makes them:
//   OpenSoundDevice()       start-up: "Generic Software", else the default device;
//                           false (and a line on stderr) when neither opens; the game
//                           then runs silent: every SoundSource call is inert.
//   LoadStartupSounds()     start-up: the four engine loops, LoadEngineSounds, then the
//                           remaining 43 sounds of GameSounds.
//   SetupEax()              start-up, after the sounds: EAX 2.0 when the setting is on
//                           and the device offers it, else the setting is cleared.
//   ReleaseStartupSounds()  shutdown: every GameSounds source and MusicSource (the
//                           engine-note bank stays).
//   CloseSoundDevice()      shutdown: context and device.
// Group operations on the race's sound: StopAllSounds (garage loader), PauseAllSounds
// (Escape pause), ResumeAllSounds (pause screen, "RACE").
//
// Sources are played from the main thread and the worker without a lock; the OpenAL
// context is process-wide and OpenAL serialises the calls itself. A record's source
// name is read and written atomically, since the worker reloads the music while the
// main thread plays and pauses it.
#pragma once

#include <cstdint>

// One sound. No constructor: the records are static and zero until loaded, and every
// operation on a record that was never loaded (source 0) does nothing.
struct SoundSource {
  unsigned int sourceCopy;  // copy of source, set once the load has finished
  void* sampleData;         // the WAV samples while loading; null otherwise
  int format;               // OpenAL format of the last load (0 when it failed)
  int frequency;            // sample rate of the last load
  int size;                 // data bytes of the last load
  int spare;                // never used
  unsigned int source;      // OpenAL source name, 0 until loaded
  unsigned int buffer;      // OpenAL buffer name, 0 until loaded
  // Play calls since start, device or not: what the menus asked to be heard.
  unsigned int playCount;

  // Loads a WAV file into a new buffer and source: pitch 1, gain 1, the caller's
  // looping flag (the file's own is ignored), reference distance 12, rolloff 1. A file
  // that cannot be read leaves an empty buffer: the source exists and plays silence.
  // Without a sound device nothing is created.
  void Load(const char* path, bool looping);
  void SetPosition(float x, float y, float z, float vx, float vy, float vz);
  void Play();   // starts, or restarts from the beginning when already playing
  void Stop();
  void Pause();
  // A negative or NaN gain silences the source (OpenAL would keep the old gain).
  void SetGain(float gain);
  // Deletes the source and its buffer and forgets both names, so a second Release or
  // a later call reaches nothing.
  void Release();
  void SetRelative();

  // What the race code asks of a source directly (pitch of the engine notes, the
  // "is it playing" tests before starting one, rewinding a stopped note).
  // Pitches of 0 and below become a crawl (0.01); NaN and infinity change nothing.
  void SetPitch(float pitch);
  void Rewind();
  bool IsPlaying() const;
  // The OpenAL source state (AL_INITIAL, AL_PLAYING, AL_PAUSED, AL_STOPPED), 0 for a
  // record without a source.
  int State() const;

 private:
  void ReleaseLocked();  // Release, with the sound lock already held
};

// The sounds loaded by the entry function, in load order (all "base/sound/<name>.wav").
struct GameSoundSet {
  SoundSource enOt[3];      // en_ot0..en_ot2, looping (opponents' engine loops)
  SoundSource enCity;       // en_city, looping
  SoundSource cr0, cr1;     // the player's knocks: soft, hard
  SoundSource landscapeGround, landscapeGrass, landscapeWater;  // looping rolling noise
  SoundSource crash[4][4];  // crash<set>_<variant>: [set][variant]
  SoundSource st1;          // looping
  SoundSource st2[3];       // three looping sources of st2.wav
  SoundSource point;        // lap line; its gain is ramped by the race update
  SoundSource gear;
  SoundSource nitro;
  SoundSource wind;         // looping
  SoundSource signal[3];    // signal0..signal2, the countdown
  SoundSource ambient;      // looping; paused and resumed with the window's focus
  SoundSource menu[10];     // menu1..menu10: menu[n - 1] is "menu<n>"
};

constexpr int kGameSoundCount = 47;  // sources in GameSoundSet

extern GameSoundSet GameSounds;
// The one music source: "base/music/menu.wav" loaded by the worker at start-up, the
// race music loaded by the world loader, the menu music again by the garage loader.
extern SoundSource MusicSource;

// The front end's names for the menu sounds.
inline SoundSource& MenuClickSound = GameSounds.menu[0];   // menu1
inline SoundSource& MenuHoverSound = GameSounds.menu[1];   // menu2
inline SoundSource& MenuStepSound = GameSounds.menu[2];    // menu3
inline SoundSource& MenuBuySound = GameSounds.menu[3];     // menu4, a captured binding
inline SoundSource& MenuDenySound = GameSounds.menu[4];    // menu5
inline SoundSource& MenuChangeSound = GameSounds.menu[5];  // menu6
inline SoundSource& MenuOpenSound = GameSounds.menu[6];    // menu7
inline SoundSource& RaceLoadSound = GameSounds.menu[7];    // menu8

// Device and context. SoundDeviceOpen() is true between a successful OpenSoundDevice
// and CloseSoundDevice.
bool OpenSoundDevice();
bool SoundDeviceOpen();
void CloseSoundDevice();

void LoadStartupSounds();
void ReleaseStartupSounds();

// EAX 2.0 (looked up by name; OpenAL Soft offers none, so the usual outcome is the
// setting cleared and EaxAvailable 0).
void SetupEax();
extern uint8_t EaxAvailable;

// Never called by the game, kept with the record's other listener helpers.
void SetListenerPosition(float x, float y, float z);
void SetListenerOrientation(float fx, float fy, float fz, float ux, float uy, float uz);

// The race's sound groups. ResumeAllSounds plays again only the continuous sources
// that the last PauseAllSounds found playing and paused; the engine notes stay paused
// until the race code starts them again; StopAllSounds forgets that record.
void StopAllSounds();
void PauseAllSounds();
void ResumeAllSounds();
