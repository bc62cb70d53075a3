// GUI objects and display classes: creation through the class constructor, redraws that run only
// after the current task, the backdrop, keys, teardown deferred while the object's own method
// runs, and the counts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/books.h"
#include "core/event_queue.h"
#include "core/memory.h"
#include "core/service_table.h"
#include "gfx_test_util.h"
#include "screen/gui_manager.h"

namespace {

using gfx_test::make_phone;
namespace svc = host::svc;

// A display class that logs its methods, in the shape the panel's class has.
struct Probe {
  DISP_OBJ base;
  int marker;
  char tail[64];
};

std::vector<std::string> g_log;
GUI* g_self = nullptr;        // the object a method may free
bool g_free_in_redraw = false;
bool g_free_in_key = false;
int g_create_result = 1;
bool g_zeroed = false;

void probe_constr(DISP_DESC* d) {
  g_log.push_back("constr");
  svc::fw_disp_desc_set_name(d, "GUI_PROBE");
  svc::fw_disp_desc_set_size(d, sizeof(Probe));
  svc::fw_disp_desc_set_on_create(d, [](DISP_OBJ* obj) {
    auto* p = reinterpret_cast<Probe*>(obj);
    g_zeroed = p->marker == 0 && p->tail[63] == 0;
    g_log.push_back("create");
    return g_create_result;
  });
  svc::fw_disp_desc_set_on_close(d, [](DISP_OBJ*) { g_log.push_back("close"); });
  svc::fw_disp_desc_set_on_redraw(d, [](DISP_OBJ* obj, int, int, int) {
    g_log.push_back("redraw");
    if (g_free_in_redraw) {
      svc::fw_gui_free(g_self);
      // The object stays usable until the method returns.
      GC* gc = svc::fw_get_gc(obj);
      svc::fw_gc_set_flag(gc, 1);
      svc::fw_draw_rect(0, 0, 10, 10, 0xFFFFFFFF, 0xFFFFFFFF);
      g_log.push_back("drawn after free");
    }
  });
  svc::fw_disp_desc_set_on_key(d, [](DISP_OBJ*, int key, int, int, int mode) {
    g_log.push_back("key " + std::to_string(key) + "/" + std::to_string(mode));
    if (g_free_in_key) svc::fw_gui_free(g_self);
  });
}

void probe_destr(DISP_DESC*) { g_log.push_back("destr"); }

class GuiLifecycle : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    g_self = &storage;
    g_free_in_redraw = g_free_in_key = false;
    g_create_result = 1;
    phone = make_phone();
    phone->gui().flush();  // the first frame: the idle screen
  }
  host::GuiManager& gui() { return phone->gui(); }
  GUI* create() { return svc::fw_gui_create(&storage, probe_destr, probe_constr, nullptr, 0, 0, 0); }
  // Runs a queued task that does `f`, so the phone flushes after it as after any task.
  template <typename F>
  void task(F f) {
    phone->queue().post(f);
    phone->queue().settle();
  }

  std::unique_ptr<host::Phone> phone;
  GUI storage{};
};

TEST_F(GuiLifecycle, CreateFillsTheClassAndAllocatesAZeroedObject) {
  const size_t addon_blocks = phone->memory().live_blocks();
  ASSERT_EQ(create(), &storage);
  EXPECT_EQ(g_log, (std::vector<std::string>{"constr", "create"}));
  EXPECT_TRUE(g_zeroed);
  auto info = gui().info(&storage);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->class_name, "GUI_PROBE");
  EXPECT_EQ(info->object_size, int(sizeof(Probe)));
  EXPECT_FALSE(info->shown);
  EXPECT_EQ(gui().live(), 1u);
  EXPECT_EQ(phone->memory().live_blocks(), addon_blocks);  // the phone's memory, not the add-on's
  DISP_OBJ* obj = svc::fw_gui_get_disp_obj(&storage);
  ASSERT_NE(obj, nullptr);
  reinterpret_cast<Probe*>(obj)->tail[63] = 7;  // the whole size is the add-on's to use

  svc::fw_gui_set_style(&storage, 4);
  svc::fw_gui_set_mode(&storage, 1);
  svc::fw_gui_prepare(&storage);
  info = gui().info(&storage);
  EXPECT_EQ(info->style, 4);
  EXPECT_EQ(info->mode, 1);
  EXPECT_TRUE(info->prepared);

  g_log.clear();
  svc::fw_gui_free(&storage);
  EXPECT_EQ(g_log, (std::vector<std::string>{"close", "destr"}));
  EXPECT_EQ(gui().live(), 0u);
  EXPECT_EQ(svc::fw_gui_get_disp_obj(&storage), nullptr);
  svc::fw_gui_free(&storage);  // a second free is ignored
  EXPECT_EQ(g_log.size(), 2u);
}

