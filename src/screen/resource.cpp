#include "screen/resource.h"

#include <utility>

#include "screen/command_ids.h"

namespace klvc {

const char* const kMainWindowTitle = "Title Set Program for Matrix Switcher";
const char* const kAppName = "KLVC";
const char* const kIdleText = "ﾚﾃﾞｨ";

const char* const kPromptNew = "データを保存せずに新規作成しますか？";
const char* const kPromptOpen = "データを保存せずに別のファイルを開きますか？";
const char* const kPromptExit = "データを保存せずに終了しますか？";
const char* const kCantFileOpen = "Can't file open";

namespace {

struct StringEntry {
  int id;
  const char* text;
};

// Status-bar prompt, line break, tooltip. File New (32791) has no entry.
const StringEntry kStrings[] = {
    {cmd::kIndicatorClock, "Time"},
    {cmd::kTitleSet, "タイトルの設定\nタイトル設定"},
    {cmd::kCommSettings, "通信の設定\n通信"},
    {cmd::kModelSelect, "モデルの選択\nモデル"},
    {cmd::kOutputSwitch, "出力の切換え\n出力切換え"},
    {cmd::kInputTitleDisplay, "入力チャンネルのタイトル表示.\n入力タイトル表示"},
    {cmd::kOutputTitleDisplay, "出力チャンネルのタイトル表示\n出力タイトル表示"},
    {cmd::kSkipLive, "オートシーケンスのスキップ/ライブ\nスキップ/ライブ"},
    {cmd::kDwellTime, "オートシーケンスの間隔\n間隔"},
    {cmd::kPassword, "パスワードの設定\nパスワード"},
    {cmd::kSendAll, "全項目の設定\n全項目設定"},
    {cmd::kDateTimeSet, "日付 時刻の設定\n設定"},
    {cmd::kDateTimeDisplay, "日付＆時刻の出力表示\n出力表示"},
    {cmd::kAlarmSettings, "アラームの設定\n設定"},
    {cmd::kAlarmInputTerminals, "アラーム入力端子の設定\nアラーム入力端子"},
    {cmd::kAlarmOutputTerminals, "アラーム出力端子の設定\nアラーム出力端子"},
    {cmd::kFileOpen, "開く\nファイルを開く"},
    {cmd::kFileSave, "上書き保存\n上書きして保存"},
    {cmd::kFileSaveAs, "名前を付けて保存\n名前を付けてファイル保存"},
    {cmd::kFileImport, "設定をテキストまたはタイトルCSVから読み込む\nインポート"},
    {cmd::kFileExportText, "全設定をテキストに書き出す\nテキストのエクスポート"},
    {cmd::kFileExportTitles, "タイトルをCSVに書き出す\nタイトルCSVのエクスポート"},
    {cmd::kAppAbout, "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示\nﾊﾞｰｼﾞｮﾝ情報"},
    {cmd::kAppExit, "ｱﾌﾟﾘｹｰｼｮﾝを終了します\n終了"},
};

ui::MenuItem item(const char* label, int command, const char* shortcut = "") {
  ui::MenuItem m;
  m.label = label;
  m.command = command;
  m.shortcut = shortcut;
  return m;
}

ui::MenuItem popup(const char* label, std::vector<ui::MenuItem> items, char mnemonic = 0) {
  ui::MenuItem m;
  m.label = label;
  m.mnemonic = mnemonic;
  m.items = std::move(items);
  return m;
}

}  // namespace

ui::Menu main_menu() {
  using ui::MenuItem;
  ui::Menu menu;
  menu.top = {
      // The shortcuts are the accelerators below; they run the same handlers.
      popup("ファイル", {item("新規作成", cmd::kFileNew, "Ctrl+N"), item("開く", cmd::kFileOpen, "Ctrl+O"),
                         item("上書き保存", cmd::kFileSave, "Ctrl+S"), item("名前を付けて保存", cmd::kFileSaveAs),
                         MenuItem::rule(), item("インポート", cmd::kFileImport),
                         popup("エクスポート", {item("テキスト", cmd::kFileExportText),
                                                item("タイトルCSV", cmd::kFileExportTitles)}),
                         MenuItem::rule(), item("ｱﾌﾟﾘｹｰｼｮﾝの終了", cmd::kAppExit)},
            'f'),
      popup("設定",
            {item("出力切換え", cmd::kOutputSwitch),
             popup("タイトル", {item("タイトル設定", cmd::kTitleSet),
                                item("入力タイトル表示", cmd::kInputTitleDisplay),
                                item("出力タイトル表示", cmd::kOutputTitleDisplay)}),
             popup("オートシーケンス",
                   {item("スキップ/ライブ", cmd::kSkipLive), item("間隔", cmd::kDwellTime)}),
             popup("日付　時刻", {item("設定", cmd::kDateTimeSet), item("出力表示", cmd::kDateTimeDisplay)}),
             item("パスワード", cmd::kPassword),
             popup("アラーム", {item("設定", cmd::kAlarmSettings),
                                item("アラーム入力端子", cmd::kAlarmInputTerminals),
                                item("アラーム出力端子", cmd::kAlarmOutputTerminals)}),
             MenuItem::rule(), item("全項目設定", cmd::kSendAll)},
            's'),
      popup("モデル", {item("モデルの設定", cmd::kModelSelect)}, 'm'),
      popup("通信", {item("通信の設定", cmd::kCommSettings)}, 'c'),
      popup("ﾍﾙﾌﾟ", {item("KLVC のﾊﾞｰｼﾞｮﾝ情報.", cmd::kAppAbout)}, 'h'),
  };
  return menu;
}

std::vector<ui::ToolButton> toolbar_buttons() {
  std::vector<ui::ToolButton> out;
  for (int id : {cmd::kTitleSet, cmd::kCommSettings, cmd::kModelSelect, cmd::kAppAbout}) {
    out.push_back({id, command_tooltip(id)});
  }
  return out;
}

std::vector<ui::Accelerator> accelerators() {
  return {{ui::Key::Ctrl, 'n', cmd::kStdFileNew},
          {ui::Key::Ctrl, 'o', cmd::kStdFileOpen},
          {ui::Key::Ctrl, 's', cmd::kStdFileSave}};
}

std::string resource_string(int id) {
  for (const auto& s : kStrings) {
    if (s.id == id) return s.text;
  }
  return {};
}

std::string command_prompt(int id) {
  std::string s = resource_string(id);
  return s.substr(0, s.find('\n'));
}

std::string command_tooltip(int id) {
  std::string s = resource_string(id);
  auto nl = s.find('\n');
  return nl == std::string::npos ? std::string() : s.substr(nl + 1);
}

}  // namespace klvc
