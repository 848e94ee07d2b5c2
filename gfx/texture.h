// Textures: the Texture record that the game's texture tables hold, the loaders for
// material maps (bare GL names owned by the model that asked), and the 3D noise
// volumes. Loaders run on whichever thread has a current GL context; the main and the
// worker context share objects, and nothing here keeps state of its own.
#pragma once

// The filter and upload modes of Texture::LoadTGA.
enum TextureMode {
  kTextureMipmapped = 0,        // trilinear, mipmaps
  kTextureLinearMipmapped = 1,  // linear without mip filtering, mipmaps uploaded anyway
  kTextureNearest = 2,          // nearest, one level (pixel-exact menu art)
  kTextureClampedMipmapped = 3, // trilinear, clamped to edge
  kTextureCompressedWrapS = 4,  // compressed, repeat along S only
  kTextureCompressedFlat = 5,   // compressed, one level, repeat
  kTextureAnisotropic = 6,      // trilinear, repeat; with the texture-filtering option on,
                                // anisotropy one below the maximum
};

// One GL 2D texture. The game's tables of these are static and destroyed after the GL
// context is gone, so releasing must be harmless without a context.
struct Texture {
  int name = -1;       // GL texture name; -1 when the record holds none
  int width = 0;       // texels of the loaded image
  int height = 0;
  int components = 0;  // 3 (RGB) or 4 (RGBA) once loaded, 0 before

  Texture() = default;
  ~Texture();
  Texture(const Texture&) = delete;  // the record owns its GL name
  Texture& operator=(const Texture&) = delete;

  // Loads an uncompressed 24- or 32-bit TGA. A record that already holds a texture
  // returns true at once without touching the file; false for a null path, a file
  // that does not open or an image this reader refuses (the record stays empty).
  bool LoadTGA(const char* path, int mode);
  // Deletes the GL texture when there is one; name becomes -1.
  void Release();
};

// The numbered textures "base/textures/tex00.tga" to "tex70.tga". Entries 0-8 are
// loaded at renderer start-up (8 and 0 are the font atlases), 9-70 with the menu
// content.
constexpr int kTextureTableSize = 71;
// Defined with the game's other global objects (app/globals.cpp), in construction order.
extern Texture TextureTable[kTextureTableSize];

// Material maps: a new mipmapped, repeating GL texture, -1 on failure. With the
// texture-filtering option on, anisotropy is set one below the driver's maximum.
int LoadTGATexture(const char* path, bool compress);
int LoadBMPTexture(const char* path, bool compress);

// The BMP reader itself (LoadBMP) is in gfx/image_bmp.h, the noise volumes in
// gfx/noise.h.
