#include "dialogs/title_set.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "link/link.h"
#include "link/messages.h"
#include "link/protocol.h"
#include "settings/sjis.h"
#include "settings/store.h"
#include "ui/text_width.h"

namespace klvc {

namespace {

constexpr int kPageSize = 16;
constexpr int kTitleMarkX = 39;  // after "ch01 = " and 32 cells of title

int valid_channel(int channel) { return channel >= 0 && channel < kMaxInputs ? channel : 0; }

}  // namespace

std::string unrepresentable_char_text(const std::string& utf8_chars) {
  std::string named;
  for (char32_t c : ui::decode_utf8(utf8_chars)) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    named += "「" + ui::encode_utf8(c) + "」(" + code + ") ";
  }
  return named + "は Shift-JIS にない文字なので、タイトルに使えません";
}

CTitleSetDlg::CTitleSetDlg(const DialogContext& ctx)
    : TableDialog(title_set_params(), ctx), channel(ctx.doc.current_channel), slave(ctx.doc.slave_number) {
  // Room for a whole title (32 cells) and the caret after it.
  add_group({41, 4, 37, 3}, "Title");
  ui::EditField& edit = add_edit(kTitleEdit, {42, 5, 35, 1});
  edit.set_filter([this](const std::string& candidate) { return accept_typed(candidate); });
  edit.set_refused_handler([](const std::string& refused) { show_warning(unrepresentable_char_text(refused)); });
  // Enter sets the title and goes on to the next channel: titles can be typed in one go.
  edit.set_enter_notifies(true);
  edit.set_key_hint("Enter 設定して次のchへ  ←→ Home/End 移動  ^U 全消去  Tab 次へ  Esc 閉じる");
  add_button(kAllChannels, {56, 8, 14, 1}, "全ch.設定");
  add_label({41, 14, 37, 1}, "", kSendStatus);
  self_ = std::make_shared<CTitleSetDlg*>(this);
}

CTitleSetDlg::~CTitleSetDlg() { *self_ = nullptr; }

void CTitleSetDlg::on_init() {
  open_slave_list();
  select_then_cut(kChannelList, doc().current_channel);
  fill_edit_from_doc();
  paint_table();
  focus(kTitleEdit);
}

void CTitleSetDlg::fill_edit_from_doc() {
  filling_ = true;
  edit(kTitleEdit).set_text(sjis_to_utf8(title_of(valid_channel(doc().current_channel))));
  filling_ = false;
}

bool CTitleSetDlg::accept_typed(const std::string& candidate) {
  std::string sjis;
  if (utf8_to_sjis(candidate, &sjis)) return true;
  // A title that was already unreadable (a damaged file) can still be
  // edited; title_edited says why it is not stored.
  std::string current_sjis;
  return !utf8_to_sjis(edit(kTitleEdit).text(), &current_sjis);
}

void CTitleSetDlg::title_edited() {
  if (context().link.status().batch_step.load() != 0) return;
  const int ch = valid_channel(doc().current_channel);
  if (filling_) {
    // The field shows the stored bytes; keep them exactly as they are.
    field_bytes_ = title_of(ch);
  } else {
    std::string sjis;
    std::string bad;
    if (!utf8_to_sjis(edit(kTitleEdit).text(), &sjis, &bad)) {
      show_warning(unrepresentable_char_text(bad));
      return;
    }
    field_bytes_ = std::move(sjis);
  }
  title_of(ch) = field_bytes_.substr(0, kTitleMaxBytes);
  if (!filling_) answered_.erase(ch);  // the switcher has not seen this one yet
  paint_table();
  if (title_of(ch) != " ") doc().modified = 1;
}

void CTitleSetDlg::change_channel() {
  ui::ComboBox& list = combo(kChannelList);
  if (context().link.status().batch_step.load() != 0) {
    // Ignored while the batch runs; the list keeps showing the channel in use.
    list.select(doc().current_channel);
    return;
  }
  if (list.selection() < 0) return;
  doc().current_channel = list.selection();
  fill_edit_from_doc();
  paint_table();
}

bool CTitleSetDlg::send_current_title(bool quiet) {
  if (context().link.status().batch_step.load() != 0) return false;
  const int sel = combo(kChannelList).selection();
  if (sel >= 0) doc().current_channel = sel;
  doc().slave_number = slave_list_value();
  const int ch = valid_channel(doc().current_channel);
  title_of(ch) = field_bytes_.substr(0, kTitleMaxBytes);
  LineOwner owner;
  owner.label = row_label("ch", ch) + " のタイトル";
  if (quiet) {
    owner.on_answer = [self = self_, ch](const AnswerEvent& e) {
      if (*self) (*self)->heard(ch, e);
    };
  }
  if (const char* warning = send_channel_title(context(), ch, std::move(owner))) {
    show_warning(warning);
    return false;
  }
  const SendOutcome out = context().link.last_send_outcome();
  if (!out.written) {
    const std::string why = out.error == ENOTCONN ? "ポートが開いていません" : out.failure;
    label(kSendStatus).set_text(row_label("ch", ch) + " 送れません: " + why);
  } else {
    // 設定 reports through its box; only Enter's sends are followed here.
    label(kSendStatus).set_text(quiet ? row_label("ch", ch) + " 送信中…" : "");
  }
  return true;
}

