#pragma once
// Identifying a newsletter from its address: the service row, the newsletter ID, and
// from its top page the title, cycle, latest issue date, circulation and HTML format.

#include <string>
#include <string_view>

#include "platform/shared_state.h"
#include "retrieval/page_fetch.h"
#include "retrieval/service_table.h"

// Mode 0: reduce a Mag2 address to the top page, fetch it in a new session and leave the
// session open. Mode 1: fetch the address unchanged and close the session. Mode 2: look
// up the service only. Returns the matched row's display name, or empty.
std::string IdentifyMagazine(SharedState& state, PageFetcher& fetcher, const ServiceTable& table,
                             std::string_view address, int mode);
