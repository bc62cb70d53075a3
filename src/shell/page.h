// The application book's base page.
#pragma once

#include "platform/fw.h"

extern PAGE_EVENTS<10> base_page_events;
extern const PAGE_DESC base_page;