void CTitleSetDlg::heard(int ch, const AnswerEvent& e) {
  std::string said;
  if (e.kind == AnswerEvent::Kind::NoAnswer) {
    said = " No Connect";
  } else if (e.go) {
    said = " 設定完了 Success";
  } else {
    const char* text = error_answer_text(e.answer.substr(doc().interface_mode != 0 && e.answer.size() >= 2 ? 2 : 0));
    said = std::string(" ") + (text ? text : "不明な答え");
  }
  label(kSendStatus).set_text(row_label("ch", ch) + said);
  answered_[ch] = e.go;
  paint_table();
}

void CTitleSetDlg::send_and_next() {
  // A refused title keeps the channel, so the operator can mend it.
  if (!send_current_title(true)) return;
  const int next = doc().current_channel + 1;
  if (next >= input_count_for(model())) return;
  combo(kChannelList).select(next);
  change_channel();
  edit(kTitleEdit).select_all();  // typing replaces the next channel's title
}

void CTitleSetDlg::on_command(int id, ui::Notify notify) {
  switch (id) {
    case kChannelList:
      if (notify == ui::Notify::SelChange) change_channel();
      break;
    case kTitleEdit:
      if (notify == ui::Notify::Change) title_edited();
      if (notify == ui::Notify::Enter) send_and_next();
      break;
    case kIdSet:
      if (notify == ui::Notify::Clicked) send_current_title(false);
      break;
    case kAllChannels:
      if (notify == ui::Notify::Clicked) start_batch();
      break;
    default:
      break;
  }
}

void CTitleSetDlg::on_ok() {
  const int ch = combo(kChannelList).selection();
  const int sl = combo(kSlaveList).selection();
  if (ch >= 0) channel = ch;
  if (sl >= 0) slave = sl;
  end_dialog(ui::kIdOk);
}

void CTitleSetDlg::on_cancel() {
  // A batch of another dialog (batch_step set, none of ours) still refuses.
  if (!batch_running() && context().link.status().batch_step.load() != 0) return;
  TableDialog::on_cancel();
}

void CTitleSetDlg::paint_rows() {
  // One row per channel of the page, each title whole; rows of channels the
  // model lacks stay blank.
  const int current = valid_channel(doc().current_channel);
  const int first = current / kPageSize * kPageSize;
  const int shown = std::min(kPageSize, input_count_for(model()) - first);
  ui::TableArea& area = table(params().table_id);
  for (int i = 0; i < shown; ++i) {
    area.text_out(0, i, row_label("ch", first + i) + " = " + sjis_to_utf8(title_of(first + i)));
    const auto mark = answered_.find(first + i);
    if (mark != answered_.end()) area.text_out(kTitleMarkX, i, mark->second ? "✓" : "✗");
  }
  note_channel_page(first, shown);
}

BatchShape CTitleSetDlg::batch_shape() const { return {input_count_for(model()), 1}; }

void CTitleSetDlg::send_batch_row(int row, int) {
  // A title that cannot be sent is skipped with its warning; the ticks wait
  // until the operator has closed the box.
  if (const char* warning = send_channel_title(context(), row)) show_warning(warning, batch().hold_while_box_open());
}

void CTitleSetDlg::before_batch_tick() {
  TableDialog::before_batch_tick();
}

void CTitleSetDlg::batch_running_changed(bool running) {
  for (int id : {kChannelList, kTitleEdit, static_cast<int>(kIdSet), kAllChannels}) control(id).enable(!running);
  if (!running) combo(kChannelList).select(doc().current_channel);
}

const char* send_channel_title(const DialogContext& ctx, int channel, LineOwner owner) {
  const bool stored = channel >= 0 && channel < kMaxInputs;
  const TitleCommand built =
      title_command(channel, stored ? ctx.doc.channel_titles[static_cast<std::size_t>(channel)] : std::string());
  if (built.refused == nullptr) send_line(ctx, built.line, std::move(owner));
  return built.refused;
}

std::unique_ptr<ui::Dialog> make_title_set_dialog(const DialogContext& ctx) {
  return std::make_unique<CTitleSetDlg>(ctx);
}

}  // namespace klvc
