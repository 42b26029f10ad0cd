// The shell's resources as data: menu, toolbar, string table, fixed texts.
#pragma once

#include <string>
#include <vector>

#include "ui/menu.h"

namespace klvc {

// Window title (first field of the document template string).
extern const char* const kMainWindowTitle;   // "Title Set Program for Matrix Switcher"
extern const char* const kAppName;           // "KLVC": caption of the questions
extern const char* const kIdleText;          // "ﾚﾃﾞｨ"

// Questions of the document commands.
extern const char* const kPromptNew;
extern const char* const kPromptOpen;
extern const char* const kPromptExit;
extern const char* const kCantFileOpen;      // "Can't file open"

// The main menu: every label and command id, top to bottom.
ui::Menu main_menu();

// The toolbar: the four buttons, labelled with their tooltips.
std::vector<ui::ToolButton> toolbar_buttons();

// The keyboard shortcuts of New, Open and Save.
std::vector<ui::Accelerator> accelerators();

// The string-table entry of `id` ("" when there is none).
std::string resource_string(int id);
// The status-bar prompt of a command: the part before the line break.
std::string command_prompt(int id);
// The tooltip of a command: the part after the line break.
std::string command_tooltip(int id);

}  // namespace klvc
