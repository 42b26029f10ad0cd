// The switcher's automatic sequence: which inputs each output cycles through
// (SKIP/LIVE) and how long it dwells on each: one dialog each.
#pragma once

#include <string>

#include "commands/sequence_commands.h"
#include "dialogs/pair_table_dialog.h"
#include "dialogs/table_dialog.h"

namespace klvc {

// Those commands built from the document and sent (nothing for an empty line).
void send_sequence_live(const DialogContext& ctx, int input, int output);
void send_dwell_time(const DialogContext& ctx, int output);

// The skip/live dialog: the SKIP/LIVE column of the selected output for a
// page of inputs; Set sends every (input, output) pair, one every 100 ms.
class CSkipLiveDlg : public PairTableDialog {
 public:
  static constexpr int kOutputList = 1047;
  static constexpr int kInputList = 1046;
  static constexpr int kSkipLiveList = 1045;
  static constexpr int kSlaveList = 1044;

  explicit CSkipLiveDlg(const DialogContext& ctx);
};

// The dwell-time dialog: the dwell time of each output; the same-for-all
// list opens at "3".
class CDwellTimeDlg : public ListTableDialog {
 public:
  explicit CDwellTimeDlg(const DialogContext& ctx);
};

}  // namespace klvc
