// The window on OpenGL (2.1, which Mesa also gives under Xvfb) with Dear ImGui: every picture is
// a texture drawn through ImGui's background list, so the pictures and the editor's windows are
// drawn by one renderer in one pass.
#include "display.h"
#include "screen/fonts.h"

#if defined(TS_HAVE_SDL2) && defined(TS_HAVE_IMGUI)

#include <GL/gl.h>
#include <imgui.h>
#include <imgui_impl_opengl2.h>
#include <imgui_impl_sdl.h>

#include <array>
#include <cstdint>
#include <filesystem>

namespace sim {
namespace {

constexpr float kFontSize = 15.0f;

class GlDisplay : public Display {
 public:
  GlDisplay(const std::string& title, int w, int h, std::string& error) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    if (window_) context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
      error = SDL_GetError();
      return;
    }
    SDL_GL_MakeCurrent(window_, context_);
    SDL_GL_SetSwapInterval(0);  // the window paces its frames itself
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // no imgui.ini in the user's folder
    io.LogFilename = nullptr;
    // A steady caret: the window presents frames only when something changes.
    io.ConfigInputTextCursorBlink = false;
    // The phone's own font, with Cyrillic for the block's labels.
    const std::filesystem::path font = host::font_file(false);
    std::error_code ec;
    if (std::filesystem::is_regular_file(font, ec))
      io.Fonts->AddFontFromFileTTF(font.c_str(), kFontSize, nullptr,
                                   io.Fonts->GetGlyphRangesCyrillic());
    ImGui::StyleColorsDark();
    ImGui_ImplSDL2_InitForOpenGL(window_, context_);
    ImGui_ImplOpenGL2_Init();
    imgui_ = true;
  }

  ~GlDisplay() override {
    for (Tex& t : textures_)
      if (t.id) glDeleteTextures(1, &t.id);
    if (imgui_) {
      ImGui_ImplOpenGL2_Shutdown();
      ImGui_ImplSDL2_Shutdown();
      ImGui::DestroyContext();
    }
    if (context_) SDL_GL_DeleteContext(context_);
    if (window_) SDL_DestroyWindow(window_);
  }
  bool ok() const { return imgui_; }

  void upload(Picture p, int w, int h, const uint8_t* rgba) override {
    Tex& t = textures_[size_t(p)];
    if (!t.id) {
      glGenTextures(1, &t.id);
      glBindTexture(GL_TEXTURE_2D, t.id);
      // Nearest: the phone's pixels stay sharp when scaled.
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    } else {
      glBindTexture(GL_TEXTURE_2D, t.id);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    if (t.w != w || t.h != h) {
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
      t.w = w;
      t.h = h;
    } else {
      glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    }
  }

  void begin_frame() override {
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    // The backend takes the mouse from its state at this moment: its place as the desktop's
    // pointer less the window's position, which the window system need not report truly (none
    // without a window manager), and its buttons as they are after every event queued so far.
    // ImGui gets them as the events the window handled left them, so that a click lands where it
    // was and each click is one.
    ImGuiIO& io = ImGui::GetIO();
    if (mouse_known_) io.MousePos = mouse_;
    for (int b = 0; b < 3; ++b) {
      io.MouseDown[b] = held_[b] || pressed_[b];
      pressed_[b] = false;
    }
    ImGui::NewFrame();
  }
  void draw(Picture p, const SDL_Rect& to) override {
    const Tex& t = textures_[size_t(p)];
    if (!t.id) return;
    ImGui::GetBackgroundDrawList()->AddImage(reinterpret_cast<ImTextureID>(intptr_t(t.id)),
                                             ImVec2(float(to.x), float(to.y)),
                                             ImVec2(float(to.x + to.w), float(to.y + to.h)));
  }
  void end_frame() override {
    ImGui::Render();
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window_, &w, &h);
    glViewport(0, 0, w, h);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(window_);
  }

  bool has_imgui() const override { return true; }
  bool imgui_event(const SDL_Event& e) override {
    if (e.type == SDL_MOUSEMOTION) {
      mouse_ = ImVec2(float(e.motion.x), float(e.motion.y));
      mouse_known_ = true;
    } else if (e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP) {
      mouse_ = ImVec2(float(e.button.x), float(e.button.y));
      mouse_known_ = true;
      const int b = e.button.button == SDL_BUTTON_LEFT    ? 0
                    : e.button.button == SDL_BUTTON_RIGHT ? 1
                    : e.button.button == SDL_BUTTON_MIDDLE ? 2
                                                           : -1;
      if (b >= 0) {
        held_[b] = e.type == SDL_MOUSEBUTTONDOWN;
        pressed_[b] = pressed_[b] || held_[b];
      }
    }
    return ImGui_ImplSDL2_ProcessEvent(&e);
  }
  bool imgui_typing() const override { return ImGui::GetIO().WantTextInput; }

 private:
  struct Tex {
    GLuint id = 0;
    int w = 0, h = 0;
  };
  SDL_GLContext context_ = nullptr;
  // The mouse as the events handed to imgui_event() left it.
  ImVec2 mouse_{};
  bool mouse_known_ = false;
  std::array<bool, 3> held_{}, pressed_{};  // held now; pressed since the last frame
  bool imgui_ = false;
  std::array<Tex, size_t(Picture::Count)> textures_{};
};

}  // namespace

std::unique_ptr<Display> open_gl_display(const std::string& title, int w, int h, std::string& error) {
  auto d = std::make_unique<GlDisplay>(title, w, h, error);
  if (!d->ok()) return nullptr;
  return d;
}

}  // namespace sim

#endif
