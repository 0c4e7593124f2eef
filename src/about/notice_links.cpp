#include "about/notice_links.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

#include "about/version_dialog.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"

void ApplyNoticeMarks(const VersionNotice& notice, QWidget& L_var, QWidget& L_note) {
  if (!notice.NoticeMessage.empty()) {
    QPalette palette = L_var.palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    L_var.setPalette(palette);
  }
  L_note.setVisible(!notice.NoticeNote.empty());
}

void L_noteClick(const VersionNotice& notice) {
  if (!notice.NoticeNote.empty()) CurrentDialogs().ShowMessage(notice.NoticeNote);
}

void L_varClick(const VersionNotice& notice, TForm3& dialog) {
  dialog.AboutLink.clear();
  dialog.AboutText = notice.VersionText;
  if (!notice.NoticeMessage.empty()) {
    dialog.AboutText += "\r\n" + cp932::FromUtf8("メッセージ→") + "\r\n" + cp932::FromUtf8(" 「") +
                        notice.NoticeMessage + cp932::FromUtf8("」");
    if (!notice.NoticeDownloadUrl.empty()) dialog.AboutLink = notice.NoticeDownloadUrl;
  }
  if (!dialog.AboutText.empty()) dialog.exec();
}
