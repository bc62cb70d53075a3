// The window on SDL's own renderer, and the choice between it and OpenGL with ImGui.
#include "display.h"

#if defined(TS_HAVE_SDL2)

#include <array>

namespace sim {
namespace {

class SdlDisplay : public Display {
 public:
  SdlDisplay(const std::string& title, int w, int h) {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");  // the phone's pixels stay sharp
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                               SDL_WINDOW_RESIZABLE);
    if (window_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
  }
  ~SdlDisplay() override {
    for (Tex& t : textures_)
      if (t.texture) SDL_DestroyTexture(t.texture);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
  }
  bool ok() const { return renderer_ != nullptr; }

  void upload(Picture p, int w, int h, const uint8_t* rgba) override {
    Tex& t = textures_[size_t(p)];
    if (!t.texture || t.w != w || t.h != h) {
      if (t.texture) SDL_DestroyTexture(t.texture);
      t = {SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STREAMING, w, h), w, h};
      if (!t.texture) return;
      SDL_SetTextureBlendMode(t.texture, SDL_BLENDMODE_BLEND);
    }
    SDL_UpdateTexture(t.texture, nullptr, rgba, w * 4);
  }

  void begin_frame() override {
    // Boxes are in window units; the renderer may have more pixels than that.
    int ww = 0, wh = 0, ow = 0, oh = 0;
    size(ww, wh);
    SDL_GetRendererOutputSize(renderer_, &ow, &oh);
    if (ww > 0 && wh > 0) SDL_RenderSetScale(renderer_, float(ow) / float(ww), float(oh) / float(wh));
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
  }
  void draw(Picture p, const SDL_Rect& to) override {
    if (SDL_Texture* t = textures_[size_t(p)].texture) SDL_RenderCopy(renderer_, t, nullptr, &to);
  }
  void end_frame() override { SDL_RenderPresent(renderer_); }

 private:
  struct Tex {
    SDL_Texture* texture = nullptr;
    int w = 0, h = 0;
  };
  SDL_Renderer* renderer_ = nullptr;
  std::array<Tex, size_t(Picture::Count)> textures_{};
};

}  // namespace

std::unique_ptr<Display> open_sdl_display(const std::string& title, int w, int h) {
  auto d = std::make_unique<SdlDisplay>(title, w, h);
  if (!d->ok()) return nullptr;
  return d;
}

std::unique_ptr<Display> open_display(const std::string& title, int w, int h, std::string& no_imgui) {
#if defined(TS_HAVE_IMGUI)
  if (auto gl = open_gl_display(title, w, h, no_imgui)) return gl;
  no_imgui = "no OpenGL window: " + no_imgui;
#else
  no_imgui = "this build has no editor (" TS_NO_EDITOR_WHY " when it was built)";
#endif
  return open_sdl_display(title, w, h);
}

}  // namespace sim

#endif
