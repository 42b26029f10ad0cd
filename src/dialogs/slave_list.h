// The slave-number list that every setting dialog carries: "00".."31", the
// entry shown is the RS-485 address the dialog's commands go to.
#pragma once

#include "ui/controls.h"

namespace klvc {

struct Selections;

// Opening step: selected at the document's slave_number on RS-485, otherwise
// disabled (still showing that entry).
void open_slave_number_list(ui::ComboBox& list, const Selections& doc);

}  // namespace klvc
