// A list that stays open (the file dialogs' folder listing). Moving the
// selection reports SelChange; Enter, or a click on the entry already
// selected, reports Clicked ("open this one").
#pragma once

#include <string>
#include <vector>

#include "ui/controls.h"

namespace klvc::ui {

class ListBox : public Control {
 public:
  ListBox(Dialog* owner, int id, Rect r) : Control(owner, id, r) {}
  void set_entries(std::vector<std::string> entries);
  const std::vector<std::string>& entries() const { return entries_; }
  int count() const { return static_cast<int>(entries_.size()); }
  int selection() const { return selection_; }
  void select(int i);  // from code: no notification
  std::string selected_text() const;
  bool focusable() const override { return enabled_ && visible_; }
  void render(Canvas&, int, int, bool) const override;
  bool on_event(const Event&) override;

 protected:
  std::string default_key_hint() const override { return "↑↓ PgUp/PgDn 選ぶ  Enter 開く  Tab 次へ  Esc 閉じる"; }

 private:
  int rows() const { return rect_.h > 2 ? rect_.h - 2 : 1; }
  void user_select(int i);
  std::vector<std::string> entries_;
  int selection_ = -1;
  int scroll_ = 0;
};

}  // namespace klvc::ui
