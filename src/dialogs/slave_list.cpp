#include "dialogs/slave_list.h"

#include "settings/store.h"

namespace klvc {

void open_slave_number_list(ui::ComboBox& list, const Selections& doc) {
  list.select(doc.slave_number.load());
  list.enable(doc.interface_mode.load() == 1);
}

}  // namespace klvc
