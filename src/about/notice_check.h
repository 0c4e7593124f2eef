#pragma once
// Asking the maker's page whether there is a notice for exactly this version. The
// original read the page on the user-interface thread at start-up and froze the window
// for as long as the server took (up to its 40-second limit); here the transfer runs on
// through the event loop and its fields are set when it ends.

#include <QObject>
#include <functional>
#include <string>
#include <string_view>

#include "about/version_notice.h"
#include "platform/clock.h"

// Our own agent name: the page fetch's session is not used.
inline constexpr const char* kNoticeAgentName = "Yomitor_Chk";
// The whole body must arrive within this; what came by then is used.
inline constexpr int kNoticeReadLimitMs = 40'000;
// A notice is a few lines; reading stops here.
inline constexpr std::size_t kNoticeSizeLimit = std::size_t{1} << 20;

// Where notices are asked for: `commandLineBase` (--notice-base) when not empty, else
// YOMITORU_NOTICE_BASE from the environment when set (even empty), else the base compiled
// in. Empty means none is asked.
std::string ChooseNoticeBase(std::string_view commandLineBase);

// Starts the check of `notice`.FileVersionText's page under `noticeBase` and returns -1 at
// once. No request is made without a version or a base. Otherwise, when the transfer has
// ended (status 200 only, at most kNoticeReadLimitMs of body by `clock`), NoticeText and
// the fields are set and `finished` runs. The transfer belongs to `owner`; `notice` must
// live as long as it.
int CheckNotice(VersionNotice& notice, std::string_view noticeBase, QObject* owner,
                std::function<void()> finished, Clock clock = SystemClock());
