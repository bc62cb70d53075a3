// The application book: its base page of event handlers and its close callback.
#include <new>

#include "panel/keys.h"
#include "panel/labels.h"
#include "panel/panel.h"
#include "shell/app.h"
#include "shell/config/config.h"
#include "shell/page.h"
#include "track/track.h"

MyBOOK* TuneStrip = nullptr;
uint8_t NoFullKill = 0;
METADATA* mdata = nullptr;
int32_t scr_w = 0;
int32_t scr_h = 0;
char16_t* dir = nullptr;

IMAGEID BufferIMG = NOIMAGE, fonpng = NOIMAGE, key1 = NOIMAGE, key2 = NOIMAGE, key3 = NOIMAGE,
        key3_1 = NOIMAGE, key4 = NOIMAGE, key5 = NOIMAGE, key1_s = NOIMAGE, key2_s = NOIMAGE,
        key3_s = NOIMAGE, key3_1_s = NOIMAGE, key4_s = NOIMAGE, key5_s = NOIMAGE;

const PanelImage kPanelImages[kPanelImageCount] = {
    {u"NoCover.png", &BufferIMG}, {u"Fon.png", &fonpng},          {u"Key1.png", &key1},
    {u"Key2.png", &key2},         {u"Key3.png", &key3},           {u"Key3_1.png", &key3_1},
    {u"Key4.png", &key4},         {u"Key5.png", &key5},           {u"Key1_S.png", &key1_s},
    {u"Key2_S.png", &key2_s},     {u"Key3_S.png", &key3_s},       {u"Key3_1_S.png", &key3_1_s},
    {u"Key4_S.png", &key4_s},     {u"Key5_S.png", &key5_s},
};

PAGE_EVENTS<10> base_page_events = {
    {
        {fw_index::TERMINATE_REQUEST_EVENT, TerminateElf},
        {fw_index::ABOUT_REQUEST_EVENT, ShowAuthorInfo},
        {fw_index::SYSTEM_EXIT_EVENT, TerminateElf},
        {fw_index::RECONFIG_NOTICE_EVENT, ReconfigElf},
        {fw_index::MEDIAPLAYER_CLOSED_EVENT, PlayerClose},
        {fw_index::MEDIAPLAYER_PLAY_EVENT, UpdateMP3Info},
        {fw_index::MEDIAPLAYER_TRACK_EVENT, UpdateMP3Info},
        {fw_index::MEDIAPLAYER_PLAY_TIMER_EVENT, CABook_onPlayTimer},
        {fw_index::CONFIG_EDIT_REQUEST_EVENT, onBcfgConfig},
        {fw_index::END_OF_PAGE_EVENT, nullptr},
    },
    10,
};

const PAGE_DESC base_page = {"TuneStrip_base_page", 0, base_page_events.msg};

static const char kBookName[] = "TuneStrip";

int CreateMYBook() {
  // A plain new may not return null, so the compiler would drop the check below.
  TuneStrip = new (std::nothrow) MyBOOK;
  NoFullKill = 0;
  if (!TuneStrip) return 0;
  TuneStrip->gui = nullptr;
  fw_create_book(TuneStrip, onCloseMYBook, &base_page, kBookName, -1, 0);
  return 0;
}

int isMyBook(BOOK* book) {
  if (!book || !book->xbook) return 0;
  return fw_strcmp(book->xbook->name, kBookName) == 0 ? 1 : 0;
}

void ReleaseAll() {
  if (mdata && mdata->handle) fw_metadata_close(mdata->handle);
  TrackDesc_Free(currenttrack);
  currenttrack = nullptr;

  for (const PanelImage& img : kPanelImages) {
    fw_image_free(*img.id);
    *img.id = NOIMAGE;
  }
  ReleaseAllLabels();
  delete mdata;
  mdata = nullptr;
  delete[] hdr;
  hdr = nullptr;
  delete[] dir;
  dir = nullptr;
  UnSetHook(nullptr, nullptr);
}

void onCloseMYBook(BOOK*) {
  if (!TuneStrip) return;
  if (NoFullKill) return;
  ReleaseAll();
  if (PanelRun) fw_gui_free(TuneStrip->gui);
  fw_run_deferred(elf_exit);
}

// A terminate request always ends the program, even while a hide is recycling the book: the
// close callback must then release everything rather than nothing.
int TerminateElf(void*, BOOK* book) {
  NoFullKill = 0;
  fw_book_free(book);
  return 1;
}
