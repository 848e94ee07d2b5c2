// The graphics library leaves the game's global tables to the game (they are built in
// one place, in order); its test programs define the ones it reads themselves.
#include "gfx/particles.h"
#include "gfx/texture.h"

Texture TextureTable[kTextureTableSize];
ParticleEmitter FirePipeEmitters[kCarEmitters];
ParticleEmitter SmokePipeEmitters[kCarEmitters];
ParticleEmitter DustEmitters[kDustEmitters];
ParticleEmitter CheckpointLightEmitter;
