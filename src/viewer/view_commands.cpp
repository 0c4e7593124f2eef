#include "viewer/view_commands.h"

#include "viewer/html_view.h"

void RunViewCommand(HtmlView& view, const StringList& resultText, ViewCommand command) {
  if (view.IsBusy() || resultText.empty() || !view.IsShownOnScreen()) return;
  switch (command) {
    case ViewCommand::kFind:
      view.TakeFocus();
      view.ShowFindDialog();
      break;
    case ViewCommand::kSelectAll:
      view.TakeFocus();
      view.SelectAll();
      break;
    case ViewCommand::kCopy:
      if (view.CanCopy()) view.Copy();
      break;
    case ViewCommand::kPrint:
      view.Print();
      break;
    case ViewCommand::kPreview:
      view.PrintPreview();
      break;
  }
}
