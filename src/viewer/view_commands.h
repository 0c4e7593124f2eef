#pragma once
// The commands of the buttons above the HTML view: find, select all, copy, print and
// print preview of the page shown.

#include "platform/text_lines.h"

class HtmlView;

enum class ViewCommand { kFind, kSelectAll, kCopy, kPrint, kPreview };

// Runs `command` on the page shown. Nothing happens while the view is loading, while no
// result is shown (`resultText` empty) or while the view is not on screen; copy needs a
// selection. Find and select all give the view the keyboard focus first.
void RunViewCommand(HtmlView& view, const StringList& resultText, ViewCommand command);