TEST_F(GuiLifecycle, RefusedCreationLeavesNothing) {
  g_create_result = 0;
  EXPECT_EQ(create(), nullptr);
  EXPECT_EQ(gui().live(), 0u);
  EXPECT_EQ(g_log, (std::vector<std::string>{"constr", "create", "destr"}));
  EXPECT_EQ(svc::fw_gui_create(nullptr, probe_destr, probe_constr, nullptr, 0, 0, 0), nullptr);
  EXPECT_EQ(svc::fw_gui_create(&storage, probe_destr, nullptr, nullptr, 0, 0, 0), nullptr);

  // A test makes the service itself refuse by replacing its entry in the add-on's table.
  using Create = host::service::fw_gui_create::entry;
  Create refuse = [](GUI*, DispDescProc, DispDescProc, BOOK*, int, int, int) -> GUI* {
    return nullptr;
  };
  auto old = phone->services().replace<host::service::fw_gui_create>(refuse);
  auto entry = phone->services().entry<host::service::fw_gui_create>();
  g_create_result = 1;
  EXPECT_EQ(entry(&storage, probe_destr, probe_constr, nullptr, 0, 0, 0), nullptr);
  phone->services().replace<host::service::fw_gui_create>(old);
  entry = phone->services().entry<host::service::fw_gui_create>();
  EXPECT_EQ(entry(&storage, probe_destr, probe_constr, nullptr, 0, 0, 0), &storage);
  gui().free(&storage);
}

TEST_F(GuiLifecycle, RedrawsRunAfterTheTaskAndCoalesce) {
  ASSERT_EQ(create(), &storage);
  DISP_OBJ* obj = svc::fw_gui_get_disp_obj(&storage);
  g_log.clear();
  task([&] {
    svc::fw_gui_show(&storage);
    EXPECT_TRUE(g_log.empty());  // never inside the caller
  });
  EXPECT_EQ(g_log, (std::vector<std::string>{"redraw"}));
  EXPECT_TRUE(gui().is_shown(&storage));
  EXPECT_EQ(gui().top(), &storage);

  task([&] {
    svc::fw_disp_invalidate(obj, 0);
    svc::fw_disp_invalidate(obj, 0);
  });
  EXPECT_EQ(gui().info(&storage)->redraws, 2u);
  task([] {});  // nothing asked: no redraw
  EXPECT_EQ(gui().info(&storage)->redraws, 2u);
  gui().free(&storage);
}

TEST_F(GuiLifecycle, BackdropIsBlackUnlessTurnedOff) {
  host::Screen& s = phone->screen();
  const auto beneath = gfx_test::pixels(s);
  ASSERT_NE(beneath[size_t(100 * 240 + 120)], 0xFF000000u);  // the idle screen draws something
  ASSERT_EQ(create(), &storage);
  task([&] { svc::fw_gui_show(&storage); });
  // Covered by the opaque black backdrop (the probe draws nothing).
  EXPECT_EQ(s.pixel(120, 100), 0xFF000000u);
  EXPECT_EQ(s.pixel(0, 0), 0xFF000000u);

  task([&] { svc::fw_disp_set_backdrop(svc::fw_gui_get_disp_obj(&storage), 0); });
  EXPECT_EQ(gfx_test::pixels(s), beneath);

  // Freed: the next frame shows the screen beneath again.
  task([&] { svc::fw_disp_set_backdrop(svc::fw_gui_get_disp_obj(&storage), 1); });
  EXPECT_EQ(s.pixel(120, 100), 0xFF000000u);
  task([&] { svc::fw_gui_free(&storage); });
  EXPECT_EQ(gfx_test::pixels(s), beneath);
}

TEST_F(GuiLifecycle, FreeDuringItsOwnRedrawWaitsUntilTheRedrawReturns) {
  ASSERT_EQ(create(), &storage);
  g_free_in_redraw = true;
  g_log.clear();
  task([&] { svc::fw_gui_show(&storage); });
  EXPECT_EQ(g_log, (std::vector<std::string>{"redraw", "drawn after free", "close", "destr"}));
  EXPECT_EQ(gui().live(), 0u);
  // The frame after the teardown shows the screen without the object.
  EXPECT_NE(phone->screen().pixel(5, 5), 0xFFFFFFFFu);
}

