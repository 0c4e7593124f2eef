#pragma once
// What a newsletter's top page tells about it: whether it is published in HTML format, its
// title, publishing cycle, latest issue date and latest circulation.

#include "platform/shared_state.h"

// Cuts them from PageText: HtmlFormatFlag becomes 1 when a format marker occurs (it is not
// reset here); TitleText and MagazineTitle are set only when the title tags stand in order;
// IssueCycle, LatestIssueDate and LatestCirculation each only when its marker occurs.
// PageTextLower becomes the lower-cased PageText.
void CutTopPageFields(SharedState& state);
