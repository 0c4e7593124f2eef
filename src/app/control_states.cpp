#include "app/control_states.h"

#include <QPushButton>
#include <initializer_list>

#include "app/main_window.h"

namespace {

using Controls = std::initializer_list<QWidget*>;

void SetEnabled(Controls controls, bool enabled) {
  for (QWidget* control : controls) control->setEnabled(enabled);
}

void Paint(QWidget* panel, const QColor& colour) {
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, colour);
  panel->setPalette(palette);
}

}  // namespace

QColor ActiveCaptionColour(const TForm1& form) {
  return form.palette().color(QPalette::Active, QPalette::Highlight);
}

QColor ButtonFaceColour(const TForm1& form) {
  return form.palette().color(QPalette::Active, QPalette::Button);
}

void SetControlState(TForm1& form, int mode) {
  if (mode < 0) {
    form.Panel0->setEnabled(false);
    form.L_var->setEnabled(false);
    if (mode == -1) {
      form.bt_can->setEnabled(true);
      form.Panel2->setEnabled(true);
      Paint(form.Panel2, ActiveCaptionColour(form));
    }
    SetEnabled({form.B_view, form.B_IE, form.B_read, form.B_Check, form.B_save, form.B_join, form.B_allm,
                form.RadioG1, form.RadioG2, form.B_Next, form.B_Back, form.B_prn, form.B_pre, form.B_findt,
                form.B_allt, form.B_copyt},
               false);
  } else if (mode > 0) {
    SetEnabled({form.B_view, form.B_IE, form.B_read, form.B_Check, form.B_save, form.B_join, form.B_allm,
                form.RadioG1, form.RadioG2, form.B_Next, form.B_Back, form.B_prn, form.B_pre},
               true);
    if (mode == 1) {
      Paint(form.Panel2, ButtonFaceColour(form));
      form.Panel2->setEnabled(false);
      form.bt_can->setEnabled(false);
    }
    SetEnabled({form.L_var, form.B_findt, form.B_allt, form.B_copyt, form.Panel0}, true);
  }
}

void TForm1::SetControlState(int mode) { ::SetControlState(*this, mode); }

void TForm1::bt_canClick() { state.CancelRequested = -1; }