TEST_F(GuiLifecycle, KeysReachTheTopShownObjectAndMayFreeIt) {
  EXPECT_FALSE(gui().deliver_key(0x3F, 1));
  ASSERT_EQ(create(), &storage);
  EXPECT_FALSE(gui().deliver_key(0x3F, 1));  // not shown yet
  task([&] { svc::fw_gui_show(&storage); });
  g_log.clear();
  EXPECT_TRUE(gui().deliver_key(0x3F, 1));
  EXPECT_EQ(g_log, (std::vector<std::string>{"key 63/1"}));
  g_free_in_key = true;
  g_log.clear();
  EXPECT_TRUE(gui().deliver_key(0x40, 3));
  EXPECT_EQ(g_log, (std::vector<std::string>{"key 64/3", "close", "destr"}));
  EXPECT_FALSE(gui().deliver_key(0x40, 0));
}

TEST_F(GuiLifecycle, GraphicsContextDefaultsAndStaleContextsAreHarmless) {
  ASSERT_EQ(create(), &storage);
  GC* gc = svc::fw_get_gc(svc::fw_gui_get_disp_obj(&storage));
  ASSERT_NE(gc, nullptr);
  RECT r{};
  svc::fw_gc_get_clip(gc, &r);
  EXPECT_EQ(r.x1, 0);
  EXPECT_EQ(r.y1, 0);
  EXPECT_EQ(r.x2, 240);
  EXPECT_EQ(r.y2, 320);
  EXPECT_EQ(svc::fw_gc_get_flag(gc), 0);
  svc::fw_gc_set_flag(gc, 1);
  svc::fw_gc_set_setting(gc, 9);
  EXPECT_EQ(svc::fw_gc_get_flag(gc), 1);
  EXPECT_EQ(svc::fw_gc_get_setting(gc), 9);
  gui().free(&storage);
  // A context whose object is gone is ignored, never written.
  svc::fw_gc_set_flag(gc, 5);
  RECT clip{0, 1, 0, 1};
  svc::fw_gc_set_clip(gc, &clip);
  svc::fw_gc_get_clip(gc, &r);
  EXPECT_EQ(r.x2, 240);
  EXPECT_EQ(svc::fw_get_gc(nullptr), nullptr);
}

TEST_F(GuiLifecycle, FreeingTheBookReleasesItsGuiObjects) {
  static BookCloseProc noop = [](BOOK*) {};
  BOOK* book = static_cast<BOOK*>(phone->memory().alloc(sizeof(BOOK)));
  ASSERT_EQ(svc::fw_create_book(book, noop, nullptr, "Probe", 0, 0), 0);
  ASSERT_EQ(svc::fw_gui_create(&storage, probe_destr, probe_constr, book, 0, 0, 0), &storage);
  svc::fw_book_add_gui(book, &storage);
  g_log.clear();
  task([&] { svc::fw_book_free(book); });
  EXPECT_EQ(g_log, (std::vector<std::string>{"close", "destr"}));
  EXPECT_EQ(gui().live(), 0u);
}

TEST_F(GuiLifecycle, GuiFreedFirstLeavesItsBook) {
  static BookCloseProc noop = [](BOOK*) {};
  BOOK* book = static_cast<BOOK*>(phone->memory().alloc(sizeof(BOOK)));
  ASSERT_EQ(svc::fw_create_book(book, noop, nullptr, "Probe", 0, 0), 0);
  ASSERT_EQ(svc::fw_gui_create(&storage, probe_destr, probe_constr, book, 0, 0, 0), &storage);
  svc::fw_book_add_gui(book, &storage);
  svc::fw_gui_free(&storage);
  EXPECT_TRUE(phone->books().guis(book).empty());
  task([&] { svc::fw_book_free(book); });
  EXPECT_EQ(gui().live(), 0u);
}

TEST_F(GuiLifecycle, PlayerChangesRecomposeTheScreenWhenNothingIsShown) {
  const uint64_t frames = gui().frames();
  gui().refresh_screen();
  EXPECT_EQ(gui().frames(), frames + 1);
  ASSERT_EQ(create(), &storage);
  task([&] { svc::fw_gui_show(&storage); });
  const uint64_t shown_frames = gui().frames();
  gui().refresh_screen();  // with an object shown: at the next flush
  EXPECT_EQ(gui().frames(), shown_frames);
  task([] {});
  EXPECT_EQ(gui().frames(), shown_frames + 1);
  gui().free(&storage);
}

}  // namespace
