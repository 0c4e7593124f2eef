#pragma once
// The main window's two links: バージョン情報.. (L_var), red while a message is waiting,
// opens the version dialog; お知らせ (L_note), shown only when there is a note, shows it.

#include "about/version_notice.h"

class QWidget;
class TForm3;

// L_var turns red when there is a message; L_note is shown only with a note.
void ApplyNoticeMarks(const VersionNotice& notice, QWidget& L_var, QWidget& L_note);

// The note in a plain message box, when there is one.
void L_noteClick(const VersionNotice& notice);

// Builds the dialog's text (the version lines, then the message) and its link (the
// download address, offered only together with a message), and shows it modally when
// there is any text.
void L_varClick(const VersionNotice& notice, TForm3& dialog);
